// The one way both programs replace a file, over its branches: what may stand
// at the temporary name, the permission bits, and failures that must leave
// the old file whole and no temporary behind.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "fileio/atomic_replace.h"
#include "test_support/file_limit.h"
#include "test_support/temp_dir.h"

namespace chatlog::fileio {
namespace {

namespace fs = std::filesystem;
using testsupport::ListNames;
using testsupport::ModeOf;
using testsupport::OpenDescriptors;
using testsupport::ReadAll;

TEST(AtomicReplace, EveryBranchLeavesAWholeFileAndNoTemporary) {
    testsupport::TempDir dir;
    const std::string target = dir / "file.cnf";
    const std::string temp = dir / "file.tmp";
    const std::string victim = dir / "victim";
    const mode_t previousMask = ::umask(022);
    struct Case {
        const char* name;
        mode_t existing;              // 0: no old file
        std::function<void()> plant;  // what stands at the temporary name
        bool viaStream;
        rlim_t sizeLimit;  // 0: none
        bool replaced;
        mode_t mode;  // of the file afterwards
    };
    const auto none = [] {};
    const Case cases[] = {
        {"new file", 0, none, false, 0, true, 0644},
        {"new file through the stream", 0, none, true, 0, true, 0644},
        {"0600 file keeps its bits", 0600, none, false, 0, true, 0600},
        {"0640 file keeps its bits", 0640, none, true, 0, true, 0640},
        {"stale temporary", 0644, [&] { dir.Write("file.tmp", std::string(10000, 'x')); }, false, 0, true, 0644},
        {"link at the temporary name", 0600, [&] { fs::create_symlink(victim, temp); }, false, 0, true, 0600},
        {"dangling link", 0644, [&] { fs::create_symlink(dir / "nowhere", temp); }, false, 0, true, 0644},
        {"link to a folder", 0644, [&] { fs::create_directory_symlink(dir.path(), temp); }, false, 0, true, 0644},
        {"FIFO", 0644, [&] { ASSERT_EQ(::mkfifo(temp.c_str(), 0600), 0); }, false, 0, true, 0644},
        {"folder at the temporary name", 0640, [&] { fs::create_directory(temp); }, false, 0, false, 0640},
        {"write fails", 0640, none, false, 16, false, 0640},
        {"write fails through the stream", 0640, none, true, 16, false, 0640},
    };
    const std::string bytes(200, 'n');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("victim", "precious");
        if (c.existing) {
            dir.Write("file.cnf", "old");
            ASSERT_EQ(::chmod(target.c_str(), c.existing), 0);
        }
        c.plant();
        const int fds = OpenDescriptors();
        const auto before = ListNames(dir.path());
        bool ok;
        {
            std::optional<testsupport::FileSizeLimit> limit;
            if (c.sizeLimit) limit.emplace(c.sizeLimit);
            Replacement r;
            ok = r.Begin(target, temp);
            if (ok && c.viaStream) ok = r.Stream() && std::fputs(bytes.c_str(), r.Stream()) >= 0;
            if (ok && !c.viaStream) ok = r.Write(bytes);
            ok = ok && r.Commit();
        }
        EXPECT_EQ(ok, c.replaced);
        EXPECT_EQ(ReadAll(target), c.replaced ? bytes : c.existing ? "old" : "");
        EXPECT_EQ(ModeOf(target), c.mode);
        EXPECT_EQ(ReadAll(victim), "precious");
        EXPECT_EQ(OpenDescriptors(), fds);
        // A failure leaves the folder as it was; a success leaves no temporary.
        auto expected = before;
        if (c.replaced) {
            std::erase(expected, "file.tmp");
            if (!c.existing)
                expected.insert(std::upper_bound(expected.begin(), expected.end(), "file.cnf"), "file.cnf");
        }
        EXPECT_EQ(ListNames(dir.path()), expected);
        fs::remove_all(temp);
        fs::remove(target);
    }
    ::umask(previousMask);
}

TEST(AtomicReplace, OwnTemporaryNamesFitBesideTheLongestNameAndGoWithTheReplacement) {
    testsupport::TempDir dir;
    const std::string longest = dir / (std::string(250, 'x') + ".html");  // 255 bytes, the most a name may have
    ASSERT_TRUE(ReplaceFile(longest, "one", Durability::Fast));
    EXPECT_EQ(ReadAll(longest), "one");
    {
        Replacement first, second;  // two at once never share a temporary
        ASSERT_TRUE(first.Begin(longest));
        ASSERT_TRUE(second.Begin(longest));
        EXPECT_NE(first.tempPath(), second.tempPath());
        EXPECT_TRUE(first.Write("first"));
        EXPECT_TRUE(second.Write("second"));
        EXPECT_TRUE(second.Commit());
        EXPECT_EQ(ListNames(dir.path()).size(), 2u);
    }  // the first, never committed, is discarded
    EXPECT_EQ(ReadAll(longest), "second");
    EXPECT_EQ(ListNames(dir.path()).size(), 1u);

    EXPECT_FALSE(ReplaceFile(dir / "no-such-folder/f", "x"));
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
    EXPECT_FALSE(ReplaceFile("", "x"));
}

TEST(AtomicReplace, ReplacementTargetKeepsALinkAndReplacesWhatItNames) {
    testsupport::TempDir dir;
    const std::string real = dir.Write("real", "old");
    const std::string link = dir / "link";
    fs::create_symlink(real, link);
    EXPECT_EQ(ReplacementTarget(link), fs::canonical(real).string());
    EXPECT_EQ(ReplacementTarget(real), real);
    ASSERT_TRUE(ReplaceFile(ReplacementTarget(link), "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "new");
}

}  // namespace
}  // namespace chatlog::fileio
