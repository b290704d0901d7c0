#include "chatscope/user_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "chatscope/paths.h"
#include "chatscope/regular_file.h"
#include "fileio/atomic_replace.h"

namespace chatscope {

namespace {

constexpr std::string_view kFollowKey = "follow=";
constexpr std::string_view kLibraryKey = "library=";
// A further file of a set, on the line after the one before it.
constexpr char kSetFileMark = '+';
// A state file is a few hundred bytes, a few MB with sets of thousands of
// files; anything far larger is not ours.
constexpr std::size_t kMaxStateBytes = 16 << 20;

bool StorablePath(std::string_view path) {
    return !path.empty() && path.front() == '/' && path.find_first_of("\r\n", 0) == std::string::npos &&
           path.find('\0') == std::string::npos;
}

bool Storable(const std::string& entry) {
    for (const std::string& file : RecentEntryFiles(entry))
        if (!StorablePath(file)) return false;
    return true;
}

// The whole file, or nothing when it is no regular file or cannot be read.
std::string ReadSmallFile(const std::string& path) {
    const chatlog::fileio::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) return {};
    std::string bytes;
    struct stat st;
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[4096];
        for (;;) {
            const std::int64_t n = chatlog::fileio::ReadSome(fd.get(), buf, sizeof buf);
            if (n <= 0 || bytes.size() > kMaxStateBytes) break;
            bytes.append(buf, static_cast<std::size_t>(n));
        }
    }
    return bytes;
}

}  // namespace

std::string RecentEntry(const std::vector<std::string>& files) {
    std::string entry;
    for (const std::string& file : files) {
        if (!entry.empty()) entry += '\n';
        entry += file;
    }
    return entry;
}

std::vector<std::string> RecentEntryFiles(const std::string& entry) {
    std::vector<std::string> files;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = entry.find('\n', start);
        files.push_back(entry.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return files;
        start = end + 1;
    }
}

void AddRecentFile(UserState& state, const std::string& path) {
    if (!Storable(path)) return;
    RemoveRecentFile(state, path);
    state.recentFiles.insert(state.recentFiles.begin(), path);
    if (state.recentFiles.size() > kMaxRecentFiles) state.recentFiles.resize(kMaxRecentFiles);
}

void RemoveRecentFile(UserState& state, const std::string& path) { std::erase(state.recentFiles, path); }

std::string UserStatePathFor(const std::string& settingsFile) { return ReplaceExtension(settingsFile, ".recent"); }

UserState LoadUserState(const std::string& path) {
    UserState state;
    const std::string bytes = ReadSmallFile(path);
    std::size_t start = 0;
    std::vector<std::string> files;
    bool afterEntry = false;  // the line before was an entry's: a set may go on
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool setFile = afterEntry && line.size() > 1 && line.front() == kSetFileMark;
        afterEntry = false;
        if (line.starts_with(kFollowKey)) {
            state.follow = line.substr(kFollowKey.size()) == "1";
        } else if (line.starts_with(kLibraryKey)) {
            const std::string_view folder = std::string_view(line).substr(kLibraryKey.size());
            state.libraryFolder = StorablePath(folder) ? std::string(folder) : std::string();
        } else if (setFile && StorablePath(std::string_view(line).substr(1))) {
            files.back() += '\n';
            files.back().append(line, 1);
            afterEntry = true;
        } else if (StorablePath(line)) {
            files.push_back(std::move(line));
            afterEntry = true;
        }
    }
    // Oldest first, so the newest ends in front and duplicates keep their newest place.
    for (auto it = files.rbegin(); it != files.rend(); ++it) AddRecentFile(state, *it);
    return state;
}

bool SaveUserState(const std::string& path, const UserState& state) {
    std::string bytes = std::string(kFollowKey) + (state.follow ? "1" : "0") + "\n";
    if (StorablePath(state.libraryFolder)) bytes += std::string(kLibraryKey) + state.libraryFolder + "\n";
    for (const std::string& file : state.recentFiles) {
        if (!Storable(file)) continue;
        for (char c : file) {
            bytes += c;
            if (c == '\n') bytes += kSetFileMark;
        }
        bytes += '\n';
    }
    const std::string target = chatlog::fileio::ReplacementTarget(path);
    if (IsSpecialFile(target)) return false;  // a device or FIFO is never replaced
    return chatlog::fileio::ReplaceFile(target, bytes);
}

}  // namespace chatscope
