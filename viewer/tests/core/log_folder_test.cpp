// The rules by which LOG arguments become chat log files: folders listed in
// byte-wise name order, entries of other kinds skipped unopened, and what is
// refused.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "chatscope/log_folder.h"
#include "log_builder.h"

namespace chatscope {
namespace {

using logtest::TempDir;

TEST(LogFolder, ArgumentsBecomeFilesInReadingOrder) {
    TempDir tmp;
    const std::string dir = tmp.path().string();
    const std::string log = logtest::Block({logtest::Record(0x01, "a")});
    ::mkdir((dir + "/logs").c_str(), 0755);
    ::mkdir((dir + "/logs/sub.log").c_str(), 0755);  // a folder: skipped, never entered
    tmp.Write("logs/sub.log/inner.log", log);
    tmp.Write("logs/b.log", log);
    tmp.Write("logs/B.log", log);      // 'B' (0x42) before 'a' (0x61)
    tmp.Write("logs/a\xff.log", log);  // not UTF-8: kept byte for byte, after "a."
    tmp.Write("logs/a.log", log);
    tmp.Write("logs/notes.txt", "not a log");  // no ".log": skipped without a word
    tmp.Write("logs/short.log", log.substr(0, 99));
    tmp.Write("logs/word0.log", logtest::Block({}, 1));
    tmp.Write("logs/word0high.log", logtest::Block({}, 0x100));
    tmp.Write("logs/chat.dat", log);  // any name counts when the header does
    ASSERT_EQ(::symlink("a.log", (dir + "/logs/link.log").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir + "/logs/dangling.log").c_str()), 0);
    ASSERT_EQ(::symlink("loop.log", (dir + "/logs/loop.log").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir + "/logs/fifo.log").c_str(), 0644), 0);  // opened, it would block
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir + "/logs/sock.log";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    tmp.Write("one.log", log);
    tmp.Write("text.log", std::string(200, 'x'));
    ::mkdir((dir + "/empty").c_str(), 0755);
    tmp.Write("empty/readme.log", "short");

    const std::string logs = dir + "/logs";
    const std::vector<std::string> folderFiles = {logs + "/B.log", logs + "/a.log",    logs + "/a\xff.log",
                                                  logs + "/b.log", logs + "/chat.dat", logs + "/link.log"};
    const std::vector<std::string> folderWarnings = {
        logs + "/dangling.log: skipped, not a regular file", logs + "/fifo.log: skipped, not a regular file",
        logs + "/loop.log: skipped, not a regular file",     logs + "/short.log: skipped, not a chat log file",
        logs + "/sock.log: skipped, not a regular file",     logs + "/sub.log: skipped, not a regular file",
        logs + "/word0.log: skipped, not a chat log file",   logs + "/word0high.log: skipped, not a chat log file"};
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> files;
        std::vector<std::string> warnings;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {{logs}, folderFiles, folderWarnings, ""},
        {{logs + "/"}, folderFiles, folderWarnings, ""},  // one slash between
        {{dir + "/one.log"}, {dir + "/one.log"}, {}, ""},
        {{dir + "/one.log", logs, dir + "/one.log"},
         with(with({dir + "/one.log"}, folderFiles), {dir + "/one.log"}),
         folderWarnings,
         ""},
        {{logs + "/link.log"}, {logs + "/link.log"}, {}, ""},
        {{dir + "/missing.log"}, {}, {}, "cannot read " + dir + "/missing.log: No such file or directory"},
        {{dir + "/one.log", dir + "/text.log"}, {}, {}, "not a chat log file: " + dir + "/text.log"},
        {{logs + "/fifo.log"}, {}, {}, "not a regular file: " + logs + "/fifo.log"},
        {{logs + "/dangling.log"}, {}, {}, "cannot read " + logs + "/dangling.log: No such file or directory"},
        {{dir + "/empty"}, {}, {}, "no chat log file in " + dir + "/empty"},
        {{""}, {}, {}, "cannot read : No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const LogFileList got = ExpandLogArguments(c.args);
        EXPECT_EQ(got.error, c.error);
        if (!c.error.empty()) continue;
        EXPECT_EQ(got.files, c.files);
        EXPECT_EQ(got.warnings, c.warnings);
    }
    ::close(sock);
}

// Root reads every file: the checks then run in a child that has given up root.
TEST(LogFolder, UnreadableFilesAreSkippedInFoldersAndRefusedByName) {
    TempDir tmp;
    const std::string log = logtest::Block({logtest::Record(0x01, "a")});
    const std::string locked = tmp.Write("locked.log", log);
    const std::string open = tmp.Write("open.log", log);
    ::chmod(locked.c_str(), 0);
    ::chmod(tmp.path().c_str(), 0755);
    ::chmod(open.c_str(), 0644);
    auto check = [&] {
        const LogFileList folder = ExpandLogArguments({tmp.path().string()});
        return folder.files == std::vector<std::string>{open} &&
               folder.warnings == std::vector<std::string>{locked + ": skipped, cannot be read"} &&
               ExpandLogArguments({locked}).error == "cannot read " + locked + ": Permission denied";
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && check() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace chatscope
