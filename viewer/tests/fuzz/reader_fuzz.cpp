// Feeds arbitrary bytes to the reading pass, at a chunk size taken from the
// input, and checks the pass against the byte-at-a-time model of the format:
// same line count, same records in the same order, and the statistics of
// counting those records one by one.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "capture_sink.h"
#include "chatscope/classify.h"
#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "chatscope/statistics_view.h"
#include "chatscope/viewer_settings.h"
#include "reference_reader.h"
#include "same_statistics.h"

namespace {

using namespace chatscope;

using logtest::CaptureSink;
using logtest::Shown;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: chunk size; second: one user-list entry and the filter word.
    const std::size_t chunk = std::size_t{1} + data[0] * 7u;
    const std::uint8_t control = data[1];
    const std::string_view file(reinterpret_cast<const char*>(data + 2), size - 2);

    UserList users;
    users.Append({"u", control & 0x1F, (control & 0x20) != 0});
    ViewerSettings settings;
    settings.SetFilterWord((control & 0x40) ? 0x1FF007Fu : 0u);
    CaptureSink sink;
    PassResult pass;
    const LogStatistics& stats = pass.stats;

    std::int64_t all = 0;
    if (file.empty()) {
        all = 0;
    } else {
        const int fd = memfd_create("reader_fuzz", MFD_CLOEXEC);
        if (fd < 0 || ::write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size()) ||
            ::lseek(fd, 0, SEEK_SET) != 0)
            Fail("memfd");
        pass = ReadLog(fd, &sink, {settings.filterWord(), users}, chunk);
        all = pass.allLines;
        ::close(fd);
    }

    const std::vector<std::string> lines = logtest::ReferenceKeptLines(file);
    if (!file.empty() && all != static_cast<std::int64_t>(lines.size())) Fail("line count");
    LogStatistics model;
    std::vector<Shown> expected;
    for (const std::string& line : lines) {
        if (line.size() > kMaxKeptLineBytes) Fail("line longer than the buffer");
        const auto rec = logtest::ReferenceRecognise(line);
        if (!rec) continue;
        CountRecord(model, rec->typeCode, rec->text, users);
        if (!IsHidden(ClassifyMessage(rec->typeCode, rec->text, users), settings.filterWord()))
            expected.push_back({rec->typeCode, rec->colourWord, rec->text, rec->indent});
    }
    if (!file.empty()) {
        if (sink.shown != expected) Fail("records shown");
        if (!logtest::SameStatistics(stats, model)) Fail("statistics");
    }
    // The window texts of whatever was counted.
    (void)CounterRows(stats);
    for (const NamedCount& e : stats.TalkPartners.entries()) (void)PartnerKindText(e.Kind());
    return 0;
}
