// The viewer window (offscreen) ended by a signal, as a desktop session ends it
// at logout: it closes as its main window does and writes both settings files.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "log_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testsupport::ReadAll;

// True once the process has its own handler for `sig`.
bool Catches(pid_t pid, int sig) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
        return (mask >> (sig - 1)) & 1u;
    }
    return false;
}

// The exit status, or -1 when the process is still running after `limit`
// (it is killed then).
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int ws = 0;
    while (::waitpid(pid, &ws, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &ws, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
}

// Each signal with a file to open at start: a chat log, and two that are not
// regular files, which the window refuses without blocking (or it could not
// act on the signal).
TEST(SessionEnd, SignalsEndTheWindowAsClosingItDoesAndSaveTheSettings) {
    const struct {
        int sig;
        std::string file;
    } rows[] = {{SIGTERM, CHATSCOPE_SAMPLE}, {SIGHUP, "fifo"}, {SIGINT, "/dev/zero"}};
    for (const auto& row : rows) {
        const int sig = row.sig;
        SCOPED_TRACE(row.file);
        logtest::TempDir dir;
        // The settings live beside the executable when its folder is writable.
        const fs::path viewer = dir.path() / "chatscope";
        std::error_code ec;
        fs::create_hard_link(CHATSCOPE_BIN, viewer, ec);
        if (ec) fs::copy_file(CHATSCOPE_BIN, viewer);
        fs::create_symlink(CHATSCOPE_WINDOW_MODULE, dir.path() / "chatscope-window.so");  // the windows
        dir.Write("chatscope.cnf", std::string("\x10\x20\x30\x00\x01\x00\x00\x00overlong", 16));
        dir.Write("chatscope.flt", "5,200,Foo Bar\n  note  \n");
        const std::string file = row.file == "fifo" ? (dir.path() / "fifo").string() : row.file;
        ASSERT_TRUE(row.file != "fifo" || ::mkfifo(file.c_str(), 0600) == 0);

        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execl(viewer.c_str(), viewer.c_str(), file.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!Catches(pid, sig) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
        ::kill(pid, sig);
        EXPECT_EQ(WaitFor(pid, 20s), 0);
        // Both files written as at a normal exit: 8 bytes, and the filter file normalised.
        EXPECT_EQ(ReadAll(dir.path() / "chatscope.cnf"), std::string("\x10\x20\x30\x00\x01\x00\x00\x00", 8));
        EXPECT_EQ(ReadAll(dir.path() / "chatscope.flt"), "1,200,Foo\r\nnote\r\n");
    }
}

}  // namespace
