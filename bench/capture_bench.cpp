// Cost of one idle capture tick: twenty stat calls, nothing changed.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "chatkeeper/capture_engine.h"

namespace {

using namespace chatkeeper;

void BM_IdleTick(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "capture-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const std::string block(100 + 50 * 120, 'x');
    for (int i = 0; i < kGameLogFileCount; ++i) {
        std::ofstream(GameLogFilePath(dir, i), std::ios::binary) << block;
    }
    CatcherSettings settings;
    settings.gameLogFolder = dir;
    settings.archiveFolder = dir;
    SystemClock clock;
    PosixFileSystem files;
    CaptureEngine engine(settings, clock, files);
    engine.TakeBaseline();
    for (auto _ : state) {
        TickResult r = engine.Tick();
        benchmark::DoNotOptimize(r);
        if (r.captured != -1) state.SkipWithError("a file changed during the benchmark");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_IdleTick)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
