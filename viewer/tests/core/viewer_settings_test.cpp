#include "chatscope/viewer_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "log_builder.h"
#include "test_support/file_limit.h"

namespace chatscope {
namespace {

using testsupport::ReadAll;

std::size_t FilesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(ViewerSettings, NewRecordIsAllZero) {
    ViewerSettings s;
    for (auto b : s.bytes) EXPECT_EQ(b, 0);
    EXPECT_EQ(s.filterWord(), 0u);
}

TEST(ViewerSettingsFile, MissingFileKeepsValuesAndSaveWritesEightZeroBytes) {
    logtest::TempDir dir;
    const std::string path = (dir.path() / "chatscope.cnf").string();
    ViewerSettings s;
    EXPECT_FALSE(LoadViewerSettings(path, s));
    EXPECT_EQ(s.filterWord(), 0u);
    EXPECT_TRUE(SaveViewerSettings(path, s));
    EXPECT_EQ(ReadAll(path), std::string(8, '\0'));
    EXPECT_EQ(FilesIn(dir.path()), 1u);  // no temporary file left
}

TEST(ViewerSettingsFile, ShortFileSetsOnlyTheBytesPresent) {
    logtest::TempDir dir;
    const std::string path = dir.Write("s.cnf", "\x10\x20\x30");
    ViewerSettings s;
    s.bytes[3] = 0x77;
    EXPECT_TRUE(LoadViewerSettings(path, s));
    EXPECT_EQ(s.red(), 0x10);
    EXPECT_EQ(s.green(), 0x20);
    EXPECT_EQ(s.blue(), 0x30);
    EXPECT_EQ(s.bytes[3], 0x77);
    EXPECT_EQ(s.filterWord(), 0u);
}

TEST(ViewerSettingsFile, LongerFileReadsEightAndIsWrittenBackAsEight) {
    logtest::TempDir dir;
    const std::string bytes(
        "\x01\x02\x03\xAA\x40\x00\x80\xFE"
        "extra",
        13);
    const std::string path = dir.Write("s.cnf", bytes);
    ViewerSettings s;
    ASSERT_TRUE(LoadViewerSettings(path, s));
    // Reserved byte and unused filter bits (7-15, 25-31) survive unchanged.
    EXPECT_EQ(s.filterWord(), 0xFE800040u);
    EXPECT_EQ(s.BackgroundHtmlColour(), 0x010203u);
    EXPECT_EQ(s.BackgroundDisplayColour(), 0x030201u);
    ASSERT_TRUE(SaveViewerSettings(path, s));
    EXPECT_EQ(ReadAll(path), bytes.substr(0, 8));
}

TEST(ViewerSettingsFile, FilterWordIsLittleEndian) {
    logtest::TempDir dir;
    const std::string path = (dir.path() / "s.cnf").string();
    ViewerSettings s;
    s.SetRgb(1, 2, 3);
    s.SetFilterWord(0x01020304);
    ASSERT_TRUE(SaveViewerSettings(path, s));
    EXPECT_EQ(ReadAll(path), std::string("\x01\x02\x03\x00\x04\x03\x02\x01", 8));
}

TEST(ViewerSettingsFile, FailedWriteKeepsTheOldFile) {
    logtest::TempDir dir;
    const std::string old("\x11\x22\x33\x00\x01\x00\x00\x00", 8);
    const std::string path = dir.Write("s.cnf", old);
    ViewerSettings s;
    s.SetRgb(9, 9, 9);
    {
        testsupport::FileSizeLimit limit(4);
        EXPECT_FALSE(SaveViewerSettings(path, s));
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(ViewerSettingsFile, UnwritableTargetLeavesNoTemporary) {
    logtest::TempDir dir;
    std::filesystem::create_directory(dir.path() / "s.cnf");  // rename over a folder fails
    EXPECT_FALSE(SaveViewerSettings((dir.path() / "s.cnf").string(), ViewerSettings{}));
    EXPECT_EQ(FilesIn(dir.path()), 1u);
    EXPECT_FALSE(SaveViewerSettings((dir.path() / "nofolder" / "s.cnf").string(), ViewerSettings{}));
}

TEST(ViewerSettingsFile, SymbolicLinkIsKeptAndItsTargetReplaced) {
    logtest::TempDir dir;
    const std::string real = dir.Write("real.cnf", std::string(8, '\0'));
    const auto link = dir.path() / "link.cnf";
    std::filesystem::create_symlink(real, link);
    ViewerSettings s;
    s.SetRgb(5, 6, 7);
    ASSERT_TRUE(SaveViewerSettings(link.string(), s));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(real).substr(0, 3), "\x05\x06\x07");
}

}  // namespace
}  // namespace chatscope
