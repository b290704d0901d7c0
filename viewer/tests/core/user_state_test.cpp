#include "chatscope/user_state.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "log_builder.h"

namespace chatscope {
namespace {

using Files = std::vector<std::string>;

TEST(UserState, RecentListKeepsEightNewestFirstWithoutRepeats) {
    UserState s;
    for (int i = 1; i <= 10; ++i) AddRecentFile(s, "/logs/" + std::to_string(i) + ".log");
    EXPECT_EQ(s.recentFiles, (Files{"/logs/10.log", "/logs/9.log", "/logs/8.log", "/logs/7.log", "/logs/6.log",
                                    "/logs/5.log", "/logs/4.log", "/logs/3.log"}));
    AddRecentFile(s, "/logs/5.log");  // again: moves to the front
    EXPECT_EQ(s.recentFiles.front(), "/logs/5.log");
    EXPECT_EQ(s.recentFiles.size(), 8u);
    EXPECT_EQ(std::count(s.recentFiles.begin(), s.recentFiles.end(), "/logs/5.log"), 1);
    RemoveRecentFile(s, "/logs/9.log");
    EXPECT_EQ(s.recentFiles.size(), 7u);
    for (const std::string bad : {"", "relative.log", "/a\nb.log", "/a\rb.log"}) {
        AddRecentFile(s, bad);
        EXPECT_EQ(s.recentFiles.front(), "/logs/5.log") << bad;
    }
}

TEST(UserStateFile, ReadsWhatItWritesAndToleratesOtherContent) {
    logtest::TempDir dir;
    const std::string path = UserStatePathFor((dir.path() / "chatscope.cnf").string());
    EXPECT_EQ(path, (dir.path() / "chatscope.recent").string());
    EXPECT_EQ(LoadUserState(path), UserState{});  // missing file: defaults

    UserState s;
    s.follow = true;
    s.libraryFolder = "/home/u/\x83\x8D\x83\x4F";
    // Any bytes but a line end: Shift-JIS, UTF-8, spaces, a leading "follow=" inside a folder name.
    for (const std::string& p : {std::string("/tmp/\x83\x8D\x83\x4F.log"), std::string("/home/u/ログ 1.log"),
                                 std::string("/follow=1/x.log"), RecentEntry({"/s/1.log", "/s/+2.log", "/s/3.log"})})
        AddRecentFile(s, p);
    ASSERT_TRUE(SaveUserState(path, s));
    EXPECT_EQ(LoadUserState(path), s);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left

    struct Case {
        std::string bytes;
        UserState expected;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"follow=1\n", {{}, true, ""}},
        {"follow=yes\n/a.log\n", {{"/a.log"}, false, ""}},
        {"/a.log\r\n/b.log\r\nfollow=1\r\n", {{"/a.log", "/b.log"}, true, ""}},
        {"/a.log\n\nnot a path\n/b.log\n/a.log\n/c.log", {{"/a.log", "/b.log", "/c.log"}, false, ""}},
        {"/1\n/2\n/3\n/4\n/5\n/6\n/7\n/8\n/9\n", {{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}, false, ""}},
        // Sets: "+" lines go on the entry above them, and only on an entry.
        {"/a\n+/b\r\n+/c\n/d\n+/a\n+/b\n+/c\n/a\n", {{"/a\n/b\n/c", "/d\n/a\n/b\n/c", "/a"}, false, ""}},
        {"+/x\n/a\n+b\n+/c\nfollow=1\n+/y\n", {{"/a"}, true, ""}},
        // The library's folder: the last line holds, a relative one clears it, it ends a set.
        {"library=/x\n/a\nlibrary=/arch ive\r\n+/b\n", {{"/a"}, false, "/arch ive"}},
        {"library=/x\nlibrary=rel\n", {{}, false, ""}},
    };
    for (const Case& c : cases) {
        dir.Write("chatscope.recent", c.bytes);
        EXPECT_EQ(LoadUserState(path), c.expected) << c.bytes;
    }
}

TEST(UserStateFile, ReplacesALinkedFileAndKeepsTheOldOneWhenItCannotWrite) {
    logtest::TempDir dir;
    const std::string real = dir.Write("real.recent", "/old.log\n");
    const std::string link = (dir.path() / "chatscope.recent").string();
    std::filesystem::create_symlink(real, link);
    UserState s;
    AddRecentFile(s, "/new.log");
    ASSERT_TRUE(SaveUserState(link, s));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(LoadUserState(real), s);

    // A folder that cannot be written: false, the file unchanged.
    ::chmod(dir.path().c_str(), 0555);
    AddRecentFile(s, "/newer.log");
    const bool saved = SaveUserState(link, s);
    ::chmod(dir.path().c_str(), 0755);
    if (::geteuid() != 0) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(LoadUserState(real).recentFiles, Files{"/new.log"});
    }
}

}  // namespace
}  // namespace chatscope
