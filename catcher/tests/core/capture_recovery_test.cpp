// A capture cut short by a kill at any point is undone at the next start and
// the file is captured again; a hostile intent record harms nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "chatkeeper/capture_journal.h"
#include "engine_fixture.h"

namespace chatkeeper {
namespace {

using test::EngineTest;
using test::Exists;
using test::ReadAll;
using test::SimulatedKill;
using test::WriteFileBytes;

// The file journal, killed at the file system's step counter like the rest:
// a record cut in half, or a kill just before the record is removed.
class KillableJournal final : public CaptureJournal {
public:
    KillableJournal(FileCaptureJournal& inner, test::FaultyFileSystem& fs) : inner_(inner), fs_(fs) {}
    bool Record(const CaptureIntent& intent) override {
        if (fs_.steps + 1 == fs_.killAtStep) {
            const std::string text = EncodeCaptureIntent(intent);
            WriteFileBytes(inner_.Path(), text.substr(0, text.size() / 2));
        }
        fs_.Step();
        const bool recorded = inner_.Record(intent);
        if (afterRecord) afterRecord();
        return recorded;
    }
    std::function<void()> afterRecord;  // another writer, say
    void Clear() override {
        fs_.Step();
        inner_.Clear();
    }
    std::optional<CaptureIntent> Pending() override { return inner_.Pending(); }

private:
    FileCaptureJournal& inner_;
    test::FaultyFileSystem& fs_;
};

class RecoveryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        journal = &killable;
    }
    // A new engine as at a new start; its first steps may be killed too.
    bool Restart(int killAtStep) {
        fs.steps = 0;
        fs.killAtStep = killAtStep;
        try {
            Start();
        } catch (const SimulatedKill&) {
            return false;
        }
        fs.killAtStep = 0;
        return true;
    }

    FileCaptureJournal file{root / "intent"};
    KillableJournal killable{file, fs};
};

TEST_F(RecoveryTest, KillAtAnyStepOfACaptureIsUndoneAndTheFileCapturedAgain) {
    for (const bool archiveExists : {true, false}) {
        for (int killAt = 1;; ++killAt) {
            SCOPED_TRACE(testing::Message() << "archive exists " << archiveExists << ", kill at step " << killAt);
            std::filesystem::remove_all(archives);
            std::filesystem::remove_all(logs);
            ::mkdir(archives.c_str(), 0777);
            ::mkdir(logs.c_str(), 0777);
            settings.fileNameTemplate = "all.log";
            ASSERT_TRUE(Restart(0));
            std::string before;
            if (archiveExists) {
                WriteGame(0, Content(0));
                ASSERT_EQ(Tick().captured, 0);
                before = Archive();
            }
            const std::string archive = archives + "/all.log";
            WriteGame(4, Content(4, 5000));  // five writes

            fs.steps = 0;
            fs.killAtStep = killAt;
            bool killed = false;
            try {
                Tick();
            } catch (const SimulatedKill&) {
                killed = true;
            }
            fs.killAtStep = 0;
            if (!killed) {
                EXPECT_EQ(ReadAll(archive), before + Content(4, 5000));
                EXPECT_GE(killAt, 10);  // record, open, 5 writes, flush, clear
                break;
            }

            // A start killed right after it cut the archive back, then one that runs.
            Restart(2);
            ASSERT_TRUE(Restart(0));
            EXPECT_FALSE(file.Pending().has_value());
            EXPECT_EQ(Exists(archive), archiveExists);
            EXPECT_EQ(ReadAll(archive), before);

            // Cut short while the record itself was written: the append had
            // not begun, and the file counts as there at the start.
            const TickResult r = Tick();
            if (killAt == 1) {
                EXPECT_EQ(r.captured, -1);
                continue;
            }
            EXPECT_EQ(r.captured, 4);
            EXPECT_EQ(ReadAll(archive), before + Content(4, 5000));
            EXPECT_EQ(Tick().captured, -1);
            EXPECT_FALSE(file.Pending().has_value());
        }
    }
}

TEST_F(RecoveryTest, FileOrFolderChangedSinceTheKill) {
    settings.fileNameTemplate = "all.log";
    Start();
    WriteGame(2, Content(2, 3000, 'a'));
    fs.steps = 0;
    fs.killAtStep = 4;  // the second write
    EXPECT_THROW(Tick(), SimulatedKill);
    fs.killAtStep = 0;

    WriteGame(2, Content(2, 2000, 'b'));  // newer since: that version is captured
    Start();
    EXPECT_EQ(Tick().captured, 2);
    EXPECT_EQ(Archive(), Content(2, 2000, 'b'));

    // Another game log folder at the restart: the archive is still put back,
    // but the file of that number in the new folder counts as there.
    const std::string other = root / "other";
    ::mkdir(other.c_str(), 0777);
    WriteGame(5, Content(5, 3000));
    fs.steps = 0;
    fs.killAtStep = 4;
    EXPECT_THROW(Tick(), SimulatedKill);
    fs.killAtStep = 0;
    WriteGameIn(other, 5, Content(5, 100, 'o'));
    settings.gameLogFolder = other;
    Start();
    EXPECT_EQ(ReadAll(archives + "/all.log"), Content(2, 2000, 'b'));
    EXPECT_EQ(Tick().captured, -1);

    // Killed once the copy was whole, and the file rewritten before the
    // restart: that version could not be taken again, so it is kept.
    WriteGameIn(other, 6, Content(6, 3000));
    fs.steps = 0;
    fs.killAtStep = 7;  // record, open, three writes, flush: the record's removal
    EXPECT_THROW(Tick(), SimulatedKill);
    fs.killAtStep = 0;
    WriteGameIn(other, 6, Content(6, 3000, 'n'));
    Start();
    EXPECT_EQ(ReadAll(archives + "/all.log"), Content(2, 2000, 'b') + Content(6, 3000));
    EXPECT_FALSE(file.Pending().has_value());

    // Another writer appended between the record and the open: the record
    // takes the new length, so that only the capture's own bytes are undone.
    const std::string kept = ReadAll(archives + "/all.log") + "other writer\n";
    killable.afterRecord = [&, once = true]() mutable {
        if (once) test::AppendFileBytes(archives + "/all.log", "other writer\n");
        once = false;
    };
    WriteGameIn(other, 7, Content(7, 3000));
    fs.steps = 0;
    fs.killAtStep = 5;  // record, open, record again, two writes
    EXPECT_THROW(Tick(), SimulatedKill);
    fs.killAtStep = 0;
    killable.afterRecord = nullptr;
    Start();
    EXPECT_EQ(ReadAll(archives + "/all.log"), kept);
}

TEST_F(RecoveryTest, HostileOrBrokenRecordsHarmNothing) {
    const std::string victim = root / "victim";
    const std::string target = root / "target";
    const std::string record = file.Path();
    const std::string content(5000, 'v');
    const auto recordFor = [](const std::string& path, std::int64_t length, std::int64_t size) {
        return EncodeCaptureIntent({path, length, 0, "/nowhere/0.log", FileStamp::Of(1, 0, size)});
    };
    EXPECT_FALSE(DecodeCaptureIntent(recordFor(victim, -2, 5000)));  // -1 is the only length below 0
    struct Case {
        const char* name;
        std::function<void()> plant;
    };
    const Case cases[] = {
        {"archive is a link",
         [&] {
             ::symlink(victim.c_str(), target.c_str());
             WriteFileBytes(record, recordFor(target, 100, 5000));
         }},
        {"archive is a fifo",
         [&] {
             ::mkfifo(target.c_str(), 0600);
             WriteFileBytes(record, recordFor(target, 0, 5000));
         }},
        {"archive is a folder",
         [&] {
             ::mkdir(target.c_str(), 0700);
             WriteFileBytes(record, recordFor(target, -1, 5000));
         }},
        {"length beyond the end", [&] { WriteFileBytes(record, recordFor(victim, 6000, 5000)); }},
        {"more than the file added", [&] { WriteFileBytes(record, recordFor(victim, 100, 1000)); }},
        {"new archive longer than the file", [&] { WriteFileBytes(record, recordFor(victim, -1, 1000)); }},
        {"bytes after the record", [&] { WriteFileBytes(record, recordFor(victim, 0, 6000) + "x"); }},
        {"record cut short",
         [&] {
             const std::string text = recordFor(victim, 0, 5000);
             WriteFileBytes(record, text.substr(0, text.size() - 1));
         }},
        {"record is a link",
         [&] {
             WriteFileBytes(target, recordFor(victim, 0, 5000));
             ::symlink(target.c_str(), record.c_str());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(target);
        std::filesystem::remove(record);
        WriteFileBytes(victim, content);
        c.plant();
        const auto plantedType = std::filesystem::symlink_status(target).type();
        const auto regularTarget = [&] {  // a fifo is never opened here
            return std::filesystem::is_regular_file(std::filesystem::symlink_status(target)) ? ReadAll(target)
                                                                                             : std::string();
        };
        const std::string planted = regularTarget();
        Start();
        EXPECT_EQ(ReadAll(victim), content);
        EXPECT_EQ(std::filesystem::symlink_status(target).type(), plantedType);
        EXPECT_EQ(regularTarget(), planted);
        EXPECT_EQ(std::filesystem::symlink_status(record).type(), std::filesystem::file_type::not_found);
    }

    // A record of 64 KiB (a long game log path) is still read, and undone.
    const auto recordOf = [&](std::size_t n) {
        return EncodeCaptureIntent({victim, 100, 0, std::string(n, 'g'), FileStamp::Of(1, 0, 5000)});
    };
    WriteFileBytes(record, recordOf(65536 - recordOf(0).size() - 4));  // its length takes 5 digits, not 1
    ASSERT_EQ(std::filesystem::file_size(record), 65536u);
    Start();
    EXPECT_EQ(ReadAll(victim), content.substr(0, 100));
}

}  // namespace
}  // namespace chatkeeper
