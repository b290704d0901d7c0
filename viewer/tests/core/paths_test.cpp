#include "chatscope/paths.h"

#include <gtest/gtest.h>

#include <set>

#include "log_builder.h"

namespace chatscope {
namespace {

TEST(ReplaceExtension, ReplacesOnlyTheLastComponentsExtension) {
    EXPECT_EQ(ReplaceExtension("/a/b/viewer.flt", ".tmp"), "/a/b/viewer.tmp");
    EXPECT_EQ(ReplaceExtension("/a/b/viewer.tar.gz", ".cnf"), "/a/b/viewer.tar.cnf");
    EXPECT_EQ(ReplaceExtension("/a/b.d/viewer", ".cnf"), "/a/b.d/viewer.cnf");
    EXPECT_EQ(ReplaceExtension("viewer", ".flt"), "viewer.flt");
    EXPECT_EQ(ReplaceExtension("", ".flt"), ".flt");
}

TEST(LowerExtension, LowerCasesAsciiAndIsEmptyWithoutExtension) {
    EXPECT_EQ(LowerExtension("/x/Log.HTML"), ".html");
    EXPECT_EQ(LowerExtension("/x/Log.Txt"), ".txt");
    EXPECT_EQ(LowerExtension("/x.d/log"), "");
    EXPECT_EQ(LowerExtension("/x/log."), ".");
}

struct FakeSystem {
    std::set<std::string> files;
    std::set<std::string> writableFolders;
    SettingsLocation Where(const std::string& exe, const std::string& xdg, const std::string& home) {
        SettingsLocation w;
        w.executablePath = exe;
        w.xdgConfigHome = xdg;
        w.home = home;
        w.fileExists = [this](const std::string& p) { return files.count(p) > 0; };
        w.folderWritable = [this](const std::string& p) { return writableFolders.count(p) > 0; };
        return w;
    }
};

TEST(LocateSettingsFiles, ByWhereTheProgramLies) {
    const std::string marker = std::string("/") + kBuildTreeMarker;
    struct Case {
        const char* what;
        std::string exe;
        std::set<std::string> files, writable;
        std::string expected;  // settings file; the filter file differs in its extension
    };
    const std::string user = "/home/u/.config/chatscope/chatscope.cnf";
    const Case cases[] = {
        {"build tree, writable folder",
         "/src/b/viewer/app/chatscope",
         {"/src/b" + marker},
         {"/src/b/viewer/app"},
         "/src/b/viewer/app/chatscope.cnf"},
        {"marker beside the program", "/src/b/chatscope", {"/src/b" + marker}, {"/src/b"}, "/src/b/chatscope.cnf"},
        {"build tree, read-only folder", "/src/b/app/chatscope", {"/src/b" + marker}, {}, user},
        {"build tree, read-only folder with a settings file",
         "/src/b/app/chatscope",
         {"/src/b" + marker, "/src/b/app/chatscope.flt"},
         {},
         "/src/b/app/chatscope.cnf"},
        {"build tree under /opt",
         "/opt/src/b/chatscope",
         {"/opt/src/b" + marker},
         {"/opt/src/b"},
         "/opt/src/b/chatscope.cnf"},
        {"/usr/bin writable by root", "/usr/bin/chatscope", {}, {"/usr/bin"}, user},
        {"/usr/bin with a stray settings file",
         "/usr/bin/chatscope",
         {"/usr/bin/chatscope.cnf", "/usr/bin/chatscope.flt"},
         {"/usr/bin"},
         user},
        {"/usr/local", "/usr/local/bin/chatscope", {"/usr/local/bin/chatscope.cnf"}, {"/usr/local/bin"}, user},
        {"/opt", "/opt/chat/bin/chatscope", {}, {"/opt/chat/bin"}, user},
        {"another install prefix",
         "/home/u/.local/bin/chatscope",
         {"/home/u/.local/share/applications/chatscope.desktop", "/home/u/.local/bin/chatscope.cnf"},
         {"/home/u/.local/bin"},
         user},
        {"portable copy with its settings file",
         "/home/u/game/chatscope",
         {"/home/u/game/chatscope.cnf"},
         {"/home/u/game"},
         "/home/u/game/chatscope.cnf"},
        {"portable copy with only a filter file",
         "/media/stick/chatscope",
         {"/media/stick/chatscope.flt"},
         {},
         "/media/stick/chatscope.cnf"},
        {"portable copy without settings", "/home/u/game/chatscope", {}, {"/home/u/game"}, user},
        {"renamed copy", "/home/u/game/viewer2", {}, {"/home/u/game"}, "/home/u/.config/chatscope/viewer2.cnf"},
    };
    for (const Case& c : cases) {
        FakeSystem fs;
        fs.files = c.files;
        fs.writableFolders = c.writable;
        const SettingsPaths p = LocateSettingsFiles(fs.Where(c.exe, "", "/home/u"));
        EXPECT_EQ(p.settingsFile, c.expected) << c.what;
        EXPECT_EQ(p.filterFile, ReplaceExtension(c.expected, ".flt")) << c.what;
    }
}

TEST(LocateSettingsFiles, UsersConfigFolder) {
    FakeSystem fs;
    SettingsPaths p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "/xdg/", "/home/u"));
    EXPECT_EQ(p.settingsFile, "/xdg/chatscope/chatscope.cnf");
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "rel/dir", "/home/u"));
    EXPECT_EQ(p.filterFile, "/home/u/.config/chatscope/chatscope.flt");
    // Nowhere else to go: beside the program.
    p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "", ""));
    EXPECT_EQ(p.settingsFile, "/usr/bin/chatscope.cnf");
}

TEST(LocateSettingsFilesFor, BuildTreeAndACopyElsewhere) {
    // This test program lies in the build tree: its settings go beside it.
    const std::string self = CurrentExecutablePath();
    EXPECT_EQ(LocateSettingsFilesFor(self).settingsFile, self + ".cnf");

    logtest::TempDir dir;
    const std::string copy = (dir.path() / "chatscope").string();
    EXPECT_NE(LocateSettingsFilesFor(copy).settingsFile, copy + ".cnf");
    dir.Write("chatscope.cnf", std::string(8, '\0'));
    EXPECT_EQ(LocateSettingsFilesFor(copy).settingsFile, copy + ".cnf");
}

TEST(EnsureFolderOf, CreatesMissingFolders) {
    logtest::TempDir dir;
    const std::string file = (dir.path() / "a" / "b" / "x.cnf").string();
    EXPECT_TRUE(EnsureFolderOf(file));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "a" / "b"));
    EXPECT_TRUE(EnsureFolderOf(file));
}

TEST(CurrentExecutablePath, NamesThisTestProgram) {
    const std::filesystem::path self = CurrentExecutablePath("fallback");
    EXPECT_TRUE(self.is_absolute());
    EXPECT_TRUE(std::filesystem::is_regular_file(self));
}

}  // namespace
}  // namespace chatscope
