// Throughput of the HTML sink alone (no reading), and of a whole export of a
// generated archive, both into /dev/null.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chatscope/html_export.h"
#include "chatscope/statistics.h"

namespace {

std::vector<std::string> SampleTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < 1000; ++i) {
        std::string t =
            "Aldo\x82\xCD\x81\x41\x83|\x81[\x83V\x83\x87\x83\x93\x82\xF0\x8E\xE8\x82\xC9 " + std::to_string(i);
        if (i % 7 == 0) t += " A&B <c>";
        texts.push_back(t);
    }
    return texts;
}

void BM_HtmlSinkPut(benchmark::State& state) {
    std::FILE* out = std::fopen("/dev/null", "wb");
    const auto texts = SampleTexts();
    chatscope::HtmlSink sink(out);
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            sink.Put(1, 0x00123456 + static_cast<std::uint32_t>(i), texts[i], i % 5 == 0);
            bytes += texts[i].size() + 53;
        }
    }
    sink.Flush();
    std::fclose(out);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_HtmlSinkPut);

// Needs CHATSCOPE_BENCH_LOG naming an archive (bench/bench_cli.sh generates one).
void BM_ExportHtml(benchmark::State& state) {
    const char* log = std::getenv("CHATSCOPE_BENCH_LOG");
    if (!log) {
        state.SkipWithError("set CHATSCOPE_BENCH_LOG to an archive");
        return;
    }
    chatscope::ViewerSettings settings;
    chatscope::UserList users;
    const std::string out =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/chatscope-bench-export.html";
    std::FILE* f = std::fopen(log, "rb");
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    for (auto _ : state) {
        if (chatscope::ExportHtml(out, log, settings, users) != chatscope::ExportResult::Written)
            state.SkipWithError("export failed");
    }
    std::remove(out.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
