// Finding the game's log folders in the Wine prefixes of a home folder.
#include "chatkeeper/game_folder_finder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <set>
#include <utility>

#include "fileio/posix_io.h"

namespace chatkeeper {

namespace {

constexpr int kLogFileCount = 20;
constexpr std::int64_t kLogHeaderBytes = 100;
constexpr std::size_t kLibraryLimit = 64;  // Steam libraries looked at
constexpr std::size_t kEntriesPerClockLook = 1024;

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// "0" to "19" followed by ".log": the number, else -1.
int LogFileNumber(const char* name) {
    int number = 0;
    int digits = 0;
    const char* p = name;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) number = number * 10 + (*p - '0');
    if (digits == 0 || digits > 2 || (digits == 2 && name[0] == '0')) return -1;
    if (std::string_view(p) != ".log" || number >= kLogFileCount) return -1;
    return number;
}

bool IsWindowsFolder(std::string_view name) {
    constexpr std::string_view kWindows = "windows";
    if (name.size() != kWindows.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
        if (c != kWindows[i]) return false;
    }
    return true;
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

// A place to look for prefixes: a folder that has a drive_c subfolder is a
// prefix; otherwise its subfolders are looked at, down to `depth` levels.
struct PrefixPlace {
    std::string path;
    int depth;
};

class Finder {
public:
    explicit Finder(const GameFolderSearch& search) : search_(search) {
        if (!search_.nowMs) {
            now_ = [] {
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                    .count();
            };
        } else {
            now_ = search_.nowMs;
        }
        start_ = now_();
    }

    GameFolderSearchResult Run() {
        for (const PrefixPlace& place : Places()) {
            if (Stopped()) break;
            // The folders the setup names are taken as they are, links
            // included (~/.steam/steam usually is one).
            Fd fd(::open(place.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
            if (fd.get() < 0) continue;
            LookForPrefixes(fd.get(), place.path, place.depth);
        }
        std::sort(result_.candidates.begin(), result_.candidates.end(),
                  [](const GameFolderCandidate& a, const GameFolderCandidate& b) {
                      if (a.newestSeconds != b.newestSeconds) return a.newestSeconds > b.newestSeconds;
                      if (a.newestNanoseconds != b.newestNanoseconds) return a.newestNanoseconds > b.newestNanoseconds;
                      return a.path < b.path;
                  });
        return std::move(result_);
    }

private:
    std::vector<PrefixPlace> Places() {
        const std::string& home = search_.home;
        std::vector<PrefixPlace> places;
        if (!search_.winePrefix.empty()) places.push_back({search_.winePrefix, 0});
        if (home.empty()) return places;
        places.push_back({Join(home, ".wine"), 0});

        std::vector<std::string> libraries;
        const auto addLibrary = [&libraries](std::string path) {
            while (path.size() > 1 && path.back() == '/') path.pop_back();
            if (libraries.size() < kLibraryLimit &&
                std::find(libraries.begin(), libraries.end(), path) == libraries.end())
                libraries.push_back(std::move(path));
        };
        for (const char* steam :
             {".local/share/Steam", ".steam/steam", ".var/app/com.valvesoftware.Steam/.local/share/Steam",
              ".var/app/com.valvesoftware.Steam/data/Steam"})
            addLibrary(Join(home, steam));
        // Each library may list further ones; those are not read in turn.
        const std::size_t roots = libraries.size();
        for (std::size_t i = 0; i < roots; ++i) {
            for (std::string& path :
                 SteamLibraryPaths(ReadLibraryList(Join(libraries[i], "steamapps/libraryfolders.vdf"))))
                addLibrary(std::move(path));
        }
        for (const std::string& library : libraries) places.push_back({Join(library, "steamapps/compatdata"), 2});

        places.push_back({Join(home, "Games"), 4});
        places.push_back({Join(home, ".local/share/bottles/bottles"), 1});
        places.push_back({Join(home, ".var/app/com.usebottles.bottles/data/bottles/bottles"), 1});
        places.push_back({Join(home, ".PlayOnLinux/wineprefix"), 1});
        return places;
    }

    // The first libraryListLimit bytes of a regular file; empty otherwise.
    std::string ReadLibraryList(const std::string& path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
        Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
        std::string text(std::min<std::size_t>(search_.libraryListLimit, static_cast<std::size_t>(st.st_size)), '\0');
        const std::int64_t got = chatlog::fileio::ReadFull(fd.get(), text.data(), text.size());
        text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        return text;
    }

    bool Stopped() {
        if (!result_.cutShort &&
            (result_.foldersOpened >= search_.folderLimit || now_() - start_ >= search_.timeLimitMs))
            result_.cutShort = true;
        return result_.cutShort;
    }

    // Counts an opened folder; false when it was seen before or cannot be
    // looked at.
    bool FirstVisit(int fd) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        if (!seen_.emplace(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)).second)
            return false;
        ++result_.foldersOpened;
        return true;
    }

    // A subfolder, never through a link; -1 when it is no folder.
    static int OpenSubfolder(int parent, const char* name) {
        return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    }

    // The subfolder names of an open folder (the folder's descriptor is
    // taken over and closed). Stops reading early once the search is over.
    std::vector<std::string> Subfolders(int fd, std::vector<int>* logNumbers = nullptr,
                                        std::vector<std::string>* logNames = nullptr) {
        std::vector<std::string> names;
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return names;
        }
        std::size_t entries = 0;
        while (const dirent* entry = ::readdir(dir)) {
            if (++entries % kEntriesPerClockLook == 0 && Stopped()) break;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
            }
            if (type == DT_DIR) {
                names.emplace_back(name);
            } else if (type == DT_REG && logNames) {
                const int number = LogFileNumber(name);
                if (number >= 0) {
                    logNames->emplace_back(name);
                    logNumbers->push_back(number);
                }
            }
        }
        ::closedir(dir);
        return names;
    }

    void LookForPrefixes(int fd, const std::string& path, int depth) {
        if (Stopped() || !FirstVisit(fd)) return;
        Fd driveC(OpenSubfolder(fd, "drive_c"));
        if (driveC.get() >= 0) {
            SearchFolder(driveC.release(), Join(path, "drive_c"), 0);
            return;
        }
        if (depth <= 0) return;
        const int listFd = ::dup(fd);
        if (listFd < 0) return;
        for (const std::string& name : Subfolders(listFd)) {
            if (Stopped()) return;
            Fd child(OpenSubfolder(fd, name.c_str()));
            if (child.get() >= 0) LookForPrefixes(child.get(), Join(path, name), depth - 1);
        }
    }

    // Searches one folder below drive_c (level 0) and its subfolders; takes
    // over fd.
    void SearchFolder(int fd, const std::string& path, int level) {
        Fd folder(fd);
        if (Stopped() || !FirstVisit(folder.get())) return;
        const int listFd = ::dup(folder.get());
        if (listFd < 0) return;
        std::vector<int> numbers;
        std::vector<std::string> logNames;
        std::vector<std::string> subfolders = Subfolders(listFd, &numbers, &logNames);

        GameFolderCandidate candidate;
        bool isGameFolder = false;
        for (const std::string& name : logNames) {
            timespec written{};
            if (!IsGameLogFile(folder.get(), name.c_str(), &written)) continue;
            if (!isGameFolder || written.tv_sec > candidate.newestSeconds ||
                (written.tv_sec == candidate.newestSeconds && written.tv_nsec > candidate.newestNanoseconds)) {
                candidate.newestSeconds = written.tv_sec;
                candidate.newestNanoseconds = written.tv_nsec;
            }
            isGameFolder = true;
        }
        if (isGameFolder) {
            candidate.path = path;
            result_.candidates.push_back(std::move(candidate));
        }

        if (level >= search_.depthLimit) return;
        std::sort(subfolders.begin(), subfolders.end());
        for (const std::string& name : subfolders) {
            if (Stopped()) return;
            if (level == 0 && IsWindowsFolder(name)) continue;
            const int child = OpenSubfolder(folder.get(), name.c_str());
            if (child >= 0) SearchFolder(child, Join(path, name), level + 1);
        }
    }

    // A regular file (never a link, a FIFO or a device) of at least 100
    // bytes whose first 16-bit word is 0.
    static bool IsGameLogFile(int folder, const char* name, timespec* written) {
        struct stat st {};
        if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
        if (st.st_size < kLogHeaderBytes) return false;
        Fd fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < kLogHeaderBytes)
            return false;
        std::array<unsigned char, 2> word{};
        ssize_t got;
        do {
            got = ::pread(fd.get(), word.data(), word.size(), 0);
        } while (got < 0 && errno == EINTR);
        if (got != static_cast<ssize_t>(word.size()) || word[0] != 0 || word[1] != 0) return false;
        *written = st.st_mtim;
        return true;
    }

    const GameFolderSearch& search_;
    std::function<std::int64_t()> now_;
    std::int64_t start_ = 0;
    GameFolderSearchResult result_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
};

}  // namespace

std::vector<std::string> SteamLibraryPaths(std::string_view vdf) {
    // Quoted strings with backslash escapes, as key and value pairs; a key
    // followed by "{" opens a block. Anything else only separates them.
    std::vector<std::string> paths;
    std::string key;
    bool haveKey = false;
    std::size_t i = 0;
    while (i < vdf.size()) {
        const char c = vdf[i];
        if (c != '"') {
            if (c == '{' || c == '}') haveKey = false;
            ++i;
            continue;
        }
        std::string text;
        bool closed = false;
        for (++i; i < vdf.size(); ++i) {
            if (vdf[i] == '\\' && i + 1 < vdf.size()) {
                text += vdf[++i];
            } else if (vdf[i] == '"') {
                closed = true;
                ++i;
                break;
            } else {
                text += vdf[i];
            }
        }
        if (!closed) break;  // cut short: what came before stands
        if (!haveKey) {
            key = std::move(text);
            haveKey = true;
            continue;
        }
        if (key == "path" && !text.empty() && text[0] == '/') paths.push_back(std::move(text));
        haveKey = false;
    }
    return paths;
}

GameFolderSearchResult FindGameFolders(const GameFolderSearch& search) { return Finder(search).Run(); }

GameFolderSearch GameFolderSearchForUser() {
    GameFolderSearch search;
    const char* home = std::getenv("HOME");
    if (home && *home) {
        search.home = home;
    } else if (const passwd* user = ::getpwuid(::getuid())) {
        if (user->pw_dir) search.home = user->pw_dir;
    }
    if (const char* prefix = std::getenv("WINEPREFIX")) search.winePrefix = prefix;
    return search;
}

}  // namespace chatkeeper
