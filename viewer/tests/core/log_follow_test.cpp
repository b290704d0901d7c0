// Following a growing file: after every append, the passes over the appended
// bytes must leave exactly what one full pass over the grown file gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "capture_sink.h"
#include "chatscope/log_reader.h"
#include "log_builder.h"
#include "same_statistics.h"

namespace {

using namespace chatscope;
using logtest::Record;

// One follower with its own filters, sink and pass.
struct Viewer {
    std::uint32_t filterWord;
    std::size_t chunk;
    UserList users;
    logtest::CaptureSink sink;
    std::string path;
    PassResult pass;
    const LogStatistics& stats = pass.stats;

    Viewer(std::uint32_t word, std::size_t chunkBytes) : filterWord(word), chunk(chunkBytes) {
        users.Append({"u", 4, false});  // tells become user-specified records
    }
    std::int64_t Load(const std::string& file) {
        path = file;
        pass = ReadLog(path, &sink, {filterWord, users}, chunk);
        return pass.allLines;
    }
    FollowResult Follow() { return ReadAppended(path, &sink, {filterWord, users}, pass, chunk); }
};

// Lines that feed every statistics list, some with escapes, some empty or long.
std::string RandomLine(std::mt19937& rng) {
    static const char* const kNames[] = {"Al", "Bo", "Cyrano", "Al"};
    const std::string name = kNames[rng() % 4];
    std::string line;
    switch (rng() % 9) {
    case 0: return "";
    case 1: line = Record(1, name + " : hi"); break;
    case 2: line = Record(4, ">" + name + " x"); break;
    case 3: line = Record(5, "(" + name + ") go"); break;
    case 4: line = Record(127, name + "\x81\x41" + "Potion" + name + "\x82\xF0\x8E\xE8"); break;
    case 5: line = Record(36, name + "Orc\x82\xCD\x93\x7C\x82\xEA\x82\xBD"); break;
    case 6: line = Record(131, "gain " + std::to_string(rng() % 500) + " exp", 0x123456, true); break;
    case 7: line = Record(std::uint8_t(rng()), std::string(rng() % 1200, char('a' + rng() % 26))); break;
    default: line = "not a record " + name;
    }
    if (rng() % 5 == 0) line.insert(rng() % line.size(), rng() % 2 ? "\x1E\x01" : "\x7F");
    return line;
}

std::string RandomArchive(std::mt19937& rng) {
    std::string out;
    for (int b = 1 + rng() % 4; b > 0; --b) {
        std::vector<std::string> lines;
        for (int i = 0; i < 50; ++i) lines.push_back(RandomLine(rng));
        out += logtest::Block(lines);
    }
    out.resize(out.size() - rng() % 200);  // often ends inside a line
    return out;
}

void Append(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Archives appended in random pieces (single bytes, a few bytes, whole blocks,
// cuts inside headers, lines and escape pairs), at several chunk sizes, with and
// without filters: after each piece, follow equals a fresh load.
TEST(Follow, AppendedPiecesGiveWhatAFreshLoadGives) {
    logtest::TempDir dir;
    std::mt19937 rng(777);
    int appendedPasses = 0, retractions = 0;
    for (int round = 0; round < 40; ++round) {
        const std::string bytes = RandomArchive(rng);
        const std::size_t chunk = std::vector<std::size_t>{7, 64, 1000, 256 << 10}[rng() % 4];
        const std::uint32_t filter = rng() % 2 ? 0u : 0x1FF007Fu & static_cast<std::uint32_t>(rng());
        const std::string path = dir.Write("follow.log", "");
        Viewer follow(filter, chunk);
        std::size_t at = std::min<std::size_t>(bytes.size(), rng() % 400);
        Append(path, std::string_view(bytes).substr(0, at));
        follow.Load(path);
        while (true) {
            const std::string where = "round " + std::to_string(round) + " at " + std::to_string(at);
            Viewer fresh(filter, 256 << 10);
            const std::int64_t all = fresh.Load(path);
            ASSERT_EQ(follow.pass.allLines, all) << where;
            ASSERT_EQ(follow.sink.shown, fresh.sink.shown) << where;
            ASSERT_TRUE(logtest::SameStatistics(follow.stats, fresh.stats)) << where;
            if (at == bytes.size()) break;
            const std::size_t piece = rng() % 3 == 0 ? 1 + rng() % 8 : 1 + rng() % 3000;
            const std::size_t next = std::min(bytes.size(), at + piece);
            Append(path, std::string_view(bytes).substr(at, next - at));
            at = next;
            ASSERT_EQ(follow.Follow(), FollowResult::Appended) << where;
            ++appendedPasses;
        }
        retractions += follow.sink.retractions;
        EXPECT_EQ(follow.Follow(), FollowResult::Unchanged);
    }
    EXPECT_GT(appendedPasses, 500);
    EXPECT_GT(retractions, 20);  // some passes took back a line the file had not finished
}

// Each append reads only the new bytes and the open line before them: an append
// after many blocks costs no more than after one.
TEST(Follow, AnAppendReadsOnlyTheNewBytes) {
    logtest::TempDir dir;
    const std::string block = logtest::UniformBlock(Record(1, "Al : x"));
    std::string big;
    for (int i = 0; i < 200; ++i) big += block;
    const std::string path = dir.Write("grow.log", big);
    Viewer v(0, 256 << 10);
    v.Load(path);
    // The file is replaced under the same inode by zeros of the same size: a pass that
    // re-read old bytes would find no records there.
    {
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        const std::string zeros(big.size(), '\0');
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    Append(path, block);
    ASSERT_EQ(v.Follow(), FollowResult::Appended);
    EXPECT_EQ(v.pass.allLines, 201 * 50);
    EXPECT_EQ(v.stats[SayLines], 201 * 50);
}

TEST(Follow, ShrunkReplacedOrMissingFileNeedsAReload) {
    logtest::TempDir dir;
    const std::string block = logtest::UniformBlock(Record(1, "Al : x"));
    struct Case {
        const char* what;
        void (*change)(const std::string& path, const std::string& block);
    } const cases[] = {
        {"shrunk", [](const std::string& p, const std::string& b) { std::filesystem::resize_file(p, b.size() - 1); }},
        {"replaced",
         [](const std::string& p, const std::string& b) {
             const std::string other = p + ".new";
             std::ofstream(other, std::ios::binary) << b << b << b;
             std::filesystem::rename(other, p);
         }},
        {"removed", [](const std::string& p, const std::string&) { std::filesystem::remove(p); }},
        {"directory",
         [](const std::string& p, const std::string&) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         }},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Write(std::string(c.what) + ".log", block + block);
        Viewer v(0, 4096);
        v.Load(path);
        EXPECT_EQ(v.Follow(), FollowResult::Unchanged) << c.what;
        c.change(path, block);
        const auto countersBefore = v.stats.counters;
        EXPECT_EQ(v.Follow(), FollowResult::ReloadNeeded) << c.what;
        EXPECT_EQ(v.pass.allLines, 100) << c.what;
        EXPECT_EQ(v.sink.shown.size(), 100u) << c.what;
        EXPECT_EQ(v.stats.counters, countersBefore) << c.what;
    }
    // Nothing to follow without a full pass over a path first.
    Viewer v(0, 4096);
    v.path = dir.Write("never.log", block);
    EXPECT_EQ(v.Follow(), FollowResult::ReloadNeeded);
}

}  // namespace
