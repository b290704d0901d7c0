// The viewer's state file: what loads is the last "follow=" line, the folder of
// the last "library=" line (none when it is no absolute path), and the first
// eight distinct entries in file order (an absolute path, and the "+" lines
// right after it as further files of its set); saving that and loading again
// gives the same state.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chatscope/user_state.h"
#include "fuzz_files.h"

using namespace chatscope;
using fuzzfiles::Fail;

namespace {

bool Plain(std::string_view path) {
    return path.starts_with('/') && path.find_first_of(std::string_view("\r\0", 2)) == path.npos;
}

UserState Reference(std::string_view file) {
    UserState state;
    std::vector<std::string> entries;
    bool setMayGoOn = false;
    while (!file.empty()) {
        const std::size_t lf = file.find('\n');
        std::string_view line = file.substr(0, lf);
        file.remove_prefix(lf == std::string_view::npos ? file.size() : lf + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const bool further = setMayGoOn && line.starts_with('+') && Plain(line.substr(1));
        setMayGoOn = further || Plain(line);
        if (line.starts_with("follow=")) {
            state.follow = line == "follow=1";
        } else if (line.starts_with("library=")) {
            const std::string_view folder = line.substr(8);
            state.libraryFolder = Plain(folder) ? std::string(folder) : "";
        } else if (further) {
            entries.back().append("\n").append(line.substr(1));
        } else if (Plain(line)) {
            entries.emplace_back(line);
        }
    }
    for (const std::string& entry : entries)
        if (std::find(state.recentFiles.begin(), state.recentFiles.end(), entry) == state.recentFiles.end() &&
            state.recentFiles.size() < kMaxRecentFiles)
            state.recentFiles.push_back(entry);
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 60000) return 0;  // state files of more are not read whole
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzfiles::Here() / "chatscope.recent";
    fuzzfiles::Write(path, file);

    const UserState loaded = LoadUserState(path);
    if (loaded != Reference(file)) Fail("state loaded");
    if (!SaveUserState(path, loaded)) Fail("save");
    if (LoadUserState(path) != loaded) Fail("round trip");

    // Opening a file again puts it first, once, within the limit.
    UserState opened = loaded;
    const std::string again = file.size() % 2 && !loaded.recentFiles.empty() ? loaded.recentFiles.back() : "/x";
    AddRecentFile(opened, again);
    if (opened.recentFiles.front() != again || opened.recentFiles.size() > kMaxRecentFiles ||
        std::count(opened.recentFiles.begin(), opened.recentFiles.end(), again) != 1)
        Fail("recent file added");
    return 0;
}
