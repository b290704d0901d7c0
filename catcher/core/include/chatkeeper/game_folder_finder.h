// Finding the game's log folders inside the Wine prefixes of a Linux home
// folder: Wine itself, Steam's Proton prefixes, Lutris, Heroic, Bottles and
// PlayOnLinux.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace chatkeeper {

// A folder that holds at least one game log file (0.log to 19.log, a regular
// file of at least 100 bytes whose first 16-bit word is 0).
struct GameFolderCandidate {
    std::string path;
    // Last-write time of its newest game log file.
    std::int64_t newestSeconds = 0;
    std::int64_t newestNanoseconds = 0;
};

struct GameFolderSearch {
    std::string home;        // the home folder
    std::string winePrefix;  // $WINEPREFIX; empty when unset
    // A monotonic clock in milliseconds; empty: the system's steady clock.
    std::function<std::int64_t()> nowMs;
    std::int64_t timeLimitMs = 2000;
    std::size_t folderLimit = 200000;        // folders opened, over the whole search
    int depthLimit = 10;                     // folders below a prefix's drive_c
    std::size_t libraryListLimit = 1 << 20;  // bytes of a libraryfolders.vdf read
};

struct GameFolderSearchResult {
    // Newest first (by their newest game log file), then by path.
    std::vector<GameFolderCandidate> candidates;
    std::size_t foldersOpened = 0;
    bool cutShort = false;  // the time or folder limit ended the search
};

// Looks in $WINEPREFIX and ~/.wine; in steamapps/compatdata/*/pfx of every
// Steam library (~/.steam/steam, ~/.local/share/Steam, the Flatpak Steam, and
// the "path" entries of their steamapps/libraryfolders.vdf); in the prefixes
// under ~/Games (Lutris, Heroic), of Bottles (also its Flatpak) and of
// PlayOnLinux. The folders named here are opened as the setup names them, so
// that ~/.steam/steam may be the usual link; from there on no symbolic link
// is followed, only each prefix's drive_c is searched (without
// drive_c/windows), no folder is opened twice (device and inode), no FIFO or
// device is opened, and unreadable folders are skipped.
GameFolderSearchResult FindGameFolders(const GameFolderSearch& search);

// The search for the running user: $HOME (or the password database's home
// folder) and $WINEPREFIX, with the default limits.
GameFolderSearch GameFolderSearchForUser();

// The "path" values of a libraryfolders.vdf text, in order; only absolute
// paths. Malformed text gives what could be read up to the fault.
std::vector<std::string> SteamLibraryPaths(std::string_view vdf);

}  // namespace chatkeeper
