// The game log folder finder over a fake home folder: every kind of prefix,
// links, a loop, files that only look like game log files, and the bounds.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "chatkeeper/documents_folder.h"
#include "chatkeeper/game_folder_finder.h"
#include "test_support.h"

namespace chatkeeper {
namespace {

using test::TempDir;
using test::WriteFileBytes;

enum class Log { Valid, Text, Short, Fifo, Numbered20, LinkToValid };

struct Place {
    const char* what;
    const char* folder;  // below the home folder
    Log log;
    const char* logName;
    bool found;
};

// Found folders get distinct ages: the later in this table, the newer.
const Place kPlaces[] = {
    {"~/.wine", ".wine/drive_c/Program Files/Tarq/log", Log::Valid, "0.log", true},
    {"$WINEPREFIX", "custom/drive_c/Tarq", Log::Valid, "19.log", true},
    {"Steam", ".local/share/Steam/steamapps/compatdata/111/pfx/drive_c/users/steamuser/Tarq", Log::Valid, "5.log",
     true},
    {"Flatpak Steam", ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/222/pfx/drive_c/T",
     Log::Valid, "7.log", true},
    {"library listed in libraryfolders.vdf", "lib/steamapps/compatdata/333/pfx/drive_c/T", Log::Valid, "1.log", true},
    {"Lutris", "Games/tarq/drive_c/T", Log::Valid, "2.log", true},
    {"Heroic", "Games/Heroic/Prefixes/default/Tarq/drive_c/T", Log::Valid, "3.log", true},
    {"Bottles", ".local/share/bottles/bottles/Tarq/drive_c/T", Log::Valid, "4.log", true},
    {"Flatpak Bottles", ".var/app/com.usebottles.bottles/data/bottles/bottles/T/drive_c/T", Log::Valid, "6.log", true},
    {"PlayOnLinux", ".PlayOnLinux/wineprefix/Tarq/drive_c/T", Log::Valid, "8.log", true},
    {"ten folders deep", ".wine/drive_c/1/2/3/4/5/6/7/8/9/10", Log::Valid, "9.log", true},
    {"a name that is not UTF-8", ".wine/drive_c/\xff\xfe", Log::Valid, "0.log", true},
    {"eleven folders deep", ".wine/drive_c/1/2/3/4/5/6/7/8/9/10/11", Log::Valid, "0.log", false},
    {"drive_c/windows", ".wine/drive_c/windows/T", Log::Valid, "0.log", false},
    {"drive_c/WINDOWS", ".wine/drive_c/WINDOWS/T", Log::Valid, "0.log", false},
    {"a name as long as windows", ".wine/drive_c/Windoze", Log::Valid, "0.log", true},
    {"a text file named 0.log", ".wine/drive_c/notes", Log::Text, "0.log", false},
    {"a 0.log under 100 bytes", ".wine/drive_c/short", Log::Short, "0.log", false},
    {"a FIFO named 3.log", ".wine/drive_c/fifo", Log::Fifo, "3.log", false},
    {"20.log", ".wine/drive_c/twenty", Log::Numbered20, "20.log", false},
    {"00.log", ".wine/drive_c/zeros", Log::Valid, "00.log", false},
    {"a link to a game log file", ".wine/drive_c/linked", Log::LinkToValid, "0.log", false},
    {"outside any prefix", "Documents/Tarq", Log::Valid, "0.log", false},
    {"beside drive_c", ".wine/dosdevices/c:/T", Log::Valid, "0.log", false},
    {"a bottle two folders down", ".local/share/bottles/bottles/a/b/drive_c/T", Log::Valid, "0.log", false},
    {"a file among the bottles", ".local/share/bottles/bottles", Log::Valid, "1.log", false},
};

void MakeFolders(const std::string& path) { std::filesystem::create_directories(path); }

class FakeHome {
public:
    FakeHome() {
        std::int64_t age = 1'700'000'000;
        for (const Place& place : kPlaces) {
            const std::string folder = home_ / place.folder;
            MakeFolders(folder);
            const std::string log = folder + "/" + place.logName;
            switch (place.log) {
            case Log::Valid:
            case Log::Numbered20: WriteFileBytes(log, std::string(100, '\0') + "log"); break;
            case Log::Text: WriteFileBytes(log, std::string(200, 'x')); break;
            case Log::Short: WriteFileBytes(log, std::string(99, '\0')); break;
            case Log::Fifo: ::mkfifo(log.c_str(), 0600); break;
            case Log::LinkToValid: ::symlink((home_ / kPlaces[0].folder + "/0.log").c_str(), log.c_str()); break;
            }
            if (place.found) test::SetMtime(log, age += 100);
        }
        // ~/.steam/steam is the usual link to the Steam folder; links inside
        // a prefix lead to / and to the home folder; a loop.
        MakeFolders(home_ / ".steam");
        ::symlink((home_ / ".local/share/Steam").c_str(), (home_ / ".steam/steam").c_str());
        ::symlink("/", (home_ / ".wine/dosdevices/z:").c_str());
        MakeFolders(home_ / ".wine/drive_c/users/me");
        ::symlink(home_.path().c_str(), (home_ / ".wine/drive_c/users/me/Documents").c_str());
        ::symlink("..", (home_ / ".wine/drive_c/1/loop").c_str());
        ::symlink((home_ / "Documents").c_str(), (home_ / "Games/linked").c_str());
        ::symlink("/", (home_ / "Games/root").c_str());
        WriteFileBytes(home_ / ".local/share/Steam/steamapps/libraryfolders.vdf",
                       "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + home_ / ".local/share/Steam" +
                           "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + home_ / "lib" +
                           "\"\n\t}\n\t\"2\" { \"path\" \"/nonexistent/library\" }\n}\n");
        // Unreadable: skipped, silently.
        MakeFolders(home_ / ".wine/drive_c/locked");
        ::chmod((home_ / ".wine/drive_c/locked").c_str(), 0);
    }
    ~FakeHome() { ::chmod((home_ / ".wine/drive_c/locked").c_str(), 0700); }

    GameFolderSearch Search() const {
        GameFolderSearch search;
        search.home = home_.path();
        search.winePrefix = home_ / "custom";
        return search;
    }
    std::string operator/(const std::string& name) const { return home_ / name; }

private:
    TempDir home_;
};

std::vector<std::string> Paths(const GameFolderSearchResult& result) {
    std::vector<std::string> paths;
    for (const GameFolderCandidate& candidate : result.candidates) paths.push_back(candidate.path);
    return paths;
}

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(GameFolderFinder, FindsEachKindOfPrefixNewestFirstAndNothingElse) {
    const FakeHome home;
    const std::size_t descriptors = OpenDescriptors();
    const GameFolderSearchResult result = FindGameFolders(home.Search());
    EXPECT_FALSE(result.cutShort);
    EXPECT_EQ(OpenDescriptors(), descriptors);  // every folder and file it opened is closed again

    std::vector<std::string> expected;
    for (const Place& place : kPlaces)
        if (place.found) expected.insert(expected.begin(), home / place.folder);
    EXPECT_EQ(Paths(result), expected);
    ASSERT_FALSE(result.candidates.empty());
    EXPECT_EQ(result.candidates.front().newestSeconds, 1'700'000'000 + 100 * static_cast<int>(expected.size()));

    // No folder is opened twice: with $WINEPREFIX naming ~/.wine, the
    // search opens three folders fewer (custom, its drive_c and Tarq).
    GameFolderSearch again = home.Search();
    again.winePrefix = home / ".wine";
    const GameFolderSearchResult twice = FindGameFolders(again);
    std::erase(expected, home / "custom/drive_c/Tarq");
    EXPECT_EQ(Paths(twice), expected);
    EXPECT_EQ(twice.foldersOpened, result.foldersOpened - 3);

    // Equally new folders come in the order of their paths.
    const std::string lutris = home / "Games/tarq/drive_c/T",
                      heroic = home / "Games/Heroic/Prefixes/default/Tarq/drive_c/T";
    test::SetMtime(lutris + "/2.log", 1'600'000'000);
    test::SetMtime(heroic + "/3.log", 1'600'000'000);
    const std::vector<std::string> tied = Paths(FindGameFolders(home.Search()));
    ASSERT_GE(tied.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(tied.end() - 2, tied.end()), (std::vector<std::string>{heroic, lutris}));
}

TEST(GameFolderFinder, StopsAtItsBoundsWithWhatItFound) {
    const FakeHome home;
    // A compatdata of 2,000 folders before any other Steam library.
    for (int i = 0; i < 2000; ++i)
        ::mkdir((home / (".local/share/Steam/steamapps/compatdata/9" + std::to_string(i))).c_str(), 0700);
    ASSERT_GT(FindGameFolders(home.Search()).foldersOpened, 2000u);

    struct Bound {
        const char* what;
        std::size_t folderLimit;
        std::int64_t timeLimitMs;
        std::size_t opened;  // at most
    };
    for (const Bound& bound : {Bound{"folders", 500, 1'000'000, 500}, Bound{"time", 1'000'000, 300, 300}}) {
        GameFolderSearch search = home.Search();
        search.folderLimit = bound.folderLimit;
        search.timeLimitMs = bound.timeLimitMs;
        std::int64_t now = 0;
        search.nowMs = [&now] { return now++; };  // a millisecond a look
        const GameFolderSearchResult result = FindGameFolders(search);
        EXPECT_TRUE(result.cutShort) << bound.what;
        EXPECT_LE(result.foldersOpened, bound.opened) << bound.what;
        EXPECT_GT(result.foldersOpened, bound.opened / 3) << bound.what;
        // What was found before the stop is kept: ~/.wine comes first.
        EXPECT_FALSE(result.candidates.empty()) << bound.what;
    }
}

TEST(GameFolderFinder, AWineFolderWithoutDriveCIsNoPlaceOfPrefixes) {
    TempDir home;
    std::filesystem::create_directories(home / ".wine/inner/drive_c/T");
    WriteFileBytes(home / ".wine/inner/drive_c/T/0.log", std::string(100, '\0') + "log");
    GameFolderSearch search;
    search.home = home.path();
    EXPECT_TRUE(FindGameFolders(search).candidates.empty());

    // With no $HOME, the search starts from the home folder of the user database.
    const char* const was = std::getenv("HOME");
    const std::string saved = was ? was : "";
    ::unsetenv("HOME");
    const passwd* user = ::getpwuid(::getuid());
    EXPECT_EQ(GameFolderSearchForUser().home, user && user->pw_dir ? user->pw_dir : "");
    if (was) ::setenv("HOME", saved.c_str(), 1);
}

TEST(GameFolderFinder, SteamLibraryPathsOfMalformedText) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {R"("libraryfolders" { "0" { "path" "/a" "label" "" } "1" { "path" "/b\\c" } })", {"/a", "/b\\c"}},
        {R"("path" "relative" "path" "/x" "label" "path" "/not-a-path-value")", {"/x"}},
        {R"("0" { "path" "/a" "path" "/unterminated)", {"/a"}},
        {R"("path" { "path" "/inner" })", {"/inner"}},
        {"}}}{{\"\"\"", {}},
        {std::string("\"path\" \"/nul\0byte\"", 18), {std::string("/nul\0byte", 9)}},
    };
    for (const auto& [text, paths] : cases) EXPECT_EQ(SteamLibraryPaths(text), paths) << text;
}

TEST(DocumentsFolder, ByTheUserDirsRule) {
    struct Case {
        const char* variable;
        const char* userDirs;
        const char* folder;
    };
    const Case cases[] = {
        {nullptr, "", "/h/Documents"},
        {nullptr, "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/文書\"\n", "/h/文書"},
        {nullptr, "XDG_DOCUMENTS_DIR=\"/data/docs/\"\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"", "/data/docs"},
        {nullptr, "XDG_DOCUMENTS_DIR=\"$HOME/\"", "/h/Documents"},  // disabled
        {nullptr, "XDG_DOCUMENTS_DIR=\"$HOMEWORK\"", "/h/Documents"},
        {nullptr, "XDG_DOCUMENTS_DIR=unquoted\nXDG_DOCUMENTS_DIR=\"$HOME/Docs", "/h/Documents"},
        {"/env/docs", "XDG_DOCUMENTS_DIR=\"$HOME/文書\"", "/env/docs"},
        {"relative", "XDG_DOCUMENTS_DIR=\"$HOME/文書\"", "/h/文書"},
    };
    for (const Case& c : cases) EXPECT_EQ(DocumentsFolder("/h", c.variable, c.userDirs), c.folder) << c.userDirs;

    // The user's own file, read from $HOME/.config, and only its first 64 KiB.
    TempDir home;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    ::mkdir((home / ".config").c_str(), 0700);
    const std::string line = "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n";
    const std::pair<std::string, std::string> files[] = {
        {line, home / "文書"},
        {"#" + std::string(64 * 1024 - 2, 'x') + "\n" + line, home / "Documents"},
    };
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"}) {
        const char* was = std::getenv(name);
        saved.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
    }
    ::setenv("HOME", home.path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DOCUMENTS_DIR");
    for (const auto& [text, folder] : files) {
        WriteFileBytes(home / ".config/user-dirs.dirs", text);
        EXPECT_EQ(UserDocumentsFolder(), folder) << text.size();
    }
    for (const auto& [name, value] : saved)
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

}  // namespace
}  // namespace chatkeeper
