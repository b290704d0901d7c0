// The chat log files behind LOG arguments: files, and folders of archives.
#include "chatscope/log_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "chatscope/log_format.h"
#include "fileio/posix_io.h"

namespace chatscope {
namespace {

enum class Probe { ChatLog, NotRegular, Unreadable, NotChatLog };

// Looks at `name` in the folder `dirFd` (AT_FDCWD: a path). The type is
// checked before anything is opened, so a FIFO, device or socket is never
// opened; the open itself does not block, in case the entry changed meanwhile.
Probe ProbeEntry(int dirFd, const char* name) {
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return errno == ENOENT || errno == ELOOP ? Probe::NotRegular : Probe::Unreadable;
    if (!S_ISREG(st.st_mode)) return Probe::NotRegular;
    const chatlog::fileio::UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return Probe::Unreadable;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return Probe::NotRegular;
    unsigned char raw[kBlockHeaderBytes];
    const std::int64_t got = chatlog::fileio::ReadFull(fd.get(), raw, sizeof raw);
    return got == static_cast<std::int64_t>(sizeof raw) && raw[0] == 0 && raw[1] == 0 ? Probe::ChatLog
                                                                                      : Probe::NotChatLog;
}

const char* ReasonText(Probe p) {
    switch (p) {
    case Probe::NotRegular: return "not a regular file";
    case Probe::Unreadable: return "cannot be read";
    case Probe::NotChatLog: return "not a chat log file";
    case Probe::ChatLog: break;
    }
    return "";
}

bool EndsWithLog(const std::string& name) { return name.size() >= 4 && name.compare(name.size() - 4, 4, ".log") == 0; }

// "DIR/NAME" with one slash between, DIR as given.
std::string JoinName(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace

bool HasChatLogHeader(const std::string& path) {
    return !path.empty() && ProbeEntry(AT_FDCWD, path.c_str()) == Probe::ChatLog;
}

bool ListChatLogFolder(const std::string& folder, std::vector<std::string>& names, std::vector<SkippedEntry>* skipped) {
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    std::vector<std::string> entries;
    int listError = 0;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            listError = errno;
            break;
        }
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) entries.emplace_back(e->d_name);
    }
    // std::string compares as unsigned bytes: for archive names, date order.
    std::sort(entries.begin(), entries.end());
    for (const std::string& name : entries) {
        const Probe p = ProbeEntry(::dirfd(dir), name.c_str());
        if (p == Probe::ChatLog)
            names.push_back(name);
        else if (skipped && EndsWithLog(name))
            skipped->push_back({name, ReasonText(p)});
    }
    ::closedir(dir);
    errno = listError;
    return listError == 0;
}

LogFileList ExpandLogArguments(const std::vector<std::string>& args) {
    LogFileList list;
    for (const std::string& arg : args) {
        struct stat st;
        if (arg.empty() || ::stat(arg.c_str(), &st) != 0) {
            list.error = "cannot read " + arg + ": " + std::strerror(arg.empty() ? ENOENT : errno);
            return list;
        }
        if (!S_ISDIR(st.st_mode)) {
            const Probe p = ProbeEntry(AT_FDCWD, arg.c_str());
            if (p != Probe::ChatLog) {
                list.error = p == Probe::Unreadable ? "cannot read " + arg + ": " + std::strerror(errno)
                                                    : std::string(ReasonText(p)) + ": " + arg;
                return list;
            }
            list.files.push_back(arg);
            continue;
        }
        std::vector<std::string> names;
        std::vector<SkippedEntry> skipped;
        if (!ListChatLogFolder(arg, names, &skipped)) {
            list.error = "cannot read folder " + arg + ": " + std::strerror(errno);
            return list;
        }
        for (const SkippedEntry& s : skipped) list.warnings.push_back(JoinName(arg, s.name) + ": skipped, " + s.reason);
        if (names.empty()) {
            list.error = "no chat log file in " + arg;
            return list;
        }
        for (const std::string& name : names) list.files.push_back(JoinName(arg, name));
    }
    return list;
}

}  // namespace chatscope
