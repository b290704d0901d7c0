#include "chatscope/html_export.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "chatscope/classify.h"
#include "chatscope/statistics.h"
#include "log_builder.h"
#include "test_support/file_limit.h"

namespace chatscope {
namespace {

using testsupport::ReadAll;

const std::string kHead =
    "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
    "charset=Shift-JIS\">\r\n</HEAD>\r\n";
const std::string kTail = "</BODY>\r\n</HTML>\r\n";

// What HtmlSink writes for one record, through a real FILE.
std::string SinkOutput(std::uint32_t colour, std::string_view text, bool indent) {
    std::FILE* f = std::tmpfile();
    HtmlSink sink(f);
    sink.Put(0, colour, text, indent);
    EXPECT_TRUE(sink.Flush());
    std::rewind(f);
    std::string out;
    for (int c; (c = std::getc(f)) != EOF;) out.push_back(static_cast<char>(c));
    std::fclose(f);
    return out;
}

TEST(HtmlSink, OneRecordPerLine) {
    EXPECT_EQ(SinkOutput(0x00123456, "a<b", false), "<FONT color=\"#1C5381\">a&lt;b</FONT><BR>\r\n");
    EXPECT_EQ(SinkOutput(0xFF000000, "", false), "<FONT color=\"#000000\"></FONT><BR>\r\n");
    EXPECT_EQ(SinkOutput(0x00FFFFFF, "&<>\"'", false), "<FONT color=\"#FFFFFF\">&amp;&lt;&gt;\"'</FONT><BR>\r\n");
}

TEST(HtmlSink, IndentFollowsTheFontTag) {
    EXPECT_EQ(SinkOutput(0x0000000A, "x", true), "<FONT color=\"#00000F\">\x81\x40\x81\x40x</FONT><BR>\r\n");
    EXPECT_EQ(SinkOutput(0, "", true), "<FONT color=\"#000000\">\x81\x40\x81\x40</FONT><BR>\r\n");
}

TEST(HtmlSink, OtherBytesPassUnchanged) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '&' && b != '<' && b != '>') all.push_back(static_cast<char>(b));
    all += std::string("\0z", 2);  // a NUL inside the view is data too
    const std::string out = SinkOutput(0, all, false);
    EXPECT_EQ(out, "<FONT color=\"#000000\">" + all + "</FONT><BR>\r\n");
    // a line feed inside a message stays one byte
    EXPECT_EQ(SinkOutput(0, "a\nb", false), "<FONT color=\"#000000\">a\nb</FONT><BR>\r\n");
}

TEST(HtmlSink, EscapesAtEveryPositionOfEveryShortLength) {
    // The text is copied in words of eight bytes; put a replaced byte at each
    // offset of texts around those word sizes.
    auto reference = [](const std::string& t) {
        std::string r;
        for (char c : t) r += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
        return r;
    };
    for (std::size_t len = 0; len <= 49; ++len) {
        std::string base;
        for (std::size_t i = 0; i < len; ++i) base += static_cast<char>(i % 2 ? 0x82 : 'a' + i % 26);
        ASSERT_EQ(SinkOutput(0, base, false), "<FONT color=\"#000000\">" + base + "</FONT><BR>\r\n");
        for (std::size_t pos = 0; pos < len; ++pos) {
            for (char special : {'&', '<', '>'}) {
                std::string t = base;
                t[pos] = special;
                ASSERT_EQ(SinkOutput(0, t, false), "<FONT color=\"#000000\">" + reference(t) + "</FONT><BR>\r\n")
                    << "length " << len << " position " << pos;
            }
        }
    }
}

TEST(HtmlSink, ColourChangesBetweenRecords) {
    std::FILE* f = std::tmpfile();
    HtmlSink sink(f);
    for (std::uint32_t c : {0x00123456u, 0x00123456u, 0u, 0xFF123456u, 0x00FFFFFFu}) sink.Put(0, c, "", false);
    ASSERT_TRUE(sink.Flush());
    std::rewind(f);
    std::string out;
    for (int c; (c = std::getc(f)) != EOF;) out.push_back(static_cast<char>(c));
    std::fclose(f);
    EXPECT_EQ(out,
              "<FONT color=\"#1C5381\"></FONT><BR>\r\n<FONT color=\"#1C5381\"></FONT><BR>\r\n"
              "<FONT color=\"#000000\"></FONT><BR>\r\n<FONT color=\"#1C5381\"></FONT><BR>\r\n"
              "<FONT color=\"#FFFFFF\"></FONT><BR>\r\n");
}

TEST(HtmlSink, ManyRecordsAndLongTextsCrossTheBufferIntact) {
    std::FILE* f = std::tmpfile();
    std::string expected;
    {
        HtmlSink sink(f);
        auto records = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                const std::string t = "line " + std::to_string(i) + (i % 3 ? "" : " a&b");
                sink.Put(0, 0x00010203, t, i % 2 == 1);
                expected += "<FONT color=\"#010304\">" + std::string(i % 2 ? "\x81\x40\x81\x40" : "") + "line " +
                            std::to_string(i) + (i % 3 ? "" : " a&amp;b") + "</FONT><BR>\r\n";
            }
        };
        records(0, 60000);                      // several buffers
        const std::string big(3'000'000, '&');  // one record larger than a buffer, all escaped
        sink.Put(0, 0, big, false);
        expected += "<FONT color=\"#000000\">";
        for (std::size_t i = 0; i < big.size(); ++i) expected += "&amp;";
        expected += "</FONT><BR>\r\n";
        records(60000, 120000);
        sink.Write("tail");
        expected += "tail";
        ASSERT_TRUE(sink.Flush());
        records(120000, 120010);  // usable again after a flush
        ASSERT_TRUE(sink.Flush());
    }
    std::rewind(f);
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
    ASSERT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(HtmlSink, WriteFailureOfALargeOutputIsReported) {
    std::FILE* f = std::fopen("/dev/full", "wb");
    ASSERT_NE(f, nullptr);
    {
        HtmlSink sink(f);
        const std::string text(900, 'x');
        for (int i = 0; i < 20000; ++i) sink.Put(0, 0, text, false);
        EXPECT_FALSE(sink.Flush());
        EXPECT_TRUE(sink.Failed());
    }
    std::fclose(f);
}

TEST(HtmlSink, DroppedWithoutFlushWritesNothingMore) {
    std::FILE* f = std::tmpfile();
    const std::string line = "<FONT color=\"#000000\">some text of a record</FONT><BR>\r\n";
    {
        HtmlSink sink(f);
        for (int i = 0; i < 100000; ++i) sink.Put(0, 0, "some text of a record", false);
    }  // must join its writer cleanly
    std::fseek(f, 0, SEEK_END);
    // The buffer being filled is never written; whatever was written is whole lines so far.
    const long size = std::ftell(f);
    EXPECT_LT(size, 100000L * static_cast<long>(line.size()));
    std::rewind(f);
    std::string head(static_cast<std::size_t>(std::min(size, 4096L)), '\0');
    EXPECT_EQ(std::fread(head.data(), 1, head.size(), f), head.size());
    if (!head.empty()) {
        EXPECT_EQ(head.substr(0, line.size()), line);
    }
    std::fclose(f);
}

TEST(HtmlSink, WriteFailureIsReported) {
    std::FILE* f = std::fopen("/dev/full", "wb");
    ASSERT_NE(f, nullptr);
    HtmlSink sink(f);
    sink.Put(0, 0, "x", false);
    EXPECT_FALSE(sink.Flush());
    EXPECT_TRUE(sink.Failed());
    std::fclose(f);
}

struct Viewer {
    ViewerSettings settings;
    UserList users;
};

TEST(ExportHtml, CompleteExampleDocument) {
    logtest::TempDir dir;
    const std::string log = dir.Write("a.log", logtest::Block({logtest::Record(1, "a<b", 0x00123456)}));
    const std::string out = (dir.path() / "a.html").string();
    Viewer v;
    ASSERT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::Written);
    EXPECT_EQ(ReadAll(out),
              "<HTML>\r\n"
              "<HEAD>\r\n"
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift-JIS\">\r\n"
              "</HEAD>\r\n"
              "<BODY BGCOLOR=\"#000000\"><FONT color=\"#1C5381\">a&lt;b</FONT><BR>\r\n"
              "</BODY>\r\n"
              "</HTML>\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ExportHtml, BackgroundIsNotBrightenedAndFiltersApply) {
    logtest::TempDir dir;
    const std::string log =
        dir.Write("a.log", logtest::Block({logtest::Record(1, "say"), logtest::Record(5, "party", 0x00000010, true)}));
    const std::string out = (dir.path() / "a.html").string();
    Viewer v;
    v.settings.SetRgb(0x12, 0xAB, 0x0F);
    v.settings.SetFilterWord(FilterBit::Say);
    ASSERT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::Written);
    EXPECT_EQ(ReadAll(out), kHead +
                                "<BODY BGCOLOR=\"#12AB0F\">"
                                "<FONT color=\"#000018\">\x81\x40\x81\x40party</FONT><BR>\r\n" +
                                kTail);
}

TEST(ExportHtml, EverythingHiddenJoinsTheBodyTags) {
    logtest::TempDir dir;
    const std::string log = dir.Write("a.log", logtest::UniformBlock(logtest::Record(1, "x")));
    const std::string out = (dir.path() / "a.html").string();
    Viewer v;
    v.settings.SetFilterWord(FilterBit::Say);
    ASSERT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::Written);
    EXPECT_EQ(ReadAll(out), kHead + "<BODY BGCOLOR=\"#000000\">" + kTail);
}

TEST(ExportHtml, NothingWrittenWithoutAValidLog) {
    logtest::TempDir dir;
    const std::string out = (dir.path() / "o.html").string();
    Viewer v;
    EXPECT_EQ(ExportHtml(out, "", v.settings, v.users), ExportResult::NoLogLoaded);
    const std::string bad = dir.Write("bad.log", std::string("\x01\x00", 2) + std::string(200, 'x'));
    EXPECT_EQ(ExportHtml(out, bad, v.settings, v.users), ExportResult::NotALogFile);
    EXPECT_EQ(ExportHtml(out, (dir.path() / "gone.log").string(), v.settings, v.users), ExportResult::NotALogFile);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ExportHtml, NeverWritesOverTheLog) {
    logtest::TempDir dir;
    const std::string bytes = logtest::UniformBlock(logtest::Record(1, "keep me"));
    const std::string log = dir.Write("a.log", bytes);
    const auto link = dir.path() / "link.html";
    std::filesystem::create_symlink(log, link);
    const auto hard = dir.path() / "hard.html";
    std::filesystem::create_hard_link(log, hard);
    Viewer v;
    EXPECT_EQ(ExportHtml(log, log, v.settings, v.users), ExportResult::SameFileAsLog);
    EXPECT_EQ(ExportHtml(link.string(), log, v.settings, v.users), ExportResult::SameFileAsLog);
    EXPECT_EQ(ExportHtml(hard.string(), log, v.settings, v.users), ExportResult::SameFileAsLog);
    EXPECT_EQ(ExportHtml((dir.path() / "." / "a.log").string(), log, v.settings, v.users), ExportResult::SameFileAsLog);
    EXPECT_EQ(ReadAll(log), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(ExportHtml, FailedExportLeavesNoOutputAndKeepsAnOldOne) {
    logtest::TempDir dir;
    std::vector<std::string> lines(50, logtest::Record(1, std::string(900, 'q')));
    std::string bytes;
    for (int i = 0; i < 20; ++i) bytes += logtest::Block(lines);
    const std::string log = dir.Write("a.log", bytes);
    const std::string out = (dir.path() / "o.html").string();
    Viewer v;
    {
        testsupport::FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::CannotWrite);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string old = dir.Write("o.html", "previous export");
    {
        testsupport::FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::CannotWrite);
    }
    EXPECT_EQ(ReadAll(out), "previous export");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    EXPECT_EQ(ExportHtml((dir.path() / "no" / "o.html").string(), log, v.settings, v.users), ExportResult::CannotWrite);
}

TEST(ExportHtml, ReplacesAnExistingOutputWhole) {
    logtest::TempDir dir;
    const std::string log = dir.Write("a.log", logtest::Block({logtest::Record(1, "new")}));
    const std::string out = dir.Write("o.html", std::string(100000, 'o'));
    Viewer v;
    ASSERT_EQ(ExportHtml(out, log, v.settings, v.users), ExportResult::Written);
    EXPECT_EQ(ReadAll(out), kHead + "<BODY BGCOLOR=\"#000000\"><FONT color=\"#FFFFFF\">new</FONT><BR>\r\n" + kTail);
}

}  // namespace
}  // namespace chatscope
