#include <gtest/gtest.h>
#include <cctype>

#include "chatkeeper/settings_record.h"
#include "engine_fixture.h"

namespace chatkeeper {
namespace {

using test::EngineTest;
using test::ReadAll;

TEST(GameLogFilePath, SlashAlwaysInsertedFolderAsTyped) {
    EXPECT_EQ(GameLogFilePath("/g", 0), "/g/0.log");
    EXPECT_EQ(GameLogFilePath("/g/", 19), "/g//19.log");
    EXPECT_EQ(GameLogFilePath("", 7), "/7.log");
}

TEST_F(EngineTest, BaselineFilesAreNotCapturedAndIdleTicksWriteNothing) {
    for (int i = 0; i < 20; ++i) WriteGame(i, Content(i));
    Start();
    for (int t = 0; t < 3; ++t) {
        TickResult r = Tick();
        EXPECT_EQ(r.captured, -1);
        EXPECT_EQ(r.failed, 0);
    }
    EXPECT_TRUE(ArchiveNames().empty());
    EXPECT_EQ(engine->ArchivePath(), "");
    EXPECT_EQ(CatcherCaption(engine->ArchivePath()), "Tarq Log Catcher");
    EXPECT_TRUE(captions.empty());
}

TEST_F(EngineTest, OneCapturePerTickInAscendingNumber) {
    for (int i = 0; i < 20; ++i) WriteGame(i, Content(i));
    Start();
    settings.fileNameTemplate = "all.log";
    WriteGame(9, Content(9, 500, 'x'));
    WriteGame(2, Content(2, 400, 'y'));
    WriteGame(15, Content(15, 200, 'z'));
    EXPECT_EQ(Tick().captured, 2);
    EXPECT_EQ(Tick().captured, 9);
    EXPECT_EQ(Tick().captured, 15);
    EXPECT_EQ(Tick().captured, -1);
    EXPECT_EQ(Archive(), Content(2, 400, 'y') + Content(9, 500, 'x') + Content(15, 200, 'z'));

    // A rewrite is captured again, whole.
    WriteGame(9, Content(9, 600, 'w'));
    EXPECT_EQ(Tick().captured, 9);
    EXPECT_EQ(Archive().size(), 400u + 500 + 200 + 600);
}

TEST_F(EngineTest, FirstCaptureOfARunNamesANewArchive) {
    Start();
    WriteGame(3, Content(3));
    clock.Advance(0);
    EXPECT_EQ(engine->Tick().captured, 3);  // at 2003-07-12 14:05:09.250
    EXPECT_EQ(engine->ArchivePath(), archives + "/TARQ030712_1405_09.log");
    EXPECT_EQ(ReadAll(archives + "/TARQ030712_1405_09.log"), Content(3));
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0], "Tarq Log Catcher [TARQ030712_1405_09.log]");

    // A second run with a template that repeats appends to the same file.
    settings.fileNameTemplate = "chat.log";
    WriteGame(4, Content(4));
    Start();  // file 4 is now part of the baseline
    WriteGame(5, Content(5));
    EXPECT_EQ(Tick().captured, 5);
    WriteGame(6, Content(6));
    Start();
    WriteGame(6, Content(6, 10));
    EXPECT_EQ(Tick().captured, 6);
    EXPECT_EQ(ReadAll(archives + "/chat.log"), Content(5) + Content(6, 10));
}

TEST_F(EngineTest, TemplateAndArchiveFolderAreReadOnlyWhenANewArchiveStarts) {
    settings.fileNameTemplate = "first.log";
    Start();
    WriteGame(0, Content(0));
    Tick();
    settings.fileNameTemplate = "second.log";
    settings.archiveFolder = root / "elsewhere";
    WriteGame(1, Content(1));
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(ArchiveNames(), std::vector<std::string>{"first.log"});
    EXPECT_EQ(Archive(), Content(0) + Content(1));
}

TEST_F(EngineTest, OverlongTemplateIsCutTo1023Bytes) {
    settings.fileNameTemplate = std::string(1023, 'n') + "#YYYY";
    Start();
    engine->StartNewArchive();
    EXPECT_EQ(engine->ArchivePath(), archives + "/" + std::string(1023, 'n'));
}

TEST_F(EngineTest, RotateByTimeOnlyWhenStrictlyLater) {
    settings.mode = RotationMode::RotateByTime;
    settings.fileNameTemplate = "#HH#MN#SS#MS.log";
    Start({2, 0, 0});
    WriteGame(0, Content(0));
    EXPECT_EQ(engine->Tick().captured, 0);
    const std::string first = engine->ArchivePath();
    EXPECT_EQ(engine->NextRotationTime(), clock.Milliseconds() + 2 * 3600 * 1000);

    clock.Advance(2 * 3600 * 1000);  // exactly the interval: not later
    WriteGame(1, Content(1));
    EXPECT_EQ(engine->Tick().captured, 1);
    EXPECT_EQ(engine->ArchivePath(), first);

    clock.Advance(1);
    WriteGame(2, Content(2));
    EXPECT_EQ(engine->Tick().captured, 2);
    EXPECT_NE(engine->ArchivePath(), first);
    EXPECT_EQ(ReadAll(first), Content(0) + Content(1));
    EXPECT_EQ(Archive(), Content(2));
    // No archive is started when the interval ends without a capture.
    clock.Advance(5 * 3600 * 1000);
    EXPECT_EQ(engine->Tick().captured, -1);
    EXPECT_EQ(ArchiveNames().size(), 2u);
}

TEST_F(EngineTest, RotateByTimeWithZeroIntervalStartsAnArchiveEveryCapture) {
    settings.mode = RotationMode::RotateByTime;
    Start();
    for (int i = 0; i < 3; ++i) {
        WriteGame(i, Content(i));
        EXPECT_EQ(Tick().captured, i);
    }
    EXPECT_EQ(ArchiveNames().size(), 3u);
    // Within the same millisecond nothing is strictly later.
    WriteGame(3, Content(3));
    EXPECT_EQ(engine->Tick().captured, 3);
    EXPECT_EQ(ArchiveNames().size(), 3u);
}

struct SizeCase {
    const char* text;
    std::size_t firstSize;
    bool rotates;
};

class SizeRotationTest : public EngineTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SizeRotationTest, ArchiveLongerThanLimitStartsANewOne) {
    const SizeCase& c = GetParam();
    settings.mode = RotationMode::RotateBySize;
    settings.sizeLimitKb = ParseSizeText(c.text);  // as the window converts its size box
    Start();
    WriteGame(0, Content(0, c.firstSize));
    EXPECT_EQ(Tick().captured, 0);
    const std::string first = engine->ArchivePath();
    WriteGame(1, Content(1));
    EXPECT_EQ(Tick().captured, 1);
    if (c.rotates) {
        EXPECT_NE(engine->ArchivePath(), first);
        EXPECT_EQ(ReadAll(first).size(), c.firstSize);
        EXPECT_EQ(Archive(), Content(1));
    } else {
        EXPECT_EQ(engine->ArchivePath(), first);
        EXPECT_EQ(Archive().size(), c.firstSize + 300);
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, SizeRotationTest,
                         ::testing::Values(SizeCase{"100", 102400, false}, SizeCase{"100", 102401, true},
                                           SizeCase{"abc", 102400, false}, SizeCase{"abc", 102401, true},
                                           SizeCase{"", 102401, true}, SizeCase{"0", 1, true},
                                           SizeCase{"1", 1024, false}, SizeCase{"2147483647", 102401, false},
                                           SizeCase{"-1", 1, true}),
                         // Readable, stable names: ctest runs each case by its name.
                         [](const ::testing::TestParamInfo<SizeCase>& info) {
                             std::string name = "Case" + std::to_string(info.index) + "_";
                             for (const char* p = info.param.text; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name + "_" + std::to_string(info.param.firstSize);
                         });

TEST_F(EngineTest, SizeZeroDoesNotRotateAnEmptyOrDeletedArchive) {
    settings.mode = RotationMode::RotateBySize;
    settings.sizeLimitKb = 0;
    Start();
    WriteGame(0, Content(0));
    Tick();
    const std::string first = engine->ArchivePath();
    std::filesystem::remove(first);  // deleted: counts as length 0, the append re-creates it
    WriteGame(1, Content(1));
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(engine->ArchivePath(), first);
    EXPECT_EQ(ReadAll(first), Content(1));
}

TEST_F(EngineTest, RotateNeverKeepsOneArchive) {
    settings.mode = RotationMode::RotateNever;
    settings.sizeLimitKb = 0;
    Start();
    for (int i = 0; i < 5; ++i) {
        clock.AdvanceSeconds(3 * 3600);
        WriteGame(i, Content(i, 50000));
        EXPECT_EQ(Tick().captured, i);
    }
    EXPECT_EQ(ArchiveNames().size(), 1u);
    EXPECT_EQ(Archive().size(), 250000u);
}

TEST_F(EngineTest, ModeIsReadAtEachCapture) {
    settings.mode = RotationMode::RotateByTime;
    Start();  // interval zero: every capture after the first rotates
    WriteGame(0, Content(0));
    Tick();
    WriteGame(1, Content(1));
    Tick();
    EXPECT_EQ(ArchiveNames().size(), 2u);

    settings.mode = RotationMode::RotateNever;
    const std::string kept = engine->ArchivePath();
    WriteGame(2, Content(2));
    Tick();
    WriteGame(3, Content(3));
    Tick();
    EXPECT_EQ(engine->ArchivePath(), kept);

    settings.mode = RotationMode::RotateBySize;
    settings.sizeLimitKb = 0;
    WriteGame(4, Content(4));
    Tick();
    EXPECT_NE(engine->ArchivePath(), kept);
    EXPECT_EQ(ReadAll(kept), Content(1) + Content(2) + Content(3));
    EXPECT_EQ(ArchiveNames().size(), 3u);
}

TEST_F(EngineTest, ChangedGameLogFolderTakesNoNewBaseline) {
    WriteGame(0, Content(0));
    WriteGame(1, Content(1));
    Start();
    const std::string other = root / "other";
    ::mkdir(other.c_str(), 0777);
    WriteGameIn(other, 1, Content(1, 77, 'o'));
    WriteGameIn(other, 12, Content(12, 88, 'p'));
    settings.gameLogFolder = other;
    settings.fileNameTemplate = "all.log";
    // 0.log is missing in the new folder: a vanish, not a capture.
    TickResult r = Tick();
    EXPECT_EQ(r.captured, 1);
    EXPECT_EQ(r.vanished, 1);
    EXPECT_EQ(Tick().captured, 12);
    EXPECT_EQ(Tick().captured, -1);
    EXPECT_EQ(Archive(), Content(1, 77, 'o') + Content(12, 88, 'p'));
}

TEST_F(EngineTest, VanishedFileIsRememberedAndARecreatedOneCaptured) {
    WriteGame(4, Content(4));
    Start();
    std::filesystem::remove(Game(4));
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.vanished, 1);
    EXPECT_TRUE(engine->RememberedStamp(4).missing);
    EXPECT_TRUE(ArchiveNames().empty());  // nothing to copy, no archive made for it
    EXPECT_EQ(Tick().vanished, 0);

    WriteGame(4, Content(4, 123, 'r'));
    EXPECT_EQ(Tick().captured, 4);
    EXPECT_EQ(Archive(), Content(4, 123, 'r'));
}

TEST_F(EngineTest, FolderInPlaceOfAGameLogFileCountsAsMissing) {
    Start();
    ::mkdir(Game(2).c_str(), 0777);
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.vanished, 0);
    EXPECT_EQ(r.failed, 0);
}

TEST_F(EngineTest, FirstRunWithEmptyFolderCapturesEverythingOncePointedAtTheLogs) {
    for (int i = 0; i < 3; ++i) WriteGame(i, Content(i));
    settings.gameLogFolder = "";
    Start();
    EXPECT_EQ(Tick().captured, -1);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(engine->RememberedStamp(i).missing);
    settings.gameLogFolder = logs;
    settings.fileNameTemplate = "all.log";
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(Tick().captured, 2);
    EXPECT_EQ(Archive(), Content(0) + Content(1) + Content(2));
}

TEST_F(EngineTest, SameSizeRewriteWithNewTimeIsSeen) {
    WriteGame(0, Content(0));
    Start();
    const std::string path = Game(0);
    test::WriteFileBytes(path, Content(0, 300, 'b'));
    test::SetMtime(path, mtimeCounter, 500);  // same second, 500 ns later
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(Archive(), Content(0, 300, 'b'));
}

}  // namespace
}  // namespace chatkeeper
