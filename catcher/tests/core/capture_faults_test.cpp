// A capture that fails leaves no trace in the archive and is retried.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace chatkeeper {
namespace {

using test::AppendFileBytes;
using test::EngineTest;
using test::ReadAll;

TEST_F(EngineTest, UnreadableFileIsRetriedAndDoesNotHoldBackOthers) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(3, Content(3));
    WriteGame(7, Content(7));
    fs.unreadable.insert(Game(3));

    TickResult r = Tick();
    EXPECT_EQ(r.captured, 7);
    EXPECT_EQ(r.failed, 1);
    EXPECT_TRUE(engine->RememberedStamp(3).missing);  // unchanged from the baseline

    r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 1);

    fs.unreadable.clear();
    EXPECT_EQ(Tick().captured, 3);
    EXPECT_EQ(Tick().captured, -1);
    EXPECT_EQ(Archive(), Content(7) + Content(3));
}

TEST_F(EngineTest, MissingArchiveFolderFailsCreatesNothingAndRetries) {
    const std::string later = root / "later";
    settings.archiveFolder = later;
    settings.fileNameTemplate = "#SS.log";
    Start();
    WriteGame(0, Content(0));
    WriteGame(1, Content(1));
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 2);
    EXPECT_FALSE(test::Exists(later));

    ::mkdir(later.c_str(), 0777);
    clock.AdvanceSeconds(1);
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(Tick().captured, 1);
    // Named afresh once the folder could be used.
    EXPECT_EQ(engine->ArchivePath(), later + "/30.log");  // not the 19.log of the failed tick
    EXPECT_EQ(Archive(), Content(0) + Content(1));
}

TEST_F(EngineTest, ArchiveThatCannotBeOpenedIsNamedAgainWithTheNewSettings) {
    settings.archiveFolder = root / "wrong";
    settings.fileNameTemplate = "a.log";
    Start();
    WriteGame(0, Content(0));
    EXPECT_EQ(Tick().failed, 1);
    settings.archiveFolder = archives;  // the user corrects the folder
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(engine->ArchivePath(), archives + "/a.log");
    EXPECT_EQ(CatcherCaption(engine->ArchivePath()), "Tarq Log Catcher [a.log]");
}

TEST_F(EngineTest, EmptyArchiveFolderTextMeansNoArchive) {
    settings.archiveFolder = "";
    Start();
    WriteGame(0, Content(0));
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(engine->ArchivePath(), "");
    EXPECT_TRUE(fs.appendOpens.empty());  // nothing opened below the root
    EXPECT_EQ(CatcherCaption(engine->ArchivePath()), "Tarq Log Catcher");

    settings.archiveFolder = archives;
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(Archive(), Content(0));
}

TEST_F(EngineTest, EmptyTemplateNamesTheFolderAndFails) {
    settings.fileNameTemplate = "";
    Start();
    WriteGame(0, Content(0));
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_TRUE(ArchiveNames().empty());
    settings.fileNameTemplate = "x.log";
    EXPECT_EQ(Tick().captured, 0);
}

TEST_F(EngineTest, WriteFailingPartWayLeavesTheArchiveAtItsOldLength) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(0, Content(0));
    ASSERT_EQ(Tick().captured, 0);
    const std::string before = Archive();

    WriteGame(1, Content(1, 5000));  // five writes of the 1024-byte buffer
    fs.writes = 0;
    fs.failWriteNumber = 3;
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(Archive(), before);

    fs.failWriteNumber = 0;
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(Archive(), before + Content(1, 5000));
}

TEST_F(EngineTest, ReadErrorAndFailedFlushRollBack) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(0, Content(0, 3000));
    fs.reads = 0;
    fs.failReadNumber = 2;
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_EQ(Archive(), "");

    fs.failReadNumber = 0;
    fs.failSync = true;
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_FALSE(test::Exists(engine->ArchivePath()));  // the capture made it: removed again

    fs.failSync = false;
    EXPECT_EQ(Tick().captured, 0);
    EXPECT_EQ(Archive(), Content(0, 3000));
}

TEST_F(EngineTest, FileGrowingDuringTheCopyIsRetriedWhole) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(0, Content(0));
    ASSERT_EQ(Tick().captured, 0);
    const std::string before = Archive();

    WriteGame(5, Content(5, 2500));
    bool grown = false;
    fs.afterRead = [&](const std::string& path) {
        if (grown || path != Game(5)) return;
        grown = true;
        AppendFileBytes(path, "tail");
        test::SetMtime(path, ++mtimeCounter);
    };
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(Archive(), before);

    EXPECT_EQ(Tick().captured, 5);
    EXPECT_EQ(Archive(), before + Content(5, 2500) + "tail");
}

TEST_F(EngineTest, FileRewrittenWithTheSameTimeButAnotherSizeIsNotKept) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(2, Content(2, 2000));
    const std::int64_t stampTime = mtimeCounter;
    bool cut = false;
    fs.afterRead = [&](const std::string& path) {
        if (cut) return;
        cut = true;
        test::WriteFileBytes(path, "short");
        test::SetMtime(path, stampTime);  // same time, only the size tells
    };
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_EQ(Archive(), "");
    EXPECT_EQ(Tick().captured, 2);
    EXPECT_EQ(Archive(), "short");
}

TEST_F(EngineTest, SameSizeRewriteDuringTheCopyIsNotKept) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(1, Content(1, 2000, 'a'));
    bool rewritten = false;
    fs.afterRead = [&](const std::string& path) {
        if (rewritten) return;
        rewritten = true;
        test::WriteFileBytes(path, Content(1, 2000, 'b'));
        test::SetMtime(path, ++mtimeCounter);
    };
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_EQ(Archive(), "");
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(Archive(), Content(1, 2000, 'b'));
}

TEST_F(EngineTest, ArchiveFolderRemovedDuringARunIsReplacedByTheNewFolder) {
    settings.fileNameTemplate = "a.log";
    Start();
    WriteGame(0, Content(0));
    ASSERT_EQ(Tick().captured, 0);
    std::filesystem::remove_all(archives);
    const std::string moved = root / "moved";
    ::mkdir(moved.c_str(), 0777);
    settings.archiveFolder = moved;  // RotateNever: only a failed open renames
    WriteGame(1, Content(1));
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_FALSE(test::Exists(archives));
    EXPECT_EQ(Tick().captured, 1);
    EXPECT_EQ(engine->ArchivePath(), moved + "/a.log");
    EXPECT_EQ(ReadAll(moved + "/a.log"), Content(1));
}

TEST_F(EngineTest, GameLogFileIsNeverAppendedToItself) {
    settings.archiveFolder = logs;
    settings.fileNameTemplate = "3.log";
    Start();
    WriteGame(3, Content(3));
    TickResult r = Tick();
    EXPECT_EQ(r.captured, -1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(ReadAll(Game(3)), Content(3));

    // Another spelling of the same path is caught too.
    settings.archiveFolder = logs + "/./";
    EXPECT_EQ(Tick().failed, 1);
    EXPECT_EQ(ReadAll(Game(3)), Content(3));

    settings.archiveFolder = archives;
    EXPECT_EQ(Tick().captured, 3);
    EXPECT_EQ(ReadAll(archives + "/3.log"), Content(3));
}

}  // namespace
}  // namespace chatkeeper
