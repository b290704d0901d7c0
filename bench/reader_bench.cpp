// Throughput of the reading pass (read, strip escapes, parse, classify, count)
// over a generated archive held in the page cache, next to a plain memchr scan
// of the same file as the floor any reader has to pay.
//
// CHATSCOPE_BENCH_MB sets the archive size (default 100); CHATSCOPE_BENCH_LOG
// names an existing archive to read instead (for example one written by
// chatlog-generate).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "chatscope/log_reader.h"

namespace {

using namespace chatscope;

const char* kNames[] = {"Alice", "Bob", "Carolyn", "Dmitri", "Eve", "Fujiko", "Gwendolyn", "Hiro"};
const char* kItems[] = {"\x83\x7C\x81\x5B\x83\x56\x83\x87\x83\x93",
                        "\x83\x6E\x83\x43\x83\x7C\x81\x5B\x83\x56\x83\x87\x83\x93", "\x83\x47\x81\x5B\x83\x65\x83\x8B",
                        "\x8C\x95"};
const char* kMonsters[] = {"Goblin Smithy", "Wild Rabbit", "Bee", "Orcish Fodder"};

std::string Prefix(int type, std::uint32_t colour, bool indent) {
    char p[64];
    std::snprintf(p, sizeof p, "%02x,00,00,%08x,00000000,00000000,0000,00,00,00,%02x,", type, colour, indent ? 1 : 0);
    return p;
}

std::string MakeLine(std::mt19937& rng) {
    const std::string name = kNames[rng() % 8];
    const std::string comma = "\x81\x41";
    const int n = int(rng() % 500);
    std::string text;
    int type;
    switch (rng() % 12) {
    case 0:
        type = 1;
        text = name + " : Hello there, how is the hunting going today?";
        break;
    case 1:
        type = 4;
        text = ">>" + name + " : are you coming to the party tonight?";
        break;
    case 2:
        type = 5;
        text = "(" + name + ") pull the next one please";
        break;
    case 3:
        type = 6;
        text = "<" + name + "> \x1E\x01linkshell\x1E\x01 news for everyone";
        break;
    case 4:
        type = 20;
        text = name + " hits the " + kMonsters[rng() % 4] + " for " + std::to_string(n) + " points of damage.";
        break;
    case 5:
        type = 21;
        text = name + " misses the " + std::string(kMonsters[rng() % 4]) + ".";
        break;
    case 6:
        type = 28;
        text = "The " + std::string(kMonsters[rng() % 4]) + " hits " + name + " for " + std::to_string(n) + " points.";
        break;
    case 7:
        type = 127;
        text = name + comma + kItems[rng() % 4] + "\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD\x81\x42";
        break;
    case 8:
        type = 131;
        text = name + comma + std::to_string(n) + "\x83\x7C\x83\x43\x83\x93\x83\x67\x82\xCC\x8C\x6F\x8C\xB1\x92\x6C";
        break;
    case 9:
        type = 36;
        text = std::string(kMonsters[rng() % 4]) + "\x82\xCD\x93\x7C\x82\xEA\x82\xBD\x81\x42";
        break;
    case 10:
        type = 23;
        text = name + " recovers " + std::to_string(n) + " HP.";
        break;
    default:
        type = 200 + int(rng() % 5);
        text = "\x1F\x02System message number " + std::to_string(n) + ".";
        break;
    }
    return Prefix(type, 0x00FFFFFFu & rng(), rng() % 16 == 0) + text;
}

const std::string& ArchivePath() {
    static const std::string path = [] {
        if (const char* given = std::getenv("CHATSCOPE_BENCH_LOG")) return std::string(given);
        const char* env = std::getenv("CHATSCOPE_BENCH_MB");
        const std::size_t mb = env ? std::strtoul(env, nullptr, 10) : 100;
        const std::string p = (std::filesystem::temp_directory_path() / "chatscope_reader_bench.log").string();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (!f) std::abort();
        std::mt19937 rng(7);
        std::string block;
        std::size_t written = 0;
        while (written < mb * 1000000) {
            block.assign(100, '\0');
            for (int i = 0; i < 50; ++i) {
                block += MakeLine(rng);
                block.push_back('\0');
            }
            std::fwrite(block.data(), 1, block.size(), f);
            written += block.size();
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_ReadLogStats(benchmark::State& state) {
    const std::string& path = ArchivePath();
    const auto bytes = std::filesystem::file_size(path);
    std::int64_t lines = 0;
    for (auto _ : state) {
        UserList users;
        DiscardSink sink;
        const PassResult pass = ReadLog(path, &sink, {0, users});
        lines = pass.allLines;
        benchmark::DoNotOptimize(pass.stats.counters);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_ReadLogStats)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The floor: read the file in 1 MiB chunks and count NULs with memchr.
void BM_MemchrFloor(benchmark::State& state) {
    const std::string& path = ArchivePath();
    const auto bytes = std::filesystem::file_size(path);
    std::unique_ptr<char[]> buf(new char[1 << 20]);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::size_t n, nuls = 0;
        while ((n = std::fread(buf.get(), 1, 1 << 20, f)) > 0) {
            const char* p = buf.get();
            const char* end = p + n;
            while ((p = static_cast<const char*>(std::memchr(p, 0, std::size_t(end - p))))) {
                ++nuls;
                ++p;
            }
        }
        std::fclose(f);
        benchmark::DoNotOptimize(nuls);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}
BENCHMARK(BM_MemchrFloor)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
