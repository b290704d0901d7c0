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

TEST(LocateSettingsFiles, BesideTheProgramWhenItsFolderIsWritable) {
    FakeSystem fs;
    fs.writableFolders.insert("/home/u/bin");
    const SettingsPaths p = LocateSettingsFiles(fs.Where("/home/u/bin/chatscope", "", "/home/u"));
    EXPECT_EQ(p.settingsFile, "/home/u/bin/chatscope.cnf");
    EXPECT_EQ(p.filterFile, "/home/u/bin/chatscope.flt");
}

TEST(LocateSettingsFiles, BesideTheProgramWhenAFileIsAlreadyThere) {
    FakeSystem fs;
    fs.files.insert("/usr/bin/chatscope.flt");
    const SettingsPaths p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "", "/home/u"));
    EXPECT_EQ(p.settingsFile, "/usr/bin/chatscope.cnf");
    EXPECT_EQ(p.filterFile, "/usr/bin/chatscope.flt");
}

TEST(LocateSettingsFiles, InstalledProgramUsesTheUsersConfigFolder) {
    FakeSystem fs;
    SettingsPaths p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "", "/home/u"));
    EXPECT_EQ(p.settingsFile, "/home/u/.config/chatscope/chatscope.cnf");
    EXPECT_EQ(p.filterFile, "/home/u/.config/chatscope/chatscope.flt");

    p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "/xdg/", "/home/u"));
    EXPECT_EQ(p.settingsFile, "/xdg/chatscope/chatscope.cnf");
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "rel/dir", "/home/u"));
    EXPECT_EQ(p.filterFile, "/home/u/.config/chatscope/chatscope.flt");
    // Nowhere else to go: beside the program.
    p = LocateSettingsFiles(fs.Where("/usr/bin/chatscope", "", ""));
    EXPECT_EQ(p.settingsFile, "/usr/bin/chatscope.cnf");
}

TEST(LocateSettingsFilesFor, RealFolderOfATestProgram) {
    logtest::TempDir dir;
    const std::string exe = (dir.path() / "chatscope").string();
    const SettingsPaths p = LocateSettingsFilesFor(exe);
    EXPECT_EQ(p.settingsFile, exe + ".cnf");
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
