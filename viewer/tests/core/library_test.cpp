// The library window's core: the count cache, the count of one file, the day
// totals of the chart and the catcher's archive folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "chatscope/catcher_folder.h"
#include "chatscope/day_totals.h"
#include "chatscope/library_cache.h"
#include "chatscope/library_count.h"
#include "chatscope/log_reader.h"
#include "log_builder.h"
#include "test_support/temp_dir.h"

using namespace chatscope;

namespace {

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

TEST(LibraryCache, GivesACountOnlyForTheSameStampAndIgnoresFilesNotItsOwn) {
    testsupport::TempDir dir;
    const std::string file = dir / "cache/chatscope/library.cache";  // the folder is made on save
    const FileStamp stamp{1000, 1700000000123456789};
    const FileCount count{2500, 1234567890123};
    struct Case {
        const char* what;
        std::function<void(std::string& bytes)> damage;  // of the saved file; null: left as saved
        std::string path;
        FileStamp stamp;
        bool loads, hit;
    };
    const std::vector<Case> cases = {
        {"hit", nullptr, "/a/\x83\x8D.log", stamp, true, true},
        {"size changed", nullptr, "/a/\x83\x8D.log", {1001, stamp.mtimeNs}, true, false},
        {"one nanosecond later", nullptr, "/a/\x83\x8D.log", {1000, stamp.mtimeNs + 1}, true, false},
        {"other path", nullptr, "/a/b.log", stamp, true, false},
        {"a byte flipped", [](std::string& b) { b[20] ^= 1; }, "/a/\x83\x8D.log", stamp, false, false},
        {"hash flipped", [](std::string& b) { b.back() ^= 1; }, "/a/\x83\x8D.log", stamp, false, false},
        {"truncated", [](std::string& b) { b.pop_back(); }, "/a/\x83\x8D.log", stamp, false, false},
        {"cut to the magic", [](std::string& b) { b.resize(8); }, "/a/\x83\x8D.log", stamp, false, false},
        {"bytes after it", [](std::string& b) { b += '\0'; }, "/a/\x83\x8D.log", stamp, false, false},
        {"foreign", [](std::string& b) { b = "follow=1\n/a/x.log\n"; }, "/a/\x83\x8D.log", stamp, false, false},
        {"empty", [](std::string& b) { b.clear(); }, "/a/\x83\x8D.log", stamp, false, false},
    };
    for (const Case& c : cases) {
        LibraryCache written;
        written.Put("/a/b.log", {7, 8}, {9, 10});
        written.Put("/a/b.log", {7, 9}, {11, 12});  // a newer count of the same file replaces the old
        written.Put("/a/\x83\x8D.log", stamp, count);
        ASSERT_TRUE(written.Save(file)) << c.what;
        if (c.damage) {
            std::string bytes = ReadBytes(file);
            c.damage(bytes);
            dir.Write("cache/chatscope/library.cache", bytes);
        }
        LibraryCache read;
        read.Put("/stale", {1, 1}, {1, 1});
        EXPECT_EQ(read.Load(file), c.loads) << c.what;
        EXPECT_EQ(read.size(), c.loads ? 2u : 0u) << c.what;
        EXPECT_EQ(read.Find(c.path, c.stamp), c.hit ? std::optional(count) : std::nullopt) << c.what;
        if (c.loads) {
            EXPECT_EQ(read.Find("/a/b.log", {7, 9}), (FileCount{11, 12})) << c.what;
        }
        // What was not ours is replaced by the next save.
        read.Put(c.path, c.stamp, count);
        ASSERT_TRUE(read.Save(file)) << c.what;
        LibraryCache again;
        EXPECT_TRUE(again.Load(file)) << c.what;
        EXPECT_EQ(again.Find(c.path, c.stamp), count) << c.what;
    }
    LibraryCache none;
    EXPECT_FALSE(none.Load(dir / "missing"));
    EXPECT_FALSE(none.Load(dir.path().string()));  // a folder
    EXPECT_EQ(LibraryCachePath("/x/cache/", "/home/u"), "/x/cache/chatscope/library.cache");
    EXPECT_EQ(LibraryCachePath("relative", "/home/u"), "/home/u/.cache/chatscope/library.cache");
}

TEST(LibraryCount, AgreesWithOnePassOverTheFolderAndStopsAtTheEndOfAShrunkenFile) {
    testsupport::TempDir dir;
    const std::string exp = logtest::Record(131, "Dave gains 120 exp.", 0x009F00A9);
    const std::string a = dir.Write("a.log", logtest::Block({exp, logtest::Record(1, "Alice : hi"), exp}));
    const std::string b = dir.Write("b.log", logtest::Block({logtest::Record(1, "x")}) + logtest::UniformBlock(exp));
    const std::string notLog = dir.Write("c.log", "\x01\x02 no log");
    const UserList users;
    DiscardSink sink;
    const PassResult both = ReadLogs({a, b}, &sink, {0, users});
    const FileCount ca = *CountLogFile(a), cb = *CountLogFile(b);
    EXPECT_EQ(ca, (FileCount{3, 240}));
    EXPECT_EQ(ca.lines + cb.lines, both.allLines);
    EXPECT_EQ(ca.experience + cb.experience, both.stats[ExpPoints]);
    EXPECT_EQ(CountLogFile(notLog), std::nullopt);
    EXPECT_EQ(CountLogFile(dir / "gone.log"), std::nullopt);
    // A file cut inside its second block counts what is left.
    const std::string whole = ReadBytes(b);
    dir.Write("b.log", whole.substr(0, whole.size() - 10 * (exp.size() + 1)));
    EXPECT_EQ(CountLogFile(b), (FileCount{41, 40 * 120}));
    const auto stamp = StampOf(b);
    ASSERT_TRUE(stamp);
    struct stat st;
    ASSERT_EQ(::stat(b.c_str(), &st), 0);
    EXPECT_EQ(stamp->size, st.st_size);
    EXPECT_EQ(stamp->mtimeNs % 1000000000, st.st_mtim.tv_nsec);
    EXPECT_EQ(StampOf(dir.path().string()), std::nullopt);
}

TEST(DayTotals, SumsTheFilesOfEachLocalDateInDateOrder) {
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    constexpr std::int64_t s = 1000000000;
    // 2024-03-01 00:00 JST is 2024-02-29 15:00 UTC (1709218800).
    const std::int64_t midnight = 1709218800 * s;
    const std::vector<DayTotal> totals = DayTotals({
        {midnight + 3600 * s, 10, 100},
        {midnight - 1, 1, 2},  // the last nanosecond of 29 February
        {midnight, 5, 50},
        {midnight + 86400 * s * 366, 7, 70},
        {-9 * 3600 * s - 1, 3, 4},  // before the epoch: the last nanosecond of 1969 in Japan
    });
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(totals,
              (std::vector<DayTotal>{
                  {1969, 12, 31, 3, 4, 1}, {2024, 2, 29, 1, 2, 1}, {2024, 3, 1, 15, 150, 2}, {2025, 3, 2, 7, 70, 1}}));
    EXPECT_TRUE(DayTotals({}).empty());
}

TEST(CatcherFolder, ReadsOnlyTheArchiveFolderOfAWholeSettingsRecord) {
    testsupport::TempDir dir;
    // A record holding `field` as its archive folder, cut to `size` bytes.
    auto record = [](const std::string& field, std::size_t size = 3088) {
        std::string bytes(3088, '\0');
        bytes.replace(0, 5, "/game");
        bytes.replace(1024, field.size(), field);
        bytes.resize(size);
        return bytes;
    };
    const std::string sjis = "/home/u/\x83\x8D\x83\x4F";
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<CatcherFolderText> expected;
    };
    const std::vector<Case> cases = {
        {"Shift-JIS", record(sjis), CatcherFolderText{sjis, std::nullopt}},
        {"exact form",
         record(std::string("/a?b\0\x1B%G/a\xC3\xA9"
                            "b\0junk",
                            16)),
         CatcherFolderText{"/a?b",
                           "/a\xC3\xA9"
                           "b"}},
        {"exact form alone", record(std::string("\0\x1B%G/\xF0\x9F\x98\x80", 9)),
         CatcherFolderText{"", "/\xF0\x9F\x98\x80"}},
        {"no marker after the NUL", record(std::string("/x\0%G/y", 7)), CatcherFolderText{"/x", std::nullopt}},
        {"no NUL in the field", record(std::string(1024, 'a')),
         CatcherFolderText{std::string(1023, 'a'), std::nullopt}},
        {"exact form to the field's end", record(std::string("\0\x1B%G", 4) + std::string(1019, 'e') + '\0'),
         CatcherFolderText{"", std::string(1019, 'e')}},
        {"exact form without its NUL", record(std::string("\0\x1B%G", 4) + std::string(1020, 'e')),
         CatcherFolderText{"", std::nullopt}},
        {"short", record(sjis, 3087), std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Write("chatkeeper.cnf", c.bytes);
        const auto got = ReadCatcherArchiveFolder(path);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.what;
        if (!got) continue;
        EXPECT_EQ(got->shiftJis, c.expected->shiftJis) << c.what;
        EXPECT_EQ(got->exact, c.expected->exact) << c.what;
    }
    EXPECT_EQ(ReadCatcherArchiveFolder(dir / "missing.cnf"), std::nullopt);
    EXPECT_EQ(ReadCatcherArchiveFolder(dir.path().string()), std::nullopt);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadCatcherArchiveFolder(dir / "fifo"), std::nullopt);  // refused without waiting for a writer
    EXPECT_EQ(CatcherSettingsPath("", "/home/u"), "/home/u/.config/chatkeeper/chatkeeper.cnf");
    EXPECT_EQ(CatcherSettingsPath("/c//", "/home/u"), "/c/chatkeeper/chatkeeper.cnf");
}
