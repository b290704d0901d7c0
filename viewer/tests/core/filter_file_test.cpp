#include "chatscope/filter_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "log_builder.h"
#include "test_support/file_limit.h"

namespace chatscope {
namespace {

using testsupport::ReadAll;

UserList Load(const std::string& path) {
    UserList users;
    EXPECT_TRUE(LoadUserFilters(path, users));
    return users;
}

// Loads `content`, applies `ticks` (if given) and saves; gives the file's new content.
std::string RoundTrip(const std::string& content, UserList* loaded = nullptr, const std::vector<bool>& ticks = {}) {
    logtest::TempDir dir;
    const std::string path = dir.Write("chatscope.flt", content);
    UserList users = Load(path);
    for (std::size_t i = 0; i < ticks.size() && i < users.size(); ++i) users.SetTicked(i, ticks[i]);
    EXPECT_TRUE(SaveUserFilters(path, users));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "chatscope.tmp"));
    if (loaded) *loaded = users;
    return ReadAll(path);
}

// The rows of the filter file table: line, how it loads, how it is written back.
TEST(FilterFile, TableOfLines) {
    struct Row {
        std::string line;
        bool entry;
        std::string name;
        int typeCode;
        bool ticked;
        std::string rewritten;
    };
    const Row rows[] = {
        {"1,200,Foo Bar", true, "Foo", 200, true, "1,200,Foo"},
        {"5,200,Foo", true, "Foo", 200, true, "1,200,Foo"},
        {"0, 200, Foo", true, "Foo", 200, false, "0,200,Foo"},
        {"  some comment  ", false, "", 0, false, "some comment"},
        {"", false, "", 0, false, ""},
        {"1 ,200,Foo", false, "", 0, false, "1 ,200,Foo"},
        {"1,200,", false, "", 0, false, "1,200,"},
        {"1,200 Foo", false, "", 0, false, "1,200 Foo"},
        {" \t1,200,Foo\t ", true, "Foo", 200, true, "1,200,Foo"},
        {"-1,-5,Neg", true, "Neg", -5, true, "1,-5,Neg"},
        {"+0,+7,Plus", true, "Plus", 7, false, "0,7,Plus"},
        {"1,2147483647,Max", true, "Max", 2147483647, true, "1,2147483647,Max"},
        {"1,-2147483648,Min", true, "Min", -2147483647 - 1, true, "1,-2147483648,Min"},
        {"1,2147483648,Big", false, "", 0, false, "1,2147483648,Big"},
        {"99999999999,1,Big", false, "", 0, false, "99999999999,1,Big"},
        {"1,,Foo", false, "", 0, false, "1,,Foo"},
        {"1,x,Foo", false, "", 0, false, "1,x,Foo"},
        {"\x82\xA0,1,Foo", false, "", 0, false, "\x82\xA0,1,Foo"},
        {"1,200,\x83\x65\x83\x58\x83\x67", true, "\x83\x65\x83\x58\x83\x67", 200, true,
         "1,200,\x83\x65\x83\x58\x83\x67"},
        {"1,9,ab\x01 x", true, "ab", 9, true, "1,9,ab"},  // as the rewritten line loads
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        UserList users;
        const std::string out = RoundTrip(r.line + "\n", &users);
        ASSERT_EQ(users.size(), r.entry ? 1u : 0u);
        if (r.entry) {
            EXPECT_EQ(users[0].name, r.name);
            EXPECT_EQ(users[0].typeCode, r.typeCode);
            EXPECT_EQ(users[0].ticked, r.ticked);
        }
        EXPECT_EQ(out, r.rewritten + "\r\n");
    }
}

TEST(FilterFile, TicksAreMatchedToEntryLinesByPosition) {
    const std::string file = "# users\r\n1,1,Alpha\r\n\r\n0,4,Beta extra\n1,5,Gamma\n";
    UserList users;
    const std::string out = RoundTrip(file, &users, {false, true, true});
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(out, "# users\r\n0,1,Alpha\r\n\r\n1,4,Beta\r\n1,5,Gamma\r\n");
}

TEST(FilterFile, EntryLinesBeyondTheListAreWrittenBackTrimmed) {
    logtest::TempDir dir;
    const std::string path = dir.Write("f.flt", "1,1,A\n 0,2,B  tail \n");
    UserList one;
    one.Append({"A", 1, false});
    ASSERT_TRUE(SaveUserFilters(path, one));
    EXPECT_EQ(ReadAll(path), "0,1,A\r\n0,2,B  tail\r\n");
}

TEST(FilterFile, LastLineWithoutLineEndAndCrLfAreRead) {
    UserList users;
    const std::string out = RoundTrip("1,1,A\r\n0,2,B", &users);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[1].name, "B");
    EXPECT_FALSE(users[1].ticked);
    EXPECT_EQ(out, "1,1,A\r\n0,2,B\r\n");
}

TEST(FilterFile, LongLinesAreReadWholeAndNeverEntries) {
    // 510 bytes (line end not counted) can be an entry; 511 cannot.
    const std::string fits = "1,1," + std::string(506, 'n');  // 510 bytes
    ASSERT_EQ(fits.size(), 510u);
    const std::string tooLong = "1,2," + std::string(507, 'm');  // 511 bytes
    const std::string huge = "  " + std::string(5000, 'z') + " ";
    const std::string padded = "1,4,Pad" + std::string(600, ' ');  // kept whole: trimmed, it would be an entry
    UserList users;
    const std::string out = RoundTrip(fits + "\r\n" + tooLong + "\n" + huge + "\n" + padded + "\n1,3,Last\n", &users);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].name.size(), 506u);
    EXPECT_EQ(users[1].name, "Last");
    EXPECT_EQ(out, fits + "\r\n" + tooLong + "\r\n" + std::string(5000, 'z') + "\r\n" + padded + "\r\n1,3,Last\r\n");
}

TEST(FilterFile, MissingFileMeansEmptyListAndIsNeverCreated) {
    logtest::TempDir dir;
    const std::string path = (dir.path() / "chatscope.flt").string();
    UserList users;
    EXPECT_FALSE(LoadUserFilters(path, users));
    EXPECT_TRUE(users.empty());
    EXPECT_FALSE(SaveUserFilters(path, users));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "chatscope.tmp"));
}

TEST(FilterFile, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
    logtest::TempDir dir;
    std::string old;
    for (int i = 0; i < 200; ++i) old += "1," + std::to_string(i) + ",Name" + std::to_string(i) + "\r\n";
    const std::string path = dir.Write("chatscope.flt", old);
    UserList users = Load(path);
    for (std::size_t i = 0; i < users.size(); ++i) users.SetTicked(i, false);
    {
        testsupport::FileSizeLimit limit(100);
        EXPECT_FALSE(SaveUserFilters(path, users));
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "chatscope.tmp"));
}

TEST(FilterFile, StaleTemporaryIsOverwritten) {
    logtest::TempDir dir;
    const std::string path = dir.Write("chatscope.flt", "1,1,A\n");
    dir.Write("chatscope.tmp", std::string(10000, 'x'));
    UserList users = Load(path);
    ASSERT_TRUE(SaveUserFilters(path, users));
    EXPECT_EQ(ReadAll(path), "1,1,A\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "chatscope.tmp"));
}

TEST(FilterFile, FileNamedTmpIsNotTruncatedWhileRead) {
    logtest::TempDir dir;
    const std::string path = dir.Write("users.tmp", "0,1,A\n");
    UserList users = Load(path);
    users.SetTicked(0, true);
    ASSERT_TRUE(SaveUserFilters(path, users));
    EXPECT_EQ(ReadAll(path), "1,1,A\r\n");
}

TEST(FilterFile, LoadAppendsToTheGivenList) {
    logtest::TempDir dir;
    const std::string path = dir.Write("f.flt", "0,9,X\n");
    UserList users;
    users.Append({"Pre", 1, true});
    ASSERT_TRUE(LoadUserFilters(path, users));
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[1].name, "X");
    EXPECT_TRUE(users.Matches(9));
}

}  // namespace
}  // namespace chatscope
