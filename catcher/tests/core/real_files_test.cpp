// Promises about the operating system that only real files can show:
// descriptors, permission bits, planted links, a file-size limit, the clock.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/capture_journal.h"
#include "chatkeeper/settings_record.h"
#include "test_support.h"

namespace chatkeeper {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteFileBytes;

using testsupport::ModeOf;
using testsupport::OpenDescriptors;

SettingsRecord SampleRecord() {
    SettingsRecord record;
    record.SetGameLogFolder("/game");
    record.SetFileNameTemplate("x.log");
    return record;
}

// A path may hold any byte but NUL, a line break and digits included.
const CaptureIntent kIntent{"/a/all\nlog 7", 10, 3, "/game/3.log", FileStamp::Of(5, 6, 7)};

TEST(RealFiles, NoDescriptorIsLeft) {
    TempDir dir;
    const std::string cnf = dir / "c.cnf";
    ::mkdir((dir / "logs").c_str(), 0700);
    ::mkdir((dir / "archives").c_str(), 0700);
    CatcherSettings settings;
    settings.gameLogFolder = dir / "logs";
    settings.archiveFolder = dir / "archives";
    settings.fileNameTemplate = "all.log";
    SystemClock clock;
    PosixFileSystem files;
    FileCaptureJournal journal(dir / "intent");
    CaptureEngine engine(settings, clock, files);
    engine.SetJournal(&journal);
    engine.TakeBaseline();
    const std::string game = GameLogFilePath(settings.gameLogFolder, 1);

    const std::pair<const char*, std::function<void()>> actions[] = {
        {"capture",
         [&] {
             WriteFileBytes(game, std::string(3000, 'g'));
             test::SetMtime(game, 1'600'000'000);
             ASSERT_EQ(engine.Tick().captured, 1);
         }},
        {"failed capture",
         [&] {
             WriteFileBytes(game, std::string(10, 'h'));
             test::SetMtime(game, 1'600'000'002);
             settings.archiveFolder = dir / "missing";
             engine.StartNewArchive();
             ASSERT_EQ(engine.Tick().failed, 1);
         }},
        {"save settings", [&] { ASSERT_TRUE(SaveSettings(cnf, SampleRecord())); }},
        {"load settings",
         [&] {
             SettingsRecord record;
             ASSERT_TRUE(LoadSettings(cnf, record));
         }},
        {"record, read and undo an intent",
         [&] {
             ASSERT_TRUE(journal.Record({dir / "archives/all.log", 1000, 1, game, FileStamp::Of(1, 0, 3000)}));
             ASSERT_TRUE(journal.Pending().has_value());
             engine.TakeBaseline();
         }},
    };
    for (const auto& [name, action] : actions) {
        SCOPED_TRACE(name);
        const int before = OpenDescriptors();
        action();
        EXPECT_EQ(OpenDescriptors(), before);
    }
    EXPECT_EQ(ReadAll(dir / "archives/all.log").size(), 1000u);  // the undo cut the archive back
}

TEST(RealFiles, PermissionBitsOfNewAndReplacedFiles) {
    TempDir dir;
    const mode_t previousMask = ::umask(022);
    struct Case {
        const char* name;
        mode_t existing;  // 0: no file yet
        mode_t expected;
        std::function<void(const std::string&)> write;
    };
    PosixFileSystem files;
    const Case cases[] = {
        {"new settings file", 0, 0644, [](const std::string& p) { EXPECT_TRUE(SaveSettings(p, SampleRecord())); }},
        {"replaced 0600 settings file", 0600, 0600,
         [](const std::string& p) { EXPECT_TRUE(SaveSettings(p, SampleRecord())); }},
        {"new archive", 0, 0644, [&](const std::string& p) { EXPECT_NE(files.OpenAppend(p), nullptr); }},
        {"intent record", 0, 0600, [](const std::string& p) { EXPECT_TRUE(FileCaptureJournal(p).Record(kIntent)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.name;
        if (c.existing) {
            WriteFileBytes(path, "old");
            ::chmod(path.c_str(), c.existing);
        }
        c.write(path);
        EXPECT_EQ(ModeOf(path), c.expected);
    }
    ::umask(previousMask);
}

TEST(RealFiles, PlantedLinkAtATemporaryNameIsReplacedNotFollowed) {
    TempDir dir;
    const std::string victim = dir / "victim";
    const std::string cnf = dir / "c.cnf";
    const std::string intent = dir / "intent";
    const std::pair<std::string, std::function<bool()>> cases[] = {
        {cnf + ".tmp." + std::to_string(::getpid()), [&] { return SaveSettings(cnf, SampleRecord()); }},
        {intent, [&] { return FileCaptureJournal(intent).Record(kIntent); }},
    };
    for (const auto& [tempName, write] : cases) {
        SCOPED_TRACE(tempName);
        WriteFileBytes(victim, "precious");
        ::symlink(victim.c_str(), tempName.c_str());
        EXPECT_TRUE(write());
        EXPECT_EQ(ReadAll(victim), "precious");
    }
    EXPECT_FALSE(std::filesystem::exists(cases[0].first));
    EXPECT_EQ(ReadAll(cnf).size(), kSettingsRecordSize);
    EXPECT_FALSE(std::filesystem::is_symlink(intent));
    EXPECT_EQ(FileCaptureJournal(intent).Pending(), kIntent);
    CaptureIntent created = kIntent;  // an append that creates its archive, of a game log file now gone
    created.archiveLength = -1;
    created.stamp = FileStamp::Missing();
    ASSERT_TRUE(FileCaptureJournal(intent).Record(created));
    EXPECT_EQ(FileCaptureJournal(intent).Pending(), created);
}

// Every writer fails (rather than looping or dying) at a file-size limit,
// once SIGXFSZ is ignored as the catcher does.
TEST(RealFiles, WritesPastAFileSizeLimitFail) {
    TempDir dir;
    PosixFileSystem files;
    const std::string cnf = dir / "c.cnf";
    ASSERT_TRUE(SaveSettings(cnf, SampleRecord()));
    const std::string saved = ReadAll(cnf);

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    auto archive = files.OpenAppend(dir / "a.log");
    const std::string block(200, 'b');
    const bool archiveWrite = archive && archive->Write(block.data(), block.size());
    const bool settingsWrite = SaveSettings(cnf, SettingsRecord{});
    CaptureIntent longIntent = kIntent;
    longIntent.archivePath = std::string(100, 'p');
    const bool intentWrite = FileCaptureJournal(dir / "intent").Record(longIntent);

    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_NE(archive, nullptr);
    EXPECT_FALSE(archiveWrite);
    EXPECT_FALSE(settingsWrite);
    EXPECT_FALSE(intentWrite);
    EXPECT_EQ(ReadAll(cnf), saved);
    EXPECT_FALSE(std::filesystem::exists(dir / "intent"));
}

TEST(RealFiles, SystemClockReadsTheLocalTime) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    const std::int64_t expected = LocalMilliseconds(
        {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, 0});
    const std::int64_t read = SystemClock().Now().msSinceLocalEpoch;
    EXPECT_LE(std::llabs(read - expected), 2000);

    // Fixed points in two time zones.
    const char* const zone = std::getenv("TZ");
    const std::string savedZone = zone ? zone : "";
    struct Case {
        const char* zone;
        std::int64_t seconds;
        long nanoseconds;
        DateTimeFields local;
    };
    for (const Case& c : {Case{"UTC0", 1'700'000'000, 999'999'999, {2023, 11, 14, 22, 13, 20, 999}},
                          Case{"UTC0", 0, 0, {1970, 1, 1, 0, 0, 0, 0}},
                          Case{"JST-9", 1'700'000'000, 5'000'000, {2023, 11, 15, 7, 13, 20, 5}}}) {
        ::setenv("TZ", c.zone, 1);
        ::tzset();
        EXPECT_EQ(LocalDateTimeAt(c.seconds, c.nanoseconds).msSinceLocalEpoch, LocalMilliseconds(c.local))
            << c.zone << " " << c.seconds;
    }
    zone ? ::setenv("TZ", savedZone.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(RealFiles, TheChosenArchiveFolderIsMadeByTheFirstCapture) {
    TempDir dir;
    ::mkdir((dir / "logs").c_str(), 0700);
    const std::string chosen = dir / "Documents/chatkeeper";
    for (const bool isChosen : {false, true}) {
        CatcherSettings settings;
        settings.gameLogFolder = dir / "logs";
        settings.archiveFolder = isChosen ? chosen : dir / "elsewhere/chatkeeper";
        settings.fileNameTemplate = "all.log";
        SystemClock clock;
        PosixFileSystem files;
        CaptureEngine engine(settings, clock, files);
        engine.SetArchiveFolderToCreate(chosen);
        engine.TakeBaseline();
        EXPECT_FALSE(test::Exists(settings.archiveFolder));  // not before a capture
        WriteFileBytes(GameLogFilePath(settings.gameLogFolder, 0), "log");
        test::SetMtime(GameLogFilePath(settings.gameLogFolder, 0), isChosen ? 1'600'000'100 : 1'600'000'000);
        EXPECT_EQ(engine.Tick().captured, isChosen ? 0 : -1);
        EXPECT_EQ(test::Exists(settings.archiveFolder), isChosen);
    }
    EXPECT_EQ(ModeOf(chosen), 0700u);
    EXPECT_EQ(ReadAll(chosen + "/all.log"), "log");
}

}  // namespace
}  // namespace chatkeeper
