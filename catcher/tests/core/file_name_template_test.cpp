#include <gtest/gtest.h>

#include "chatkeeper/file_name_template.h"

namespace chatkeeper {
namespace {

const DateTimeFields kJulyAfternoon{2003, 7, 12, 14, 5, 9, 250};

TEST(ExpandFileNameTemplate, ExamplesAtOneReading) {
    struct Case {
        const char* tmpl;
        const char* expected;
    };
    const Case cases[] = {
        {"TARQ#YY#MM#DD_#HH#MN_#SS.log", "TARQ030712_1405_09.log"},
        {"#YYYY-#MM-#DD #HH.#MN.#SS.#MS.log", "2003-07-12 14.05.09.250.log"},
        {"##YY.log", "03.log"},
        {"#YYY.log", "03Y.log"},
        {"#yy.log", "yy.log"},
        {"chat.log", "chat.log"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandFileNameTemplate(c.tmpl, kJulyAfternoon), c.expected) << c.tmpl;
    }
}

TEST(ExpandFileNameTemplate, IncompleteTokensAtTheEndDropOnlyTheHash) {
    EXPECT_EQ(ExpandFileNameTemplate("log#", kJulyAfternoon), "log");
    EXPECT_EQ(ExpandFileNameTemplate("log#Y", kJulyAfternoon), "logY");
    EXPECT_EQ(ExpandFileNameTemplate("log#M", kJulyAfternoon), "logM");
    EXPECT_EQ(ExpandFileNameTemplate("#YYY", kJulyAfternoon), "03Y");
    EXPECT_EQ(ExpandFileNameTemplate("#", kJulyAfternoon), "");
}

TEST(ExpandFileNameTemplate, YearAndZeroFilling) {
    const DateTimeFields y2000{2000, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ExpandFileNameTemplate("#YY", y2000), "00");
    EXPECT_EQ(ExpandFileNameTemplate("#YYYY#MM#DD#HH#MN#SS#MS", y2000), "20000102030405006");
    const DateTimeFields year987{987, 12, 31, 23, 59, 59, 999};
    EXPECT_EQ(ExpandFileNameTemplate("#YYYY", year987), "0987");
    EXPECT_EQ(ExpandFileNameTemplate("#YYYY #MS", DateTimeFields{12345, 1, 1, 0, 0, 0, 0}), "2345 000");
}

TEST(ExpandFileNameTemplate, EveryOccurrenceOnceAndNoRescanOfOutput) {
    EXPECT_EQ(ExpandFileNameTemplate("#HH#HH-#HH", kJulyAfternoon), "1414-14");
    // "#" followed by what becomes "MM" after expansion is not expanded again.
    EXPECT_EQ(ExpandFileNameTemplate("##MM", kJulyAfternoon), "07");
    EXPECT_EQ(ExpandFileNameTemplate("#MN#mn#Mn", kJulyAfternoon), "05mnMn");
}

TEST(ExpandFileNameTemplate, ShiftJisBytesPassThroughAndResultNeverLonger) {
    // "ログ" in Shift-JIS, then a token and a slash into a subfolder.
    const std::string tmpl = "\x83\x8D\x83\x4F#YYYY/#MS";
    const std::string out = ExpandFileNameTemplate(tmpl, kJulyAfternoon);
    EXPECT_EQ(out,
              "\x83\x8D\x83\x4F"
              "2003/250");
    EXPECT_LE(out.size(), tmpl.size());
}

TEST(Caption, ShowsTheTextAfterTheLastSlash) {
    EXPECT_EQ(CatcherCaption(""), "Tarq Log Catcher");
    EXPECT_EQ(CatcherCaption("/home/u/logs/TARQ030712_1405_09.log"), "Tarq Log Catcher [TARQ030712_1405_09.log]");
    EXPECT_EQ(CatcherCaption("/home/u/logs/sub/a.log"), "Tarq Log Catcher [a.log]");
    EXPECT_EQ(CatcherCaption("/home/u/logs/"), "Tarq Log Catcher []");
    EXPECT_EQ(ArchiveFileNameForCaption("plain.log"), "plain.log");
}

}  // namespace
}  // namespace chatkeeper
