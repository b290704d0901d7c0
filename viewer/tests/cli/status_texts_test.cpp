// The status panels' texts of a pass: the counts of each channel and the
// experience, byte for byte.
#include "status_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chatscope/log_reader.h"
#include "log_builder.h"

namespace {

using namespace chatscope;
using logtest::Record;

TEST(StatusTexts, CarryTheCountersOfThePass) {
    logtest::TempDir dir;
    DiscardSink sink;
    UserList users;
    const PassResult empty = ReadLog(dir.Write("h.log", logtest::Header()), &sink, {0, users});
    EXPECT_EQ(FormatCountsText(empty.stats, empty.allLines),
              "Say:0, Tell:0, Party:0, LinkShell:0, Shout:0, Emote:0, Drop:0, Exp:0, Skill:0, All:0");
    EXPECT_EQ(FormatExpText(empty.stats), "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C:0");

    const std::vector<std::string> lines = {
        Record(1, "Al : a"),       Record(4, "Bo x"), Record(5, "(Cy x"), Record(6, "<Di x"),
        Record(2, "Ed x"),         Record(7, "Fa x"), Record(127, "x"),   Record(131, "got 120 exp."),
        Record(131, "got 3 exp."), Record(129, "x"),  "not a record"};
    const PassResult pass = ReadLog(dir.Write("a.log", logtest::Block(lines)), &sink, {0, users});
    EXPECT_EQ(FormatCountsText(pass.stats, pass.allLines),
              "Say:1, Tell:1, Party:1, LinkShell:1, Shout:1, Emote:1, Drop:1, Exp:2, Skill:1, All:11");
    EXPECT_EQ(FormatExpText(pass.stats), "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C:123");
}

}  // namespace
