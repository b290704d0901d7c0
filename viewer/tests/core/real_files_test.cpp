// The loads and saves against the real file system: descriptors, permission
// bits, write errors, entries planted at a temporary name, special files.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "capture_sink.h"
#include "chatscope/filter_file.h"
#include "chatscope/html_export.h"
#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "chatscope/viewer_settings.h"
#include "log_builder.h"
#include "test_support/file_limit.h"

namespace chatscope {
namespace {

namespace fs = std::filesystem;

using testsupport::ReadAll;

using testsupport::ListNames;
using testsupport::ModeOf;
using testsupport::OpenDescriptors;

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

private:
    mode_t old_;
};

struct Viewer {
    ViewerSettings settings;
    UserList users;
};

// Each save: where it writes, what an old file holds, how small a file-size
// limit makes it fail, and whether it may create a missing file.
struct Saver {
    const char* name;
    std::string file;
    std::string old;
    rlim_t failingLimit;
    bool createsFile;
    std::function<bool(const std::string&)> save;
};

class RealFiles : public ::testing::Test {
protected:
    RealFiles() {
        log_ = dir_.Write("a.log", logtest::Block({logtest::Record(1, "Alice : hi"), logtest::Record(2, "Bob")}));
        v_.settings.SetRgb(1, 2, 3);
        v_.users.Append({"Alice", 1, true});
    }

    std::vector<Saver> Savers() {
        const std::string longName = std::string(250, 'x') + ".html";  // 255 bytes, the most a name may have
        return {
            {"settings", Path("chatscope.cnf"), std::string(8, '\x7F'), 4, true,
             [this](const std::string& p) { return SaveViewerSettings(p, v_.settings); }},
            {"filter", Path("chatscope.flt"), std::string(200, '#') + "\r\n0,1,Alice\r\n", 100, false,
             [this](const std::string& p) { return SaveUserFilters(p, v_.users); }},
            {"export", Path("out.html"), "previous export", 64, true,
             [this](const std::string& p) {
                 return ExportHtml(p, log_, v_.settings, v_.users) == ExportResult::Written;
             }},
            {"export, longest name", Path(longName), "previous export", 64, true,
             [this](const std::string& p) {
                 return ExportHtml(p, log_, v_.settings, v_.users) == ExportResult::Written;
             }},
        };
    }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    logtest::TempDir dir_;
    std::string log_;
    Viewer v_;
};

TEST_F(RealFiles, SavesKeepModesLeakNothingAndReportWriteErrors) {
    ScopedUmask umask(022);
    for (const Saver& s : Savers()) {
        SCOPED_TRACE(s.name);
        const int fds = OpenDescriptors();
        if (s.createsFile) {
            fs::remove(s.file);
            ASSERT_TRUE(s.save(s.file));
            EXPECT_EQ(ModeOf(s.file), 0644u);
            EXPECT_EQ(OpenDescriptors(), fds);
        }
        // A replaced file keeps its own permission bits.
        dir_.Write(fs::path(s.file).filename().string(), s.old);
        ASSERT_EQ(::chmod(s.file.c_str(), 0600), 0);
        ASSERT_TRUE(s.save(s.file));
        EXPECT_EQ(ModeOf(s.file), 0600u);
        const std::string saved = ReadAll(s.file);
        EXPECT_NE(saved, s.old);
        EXPECT_EQ(OpenDescriptors(), fds);

        // A real write error (EFBIG, SIGXFSZ ignored) is a failure: the old file
        // stays whole and no temporary file is left.
        const auto before = ListNames(dir_.path());
        dir_.Write(fs::path(s.file).filename().string(), s.old);
        {
            testsupport::FileSizeLimit limit(s.failingLimit);
            EXPECT_FALSE(s.save(s.file));
        }
        EXPECT_EQ(ReadAll(s.file), s.old);
        EXPECT_EQ(ListNames(dir_.path()), before);
        EXPECT_EQ(OpenDescriptors(), fds);
        fs::remove(s.file);
    }
}

TEST_F(RealFiles, LoadsAndPassesLeakNoDescriptor) {
    const std::string cnf = dir_.Write("s.cnf", std::string(8, '\x10'));
    const std::string flt = dir_.Write("s.flt", "1,5,Bob\r\n");
    const int fds = OpenDescriptors();
    Viewer v;
    logtest::CaptureSink sink;
    EXPECT_TRUE(LoadViewerSettings(cnf, v.settings));
    EXPECT_TRUE(LoadUserFilters(flt, v.users));
    EXPECT_TRUE(CheckLogHeader(log_));
    EXPECT_EQ(ReadLog(log_, &sink, {v.settings.filterWord(), v.users}).allLines, 2);
    EXPECT_FALSE(CheckLogHeader(cnf));
    EXPECT_EQ(OpenDescriptors(), fds);
}

// The filter file is replaced through its own temporary name: whatever has
// that name is removed first, a link is never followed, so its target stays
// as it was. (Every other kind of entry at a temporary name is a case of the
// shared replacement's test.)
TEST_F(RealFiles, EntriesPlantedAtTheFilterTemporaryNameAreRemovedNotFollowed) {
    const std::string victim = dir_.Write("victim.txt", "precious");
    const std::string flt = Path("chatscope.flt");
    const std::string tmp = Path("chatscope.tmp");
    const struct {
        const char* name;
        std::function<void()> plant;
        bool saved;
    } rows[] = {
        {"link to a file", [&] { fs::create_symlink(victim, tmp); }, true},
        {"stale file", [&] { dir_.Write("chatscope.tmp", "stale"); }, true},
        {"folder", [&] { fs::create_directory(tmp); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dir_.Write("chatscope.flt", "0,1,Alice\r\n");
        row.plant();
        EXPECT_EQ(SaveUserFilters(flt, v_.users), row.saved);
        EXPECT_EQ(ReadAll(victim), "precious");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(flt)));
        EXPECT_EQ(ReadAll(flt), row.saved ? "1,1,Alice\r\n" : "0,1,Alice\r\n");
        EXPECT_EQ(fs::exists(fs::symlink_status(tmp)), !row.saved);
        fs::remove_all(tmp);
    }
}

// A FIFO, device, socket or folder where a log, settings or filter file is
// expected: refused at once, unread, and never written over.
TEST_F(RealFiles, SpecialFilesAreRefusedWithoutBlockingAndNeverReplaced) {
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string fifoLink = Path("fifo-link");
    fs::create_symlink(fifo, fifoLink);
    const std::string folder = Path("folder");
    fs::create_directory(folder);
    const std::string socketPath = Path("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    const struct {
        std::string path;
        bool mayWrite;  // devices outside the test folder are only read
    } rows[] = {{fifo, true}, {fifoLink, true}, {folder, true}, {socketPath, true}, {"/dev/zero", false}};
    const int fds = OpenDescriptors();
    ::alarm(30);  // a read that blocks, or never ends, kills the test instead of hanging it
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const auto type = fs::symlink_status(row.path).type();
        Viewer v;
        v.settings.SetRgb(9, 9, 9);
        EXPECT_EQ(LoadViewerSettings(row.path, v.settings).state, FileState::NotARegularFile);
        EXPECT_EQ(v.settings.red(), 9);
        EXPECT_EQ(LoadUserFilters(row.path, v.users).state, FileState::NotARegularFile);
        EXPECT_EQ(v.users.size(), 0u);
        logtest::CaptureSink sink;
        EXPECT_FALSE(CheckLogHeader(row.path));
        const PassResult pass = ReadLog(row.path, &sink, {v.settings.filterWord(), v.users});
        EXPECT_EQ(pass.allLines, 0);
        EXPECT_FALSE(pass.opened);
        if (row.mayWrite) {
            EXPECT_FALSE(SaveViewerSettings(row.path, v.settings));
            EXPECT_FALSE(SaveUserFilters(row.path, v.users));
            EXPECT_EQ(fs::symlink_status(row.path).type(), type);
        }
    }
    ::alarm(0);
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_EQ(ListNames(dir_.path()), (std::vector<std::string>{"a.log", "fifo", "fifo-link", "folder", "socket"}));
    ::close(sock);
}

}  // namespace
}  // namespace chatscope
