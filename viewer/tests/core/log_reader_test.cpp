#include "chatscope/log_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture_sink.h"
#include "chatscope/classify.h"
#include "chatscope/viewer_settings.h"
#include "log_builder.h"
#include "reference_reader.h"
#include "same_statistics.h"

namespace {

using namespace chatscope;
using logtest::Block;
using logtest::Record;

using logtest::CaptureSink;
using logtest::Shown;

class Reader : public ::testing::Test {
protected:
    std::int64_t Read(std::string_view bytes) { return ReadPath(dir.Write("log.log", bytes), &sink); }
    std::int64_t ReadPath(const std::string& path, RecordSink* to) {
        result = ReadLog(path, to, {settings.filterWord(), users});
        return result.allLines;
    }

    logtest::TempDir dir;
    ViewerSettings settings;
    UserList users;
    PassResult result;
    const LogStatistics& stats = result.stats;
    CaptureSink sink;
};

TEST_F(Reader, CheckLogHeaderNeedsFiftyWordsAndWordZeroZero) {
    EXPECT_FALSE(CheckLogHeader(""));
    EXPECT_FALSE(CheckLogHeader((dir.path() / "missing.log").string()));
    EXPECT_FALSE(CheckLogHeader(dir.Write("short.log", std::string(99, '\0'))));
    EXPECT_FALSE(CheckLogHeader(dir.Write("w0lo.log", logtest::Header(0x0001))));
    EXPECT_FALSE(CheckLogHeader(dir.Write("w0hi.log", logtest::Header(0x0100))));
    EXPECT_TRUE(CheckLogHeader(dir.Write("hdr.log", logtest::Header())));
    std::string h = logtest::Header();
    h[2] = '\x34';
    h[3] = '\x12';
    h[98] = '\x01';
    const std::optional<LogHeader> header = ReadLogHeader(dir.Write("words.log", h + "anything"));
    ASSERT_TRUE(header);
    EXPECT_EQ((*header)[1], 0x1234);
    EXPECT_EQ((*header)[49], 0x0001);
}

TEST_F(Reader, HeaderOnlyFileGivesZero) {
    EXPECT_EQ(Read(logtest::Header()), 0);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(stats.counters, (std::array<std::int64_t, kCounterCount>{}));
}

TEST_F(Reader, UnopenableFileReturnsZeroAndIsNotOpened) {
    EXPECT_EQ(ReadPath((dir.path() / "missing.log").string(), &sink), 0);
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(ReadPath("", &sink), 0);
    EXPECT_FALSE(result.opened);
    EXPECT_FALSE(result.follow.followable);
}

TEST_F(Reader, CountersOfEachChannel) {
    std::vector<std::string> lines = {
        Record(1, "Al : a"),       Record(4, "Bo x"), Record(5, "(Cy x"), Record(6, "<Di x"),
        Record(2, "Ed x"),         Record(7, "Fa x"), Record(127, "x"),   Record(131, "got 120 exp."),
        Record(131, "got 3 exp."), Record(129, "x"),  "not a record"};
    EXPECT_EQ(Read(Block(lines)), 11);
    const std::pair<Counter, std::int64_t> want[] = {
        {SayLines, 1},   {TellLines, 1}, {PartyLines, 1}, {LinkShellLines, 1}, {ShoutLines, 1},
        {EmoteLines, 1}, {DropLines, 1}, {ExpLines, 2},   {SkillLines, 1},     {ExpPoints, 123}};
    for (const auto& [counter, value] : want) EXPECT_EQ(stats[counter], value) << counter;
    EXPECT_EQ(sink.shown.size(), 10u);
}

TEST_F(Reader, TwoFullBlocksOfRecords) {
    const std::string b = logtest::UniformBlock(Record(1, "Al x"));
    EXPECT_EQ(Read(b + b), 100);
    EXPECT_EQ(stats[SayLines], 100);
    EXPECT_EQ(sink.shown.size(), 100u);
}

TEST_F(Reader, EmptyFiftiethLineDoesNotHideLaterBlocks) {
    std::vector<std::string> first(49, Record(1, "first"));  // line 50 empty
    const std::string second = logtest::UniformBlock(Record(1, "second"));
    EXPECT_EQ(Read(Block(first) + second + Block({Record(1, "third")})), 100);
    EXPECT_EQ(sink.shown.back().text, "third");
    EXPECT_EQ(stats[SayLines], 100);
}

TEST_F(Reader, HeadersOfLaterBlocksAreSkippedUnexamined) {
    const std::string b1 = Block({Record(1, "a")});
    const std::string b2 = Block({Record(1, "b")}, 0xFFFF);
    std::string b3 = Block({Record(1, "c")});
    for (int i = 0; i < 100; ++i) b3[i] = static_cast<char>(i % 2 ? 0x1E : 'z');
    EXPECT_EQ(Read(b1 + b2 + b3), 3);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Reader, TrailingPartialBlockIsRead) {
    const std::string full = logtest::UniformBlock(Record(1, "x"));
    // Second block stops after two lines, the second of which has no NUL.
    const std::string partial = logtest::Header() + Record(1, "y") + '\0' + Record(1, "z");
    EXPECT_EQ(Read(full + partial), 52);
    EXPECT_EQ(sink.shown.back().text, "z");
    // Fewer bytes than a header after the last block read nothing more.
    sink.shown.clear();
    EXPECT_EQ(Read(full + std::string(30, 'q')), 50);
}

TEST_F(Reader, EscapeStrippingTable) {
    // Each raw line is a record whose text holds the escaped bytes.
    const std::string p = Record(1, "");
    const std::vector<std::string> lines = {p + "A\x1E\x01"
                                                "B",
                                            p + "A\x1F\x1F"
                                                "B",
                                            p + "A\x7F\x1E"
                                                "B",
                                            p + "A\x1E\x1E\x1E"
                                                "BC",
                                            p + "A\x1E",  // "41 1E 00": the NUL ends the line
                                            p + "\x1E"};
    EXPECT_EQ(Read(Block(lines)), 6);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"AB", "AB", "AB", "AC", "A", ""}));
}

TEST_F(Reader, EscapesInsidePrefixAreRemovedBeforeOffsets) {
    std::string line = Record(30, "abc", 0x00FF8000, true);
    line.insert(10, "\x1E\x55");  // inside the colour field
    line.insert(0, "\x7F\x7F");   // a pair that cancels out
    EXPECT_EQ(Read(Block({line})), 1);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0], (Shown{30, 0x00FF8000, "abc", true}));
}

TEST_F(Reader, LineOfOnlyEscapesIsEmpty) {
    EXPECT_EQ(Read(Block({"\x1E"
                          "a\x1F"
                          "b",
                          "\x7F", Record(1, "x")})),
              1);
    EXPECT_EQ(sink.shown.size(), 1u);
}

TEST_F(Reader, NonRecordLineCountsInAllOnly) {
    std::string bad = Record(1, "Al x");
    bad[52] = '.';
    EXPECT_EQ(Read(Block({bad, "hello"})), 2);
    for (int i = 0; i < kCounterCount; ++i) EXPECT_EQ(stats.counters[i], 0) << i;
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Reader, FilteredRecordStillCounts) {
    settings.SetFilterWord(FilterBit::Say | FilterBit::Experience);
    EXPECT_EQ(Read(Block({Record(1, "Al x"), Record(131, "5 x"), Record(0, "zero"), Record(4, "Bo")})), 4);
    EXPECT_EQ(stats[SayLines], 1);
    EXPECT_EQ(stats[ExpPoints], 5);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"zero", "Bo"}));
}

TEST_F(Reader, EveryRecordReachesSinkWithFilterWordZero) {
    std::vector<std::string> lines;
    for (int code = 0; code < 50; ++code) lines.push_back(Record(std::uint8_t(code * 5), "t"));
    EXPECT_EQ(Read(Block(lines)), 50);
    EXPECT_EQ(sink.shown.size(), 50u);
    EXPECT_EQ(sink.shown.front().type, 0);
}

TEST_F(Reader, WithoutSinkNothingIsCounted) {
    EXPECT_EQ(ReadPath(dir.Write("a.log", Block({Record(1, "Al x")})), nullptr), 1);
    EXPECT_EQ(stats[SayLines], 0);
    EXPECT_TRUE(result.opened);
}

TEST_F(Reader, LongLineKeepsFirst1023BytesAndIsNeverSplit) {
    const std::string longText(3000, 'L');
    std::string escaped = Record(1, "") + std::string(2000, 'M');
    escaped.insert(60, "\x1E\x01");  // forces the assembling path
    const std::vector<std::string> lines = {Record(1, longText), escaped, Record(1, "after")};
    EXPECT_EQ(Read(Block(lines) + Block({Record(1, "next block")})), 4);
    ASSERT_EQ(sink.shown.size(), 4u);
    EXPECT_EQ(sink.shown[0].text, std::string(1023 - 53, 'L'));
    EXPECT_EQ(sink.shown[1].text, std::string(1023 - 53, 'M'));
    EXPECT_EQ(sink.shown[2].text, "after");
    EXPECT_EQ(sink.shown[3].text, "next block");
}

TEST_F(Reader, ReadsFromOpenDescriptorAtItsPosition) {
    const std::string bytes = "junk" + Block({Record(1, "a"), Record(2, "b")});
    const int fd = ::open(dir.Write("s.log", bytes).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 4, SEEK_SET), 4);
    result = ReadLog(fd, &sink, {settings.filterWord(), users});
    ::close(fd);
    EXPECT_EQ(result.allLines, 2);
    EXPECT_TRUE(result.opened);
    EXPECT_FALSE(result.follow.followable);
}

// Random archives: escapes, NULs, long lines, partial blocks. The chunked reader,
// at any chunk size, must give the lines and records of the byte-at-a-time model.
std::string RandomArchive(std::mt19937& rng) {
    std::string out;
    const int blocks = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int b = 0; b < blocks; ++b) {
        out += logtest::Header(std::uint16_t(rng() & 1));
        for (int i = 0; i < 50; ++i) {
            std::string line;
            switch (rng() % 6) {
            case 0: break;  // empty
            case 1: line = Record(std::uint8_t(rng()), std::string(rng() % 1500, 'a' + rng() % 26)); break;
            default: line = Record(std::uint8_t(rng() % 40), "Name text " + std::to_string(rng() % 1000) + "!");
            }
            const int escapes = rng() % 4 == 0 ? int(rng() % 5) : 0;
            for (int e = 0; e < escapes && !line.empty(); ++e) {
                static const char kEsc[] = {'\x1E', '\x1F', '\x7F', '\0'};
                line.insert(rng() % line.size(), 1, kEsc[rng() % 4]);
            }
            out += line;
            out.push_back('\0');
        }
    }
    out.resize(out.size() - rng() % 300);  // often end inside the last block
    return out;
}

TEST(ReaderChunks, AnyChunkSizeMatchesTheByteModel) {
    logtest::TempDir dir;
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        const std::string bytes = RandomArchive(rng);
        const std::string path = dir.Write("r.log", bytes);
        const std::vector<std::string> lines = logtest::ReferenceKeptLines(bytes);
        std::vector<Shown> expected;
        for (const auto& l : lines)
            if (auto r = logtest::ReferenceRecognise(l))
                expected.push_back({r->typeCode, r->colourWord, r->text, r->indent});
        for (std::size_t chunk : {1, 2, 3, 15, 16, 17, 53, 64, 100, 1023, 4096, 1 << 20}) {
            UserList users;
            CaptureSink sink;
            const std::string where = "round " + std::to_string(round) + " chunk " + std::to_string(chunk);
            ASSERT_EQ(ReadLog(path, &sink, {0, users}, chunk).allLines, std::int64_t(lines.size())) << where;
            ASSERT_EQ(sink.shown, expected) << where;
        }
    }
}

TEST(ReaderChunks, LinesStraddlingDefaultChunkBoundary) {
    logtest::TempDir dir;
    // Many blocks of records of assorted lengths so that lines cross the 1 MiB mark,
    // one of them with an escape right at the boundary.
    std::string bytes;
    int n = 0;
    while (bytes.size() < (3u << 20)) {
        std::vector<std::string> lines;
        for (int i = 0; i < 50; ++i) lines.push_back(Record(1, "Al " + std::string(n++ % 97, 'x')));
        bytes += Block(lines);
    }
    bytes.insert((1u << 20) - 1, "\x1E\x01");
    const std::vector<std::string> ref = logtest::ReferenceKeptLines(bytes);
    UserList users;
    CaptureSink sink;
    ASSERT_EQ(ReadLog(dir.Write("big.log", bytes), &sink, {0, users}).allLines, std::int64_t(ref.size()));
    std::vector<std::string> expected;
    for (const auto& l : ref)
        if (auto r = logtest::ReferenceRecognise(l)) expected.emplace_back(r->text);
    EXPECT_GT(expected.size(), 3000u);
    EXPECT_EQ(sink.Texts(), expected);
}

// Lines of every length up to past the 1023-byte cut, with escapes, over some
// MiB: the lines must be those of the model, whatever falls on the edge of a chunk.
TEST(ReaderChunks, LongLinesAcrossManyChunks) {
    logtest::TempDir dir;
    std::mt19937 rng(99);
    std::string bytes;
    while (bytes.size() < (3u << 20)) {
        bytes += logtest::Header(0);
        for (int i = 0; i < 50; ++i) {
            std::string line = Record(std::uint8_t(rng() % 40), std::string(rng() % 1100, 'a' + rng() % 26));
            if (rng() % 3 == 0) line.insert(rng() % line.size(), "\x1E\x01");
            bytes += line;
            bytes.push_back('\0');
        }
    }
    const std::vector<std::string> lines = logtest::ReferenceKeptLines(bytes);
    std::vector<std::string> expected;
    for (const auto& l : lines)
        if (auto r = logtest::ReferenceRecognise(l)) expected.emplace_back(r->text);
    const std::string path = dir.Write("long.log", bytes);
    UserList users;
    CaptureSink sink;
    ASSERT_EQ(ReadLog(path, &sink, {0, users}).allLines, std::int64_t(lines.size()));
    EXPECT_EQ(sink.Texts(), expected);
}

// The file changes under the pass: cut short after its first records (the pass
// ends where the file now ends, with the records read so far), and read from a
// position past 4 GiB (a sparse file), where offsets no longer fit 32 bits.
TEST(ReaderChunks, FileCutShortWhileReadAndOffsetsPastFourGiB) {
    struct TruncatingSink : CaptureSink {
        std::string path;
        void Put(std::uint8_t t, std::uint32_t c, std::string_view text, bool indent) override {
            CaptureSink::Put(t, c, text, indent);
            if (shown.size() == 3) std::filesystem::resize_file(path, 150);
        }
    };
    logtest::TempDir dir;
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) lines.push_back(Record(1, "Al " + std::to_string(i)));
    const std::string blocks = Block(lines) + Block(lines);
    UserList users;
    TruncatingSink cut;
    cut.path = dir.Write("cut.log", blocks);
    const std::int64_t all = ReadLog(cut.path, &cut, {0, users}, 64).allLines;
    EXPECT_LT(all, 10);
    EXPECT_GE(cut.shown.size(), 3u);
    EXPECT_LE(std::int64_t(cut.shown.size()), all);  // the last line may be cut inside its prefix

    const std::string far = dir.Write("far.log", "");
    const off_t start = off_t{5} << 30;
    const int fd = ::open(far.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    if (::pwrite(fd, blocks.data(), blocks.size(), start) != static_cast<ssize_t>(blocks.size())) {
        ::close(fd);
        GTEST_SKIP() << "no sparse files of 5 GiB here";
    }
    ASSERT_EQ(::lseek(fd, start, SEEK_SET), start);
    CaptureSink sink;
    EXPECT_EQ(ReadLog(fd, &sink, {0, users}, 256 << 10).allLines, 100);
    EXPECT_EQ(sink.shown.size(), 100u);
    EXPECT_EQ(sink.shown.back().text, "Al 49");
    ::close(fd);
}

// A sink that fails part way ends the pass with its exception, and the next
// pass runs as usual.
TEST(ReaderChunks, FailingSinkEndsThePassCleanly) {
    struct FailingSink : RecordSink {
        int left;
        explicit FailingSink(int n) : left(n) {}
        void Put(std::uint8_t, std::uint32_t, std::string_view, bool) override {
            if (--left == 0) throw std::runtime_error("sink full");
        }
    };
    logtest::TempDir dir;
    std::string bytes;
    while (bytes.size() < (2u << 20)) {
        std::vector<std::string> lines(50, Record(1, "Al " + std::string(200, 'x')));
        bytes += Block(lines);
    }
    const std::string path = dir.Write("f.log", bytes);
    UserList users;
    for (int failAt : {1, 3000}) {
        FailingSink failing(failAt);
        EXPECT_THROW(ReadLog(path, &failing, {0, users}), std::runtime_error) << failAt;
    }
    CaptureSink sink;
    const std::int64_t all = ReadLog(path, &sink, {0, users}).allLines;
    EXPECT_GT(all, 8000);
    EXPECT_EQ(std::int64_t(sink.shown.size()), all);
}

}  // namespace

// Archives cut into files anywhere a file can start (two zero bytes, 100 bytes
// left: block headers, but also runs of empty lines inside a block) read as one
// list give what the whole file gives, at any chunk size, and following the
// last file goes on as following the whole does. A file of the list that is no
// chat log when the pass reaches it is left out and named.
TEST(ReaderChunks, FilesReadAsOneListMatchTheirConcatenation) {
    logtest::TempDir dir;
    std::mt19937 rng(777);
    UserList users;
    users.Append({"Name", 7, false});
    const PassFilter filter{0x00F0, users};
    int followed = 0;
    for (int round = 0; round < 30; ++round) {
        std::string whole;
        for (int a = 1 + int(rng() % 3); a > 0; --a) whole += RandomArchive(rng);
        whole[0] = whole[1] = '\0';
        std::vector<std::size_t> cuts;
        for (std::size_t i = 100; i + 100 <= whole.size(); ++i)
            if (whole[i] == '\0' && whole[i + 1] == '\0' && i >= (cuts.empty() ? 0 : cuts.back()) + 100 &&
                rng() % 40 == 0)
                cuts.push_back(i);
        cuts.push_back(whole.size());
        std::vector<std::string> paths;
        std::string lastPiece;
        for (std::size_t from = 0; std::size_t to : cuts) {
            lastPiece = whole.substr(from, to - from);
            paths.push_back(dir.Write("piece" + std::to_string(paths.size()) + ".log", lastPiece));
            from = to;
        }
        const std::string appended = RandomArchive(rng).substr(0, 1 + rng() % 400);
        CaptureSink wholeSink, grownSink;
        const PassResult expected = ReadLog(dir.Write("whole.log", whole), &wholeSink, filter);
        const PassResult grown = ReadLog(dir.Write("grown.log", whole + appended), &grownSink, filter);
        for (std::size_t chunk :
             {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{4096}, kReadChunkBytes}) {
            const std::string where = "round " + std::to_string(round) + ", " + std::to_string(paths.size()) +
                                      " files, chunk " + std::to_string(chunk);
            std::vector<std::string> list = paths;
            if (chunk == 7) {
                list.insert(list.begin() + 1, dir.Write("foreign.log", "x" + std::string(199, 0)));
                list.insert(list.end() - 1, dir.Write("word0.log", Block({Record(1, "hidden")}, 0x100)));
            }
            // At chunk 64 the first file grows while the pass reads it: the growth is not read.
            struct GrowingSink : CaptureSink {
                std::string grow;
                void Put(std::uint8_t t, std::uint32_t c, std::string_view text, bool indent) override {
                    if (!grow.empty()) std::ofstream(grow, std::ios::binary | std::ios::app) << Record(1, "late");
                    grow.clear();
                    CaptureSink::Put(t, c, text, indent);
                }
            } sink;
            if (chunk == 64 && paths.size() > 1) sink.grow = paths[0];
            PassResult got = ReadLogs(list, &sink, filter, chunk);
            if (chunk == 64) dir.Write("piece0.log", whole.substr(0, cuts.size() > 1 ? cuts[0] : whole.size()));
            ASSERT_TRUE(got.opened) << where;
            std::vector<std::string> skipped;
            for (const std::string& p : list)
                if (p.ends_with("foreign.log") || p.ends_with("word0.log")) skipped.push_back(p);
            EXPECT_EQ(got.skipped, skipped) << where;
            ASSERT_EQ(got.allLines, expected.allLines) << where;
            ASSERT_EQ(sink.shown, wholeSink.shown) << where;
            ASSERT_TRUE(logtest::SameStatistics(got.stats, expected.stats)) << where;
            if (!got.follow.followable) continue;  // the last file holds no whole unit of its own
            ++followed;
            dir.Write(paths.back().substr(dir.path().string().size() + 1), lastPiece + appended);
            ASSERT_EQ(ReadAppended(paths.back(), &sink, filter, got, chunk), FollowResult::Appended) << where;
            dir.Write(paths.back().substr(dir.path().string().size() + 1), lastPiece);
            ASSERT_EQ(got.allLines, grown.allLines) << where;
            ASSERT_EQ(sink.shown, grownSink.shown) << where;
            ASSERT_TRUE(logtest::SameStatistics(got.stats, grown.stats)) << where;
        }
    }
    EXPECT_GT(followed, 50);
}
