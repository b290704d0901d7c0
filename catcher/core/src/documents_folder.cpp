// The user's documents folder by the user-dirs rule.
#include "chatkeeper/documents_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace chatkeeper {

namespace {

constexpr std::size_t kUserDirsLimit = 64 * 1024;

std::string Trimmed(const std::string& path) {
    std::string result = path;
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

// The value of the last XDG_DOCUMENTS_DIR="..." line, "$HOME" expanded;
// empty when there is none.
std::string DocumentsLine(const std::string& home, std::string_view text) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    std::string found;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.substr(0, kKey.size()) != kKey) continue;
        line.remove_prefix(kKey.size());
        if (line.size() < 2 || line.front() != '"') continue;
        const std::size_t close = line.find('"', 1);
        if (close == std::string_view::npos) continue;
        std::string value;
        for (std::size_t i = 1; i < close; ++i) {
            if (line[i] == '\\' && i + 1 < close) ++i;
            value += line[i];
        }
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) value = home + value.substr(5);
        found = value;
    }
    return found;
}

}  // namespace

std::string DocumentsFolder(const std::string& home, const char* documentsVariable, std::string_view userDirs) {
    const std::string fallback = Trimmed(home) + "/Documents";
    std::string folder = documentsVariable ? std::string(documentsVariable) : std::string();
    if (folder.empty() || folder[0] != '/') folder = DocumentsLine(home, userDirs);
    if (folder.empty() || folder[0] != '/' || Trimmed(folder) == Trimmed(home)) return fallback;
    return Trimmed(folder);
}

std::string UserDocumentsFolder() {
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && *variable) {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        home = user->pw_dir;
    }
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string config = configHome && configHome[0] == '/' ? std::string(configHome) : home + "/.config";
    // Only a regular file is read (never a FIFO), and only its beginning.
    std::string userDirs;
    const int fd = ::open((config + "/user-dirs.dirs").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        userDirs.resize(kUserDirsLimit);
        const ssize_t got = ::read(fd, userDirs.data(), userDirs.size());
        userDirs.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    if (fd >= 0) ::close(fd);
    return DocumentsFolder(home, std::getenv("XDG_DOCUMENTS_DIR"), userDirs);
}

std::string DefaultArchiveFolder() { return UserDocumentsFolder() + "/chatkeeper"; }

}  // namespace chatkeeper
