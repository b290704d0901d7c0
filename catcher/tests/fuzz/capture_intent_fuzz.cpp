// The intent record that decides at start-up how far an archive is cut back.
// A record that decodes encodes to one that decodes alike. Recovery from it,
// against files made up from the first input byte: the archive is never made
// longer nor cut below the recorded length, it is cut back exactly when the
// copy is not whole or can be repeated and the cut is within the recorded
// append, nothing but a regular file at the archive's name is touched,
// nothing is opened, and the record is gone afterwards.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "../../../viewer/tests/fuzz/fuzz_files.h"
#include "../core/test_support.h"
#include "chatkeeper/capture_engine.h"
#include "chatkeeper/capture_intent.h"
#include "chatkeeper/capture_journal.h"

using namespace chatkeeper;
using fuzzfiles::Fail;
using Kind = test::MemoryFileSystem::Kind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t setup = data[0];
    const std::string_view record(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<CaptureIntent> intent = DecodeCaptureIntent(record);
    if (intent && DecodeCaptureIntent(EncodeCaptureIntent(*intent)) != intent) Fail("encode, decode");
    if (!intent) return 0;

    // The archive: bits 0-1 its kind (or none), bits 2-4 its length.
    test::MemoryFileSystem files;
    const std::int64_t base = intent->archiveLength < 0 ? 0 : intent->archiveLength;
    const std::int64_t copied = intent->stamp.size;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    // base + n, or `other` where that is no length.
    const auto plus = [&](std::int64_t n, std::int64_t other) {
        return n >= -base && n <= kMax - base ? base + n : other;
    };
    const std::int64_t lengths[] = {base,
                                    plus(-1, 7),
                                    plus(1, 0),
                                    base / 2,
                                    plus(copied, 3),
                                    plus(copied < kMax ? copied + 1 : -2, 5),
                                    plus(copied / 2, 9),
                                    0};
    const Kind kinds[] = {Kind::Regular, Kind::Folder, Kind::Link};
    if ((setup & 3) != 3)
        files.entries[intent->archivePath] = {kinds[setup & 3], lengths[setup >> 2 & 7], FileStamp::Of(1, 0, 0)};
    // The game log file: bits 5-6 as recorded, changed, gone or a FIFO; bit 7
    // the game log folder as recorded or another one.
    const int gameLog = setup >> 5 & 3;
    if (gameLog < 2 && intent->gameLogPath != intent->archivePath)
        files.entries[intent->gameLogPath] = {Kind::Regular, intent->stamp.size < 0 ? 0 : intent->stamp.size,
                                              gameLog == 0 ? intent->stamp : FileStamp::Of(2, 0, 0)};
    else if (gameLog == 3 && intent->gameLogPath != intent->archivePath)
        files.entries[intent->gameLogPath] = {Kind::Fifo, 0, FileStamp::Of(3, 0, 0)};
    const auto before = files.entries;
    // Kept as it is: a whole copy of a game log file that has changed since.
    const bool whole = copied > 0 && files.FileSize(intent->archivePath) - base == copied &&
                       !(files.Stamp(intent->gameLogPath) == intent->stamp);

    const std::string suffix = "/" + std::to_string(intent->gameLogIndex) + ".log";
    CatcherSettings settings;
    if (setup & 0x80 && intent->gameLogPath.ends_with(suffix))
        settings.gameLogFolder = intent->gameLogPath.substr(0, intent->gameLogPath.size() - suffix.size());
    else
        settings.gameLogFolder = "/elsewhere";

    const std::string journalPath = fuzzfiles::Here() / "chatkeeper.intent";
    fuzzfiles::Write(journalPath, record);
    FileCaptureJournal journal(journalPath);
    test::FakeClock clock;
    CaptureEngine engine(settings, clock, files);
    engine.SetJournal(&journal);
    engine.TakeBaseline();

    if (fuzzfiles::Exists(journalPath)) Fail("record left behind");
    if (files.opens != 0) Fail("a file opened during recovery");
    for (const auto& [path, entry] : before) {
        if (path == intent->archivePath) continue;
        if (!files.entries.count(path) || !(files.entries.at(path) == entry)) Fail("another file touched");
    }
    // The game log file of an undone copy is captured again at the first tick.
    const int index = intent->gameLogIndex;
    const bool again = !settings.gameLogFolder.empty() &&
                       intent->gameLogPath == GameLogFilePath(settings.gameLogFolder, index) && !whole;
    if (again != (engine.RememberedStamp(index) == FileStamp::Unseen())) Fail("baseline of the game log file");

    const auto was = before.find(intent->archivePath);
    const auto now = files.entries.find(intent->archivePath);
    if (was == before.end()) {
        if (now != files.entries.end()) Fail("archive made");
        return 0;
    }
    const std::int64_t length = was->second.length;
    const bool undo =
        was->second.kind == Kind::Regular && !whole && copied >= 0 && length >= base && length - base <= copied;
    if (!undo) {
        if (now == files.entries.end() || !(now->second == was->second)) Fail("archive touched");
    } else if (intent->archiveLength < 0) {
        if (now != files.entries.end()) Fail("archive the capture made not removed");
    } else if (now == files.entries.end() || now->second.length != base) {
        Fail("archive not cut back to the recorded length");
    }
    return 0;
}
