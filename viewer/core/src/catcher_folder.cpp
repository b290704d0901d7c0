#include "chatscope/catcher_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "chatscope/paths.h"
#include "fileio/posix_io.h"

namespace chatscope {

namespace {

constexpr std::size_t kRecordBytes = 3088;
constexpr std::size_t kFieldOffset = 1024;
constexpr std::size_t kFieldBytes = 1024;
constexpr std::string_view kExactMarker = "\x1B%G";

}  // namespace

std::string CatcherSettingsPath(const std::string& xdgConfigHome, const std::string& home) {
    const std::string base = XdgBaseFolder(xdgConfigHome, home, ".config");
    return base.empty() ? std::string() : base + "/chatkeeper/chatkeeper.cnf";
}

std::optional<CatcherFolderText> ReadCatcherArchiveFolder(const std::string& settingsFile) {
    const chatlog::fileio::UniqueFd fd(::open(settingsFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size < static_cast<off_t>(kRecordBytes))
        return std::nullopt;
    char raw[kFieldBytes];
    if (chatlog::fileio::ReadFullAt(fd.get(), raw, sizeof raw, kFieldOffset) != static_cast<std::int64_t>(sizeof raw))
        return std::nullopt;
    const std::string_view field(raw, kFieldBytes);
    CatcherFolderText text;
    const std::size_t end = field.find('\0');
    text.shiftJis = std::string(field.substr(0, std::min(end, kFieldBytes - 1)));  // byte 1023 is always NUL
    if (end != std::string_view::npos && field.substr(end + 1).starts_with(kExactMarker)) {
        const std::string_view rest = field.substr(end + 1 + kExactMarker.size());
        const std::size_t exactEnd = rest.find('\0');
        if (exactEnd != std::string_view::npos) text.exact = std::string(rest.substr(0, exactEnd));
    }
    return text;
}

}  // namespace chatscope
