#include "chatscope/log_format.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "log_builder.h"
#include "reference_reader.h"

namespace {

using chatscope::RecogniseRecord;

const std::string kExamplePrefix = "1e,00,00,00ff8000,00000000,00000000,0000,00,00,00,01,";

TEST(RecogniseRecord, WorkedExampleGivesAllUsedFields) {
    ASSERT_EQ(kExamplePrefix.size(), 53u);
    const std::string line = kExamplePrefix + "abc";  // the record's text points into it
    const auto rec = RecogniseRecord(line);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->typeCode, 30);
    EXPECT_EQ((rec->colourWord >> 16) & 0xFF, 255u);
    EXPECT_EQ((rec->colourWord >> 8) & 0xFF, 128u);
    EXPECT_EQ(rec->colourWord & 0xFF, 0u);
    EXPECT_TRUE(rec->indent);
    EXPECT_EQ(rec->text, "abc");
}

TEST(RecogniseRecord, ExactlyFiftyThreeBytesIsRecordWithEmptyText) {
    const auto rec = RecogniseRecord(kExamplePrefix);
    ASSERT_TRUE(rec);
    EXPECT_TRUE(rec->text.empty());
    EXPECT_FALSE(RecogniseRecord(kExamplePrefix.substr(0, 52)));
}

TEST(RecogniseRecord, ByteFiftyTwoMustBeComma) {
    std::string line = kExamplePrefix + "abc";
    line[52] = ';';
    EXPECT_FALSE(RecogniseRecord(line));
}

TEST(RecogniseRecord, HexDigitsOfEitherCase) {
    const auto rec = RecogniseRecord("FF,00,00,AbCdEf12,00000000,00000000,0000,00,00,00,00,x");
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->typeCode, 0xFF);
    EXPECT_EQ(rec->colourWord, 0xABCDEF12u);
    EXPECT_FALSE(rec->indent);
    EXPECT_EQ(rec->text, "x");
}

TEST(RecogniseRecord, ShortFieldsAreAcceptedWhenByte52IsComma) {
    // Fields of one digit each end the eleventh comma early; byte 52 is still ",".
    std::string line = "5,0,0,ff,0,0,0,0,0,0,2,";
    line.resize(52, 'z');
    line += ",hello";
    const auto rec = RecogniseRecord(line);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->typeCode, 5);
    EXPECT_EQ(rec->colourWord, 0xFFu);
    EXPECT_TRUE(rec->indent);
    EXPECT_EQ(rec->text, "hello");  // always from offset 53
}

TEST(RecogniseRecord, RejectsFieldsThatAreNotPlainHexFollowedByComma) {
    const std::string good = kExamplePrefix + "t";
    ASSERT_TRUE(RecogniseRecord(good));
    auto with = [&](std::size_t at, std::string_view repl) {
        std::string s = good;
        s.replace(at, repl.size(), repl);
        return s;
    };
    EXPECT_FALSE(RecogniseRecord(with(0, " e"))) << "blank";
    EXPECT_FALSE(RecogniseRecord(with(0, "+e"))) << "sign";
    EXPECT_FALSE(RecogniseRecord(with(0, "-e"))) << "sign";
    EXPECT_FALSE(RecogniseRecord(with(9, "0x00ff80"))) << "0x";
    EXPECT_FALSE(RecogniseRecord(with(9, "00fg8000"))) << "non-hex digit";
    EXPECT_FALSE(RecogniseRecord(with(2, ";"))) << "comma missing after field 1";
    EXPECT_FALSE(RecogniseRecord(with(49, ";"))) << "comma missing after field 10";
    EXPECT_FALSE(RecogniseRecord(with(3, ","))) << "empty field";
    // A field longer than its width leaves a digit where its comma should be.
    EXPECT_FALSE(RecogniseRecord("1e0,0,00,00ff8000,00000000,00000000,0000,00,00,00,01,t"));
    EXPECT_FALSE(RecogniseRecord(std::string(60, 'a')));
    EXPECT_FALSE(RecogniseRecord(""));
}

// After field 11 only byte 52 is required to be ",": a one-digit field 11 may be
// followed by any byte.
TEST(RecogniseRecord, NothingIsRequiredBetweenFieldElevenAndByte52) {
    struct Case {
        const char* at50;  // bytes 50-52
        bool record;
        bool indent;
    } const cases[] = {{"0 ,", true, false}, {"0X,", true, false},  {"1X,", true, true},   {"f,,", true, true},
                       {"00,", true, false}, {"X0,", false, false}, {" 1,", false, false}, {"01;", false, false}};
    for (const Case& c : cases) {
        std::string line = kExamplePrefix + "(Ein) x";
        line.replace(50, 3, c.at50);
        const auto rec = RecogniseRecord(line);
        ASSERT_EQ(rec.has_value(), c.record) << c.at50;
        if (rec) {
            EXPECT_EQ(rec->indent, c.indent) << c.at50;
            EXPECT_EQ(rec->text, "(Ein) x");
        }
    }
    // Short fields: the eleventh ends early and filler runs up to byte 52.
    std::string line = "5,0,0,ff,0,0,0,0,0,0,2";
    line.resize(52, 'z');
    EXPECT_TRUE(RecogniseRecord(line + ",t"));
    EXPECT_FALSE(RecogniseRecord(line + ";t"));
}

// Prefixes with random bytes of the field alphabet put in random places: the
// parser and the digit-by-digit model agree on every one.
TEST(RecogniseRecord, AgreesWithTheDigitModelOnDamagedPrefixes) {
    std::mt19937 rng(2024);
    const std::string alphabet = "0123456789abcdefABCDEF,,,, xX+-g";
    int records = 0;
    for (int i = 0; i < 200000; ++i) {
        std::string line = logtest::Record(std::uint8_t(rng()), "t", static_cast<std::uint32_t>(rng()), rng() & 1);
        for (int k = rng() % 4; k >= 0; --k) line[rng() % 53] = alphabet[rng() % alphabet.size()];
        if (rng() % 4 == 0) line = line.substr(0, rng() % 40) + line.substr(rng() % 40);  // shifts the fields
        const auto rec = RecogniseRecord(line);
        const auto want = logtest::ReferenceRecognise(line);
        ASSERT_EQ(rec.has_value(), want.has_value()) << line;
        if (!rec) continue;
        ++records;
        ASSERT_EQ((logtest::ReferenceRecord{rec->typeCode, rec->colourWord, rec->indent, std::string(rec->text)}),
                  *want)
            << line;
    }
    EXPECT_GT(records, 20000);
}

TEST(RecogniseRecord, IndentFlagIsAnyNonZeroValue) {
    std::string line = kExamplePrefix;
    line.replace(50, 2, "80");
    EXPECT_TRUE(RecogniseRecord(line)->indent);
    line.replace(50, 2, "00");
    EXPECT_FALSE(RecogniseRecord(line)->indent);
}

TEST(RecogniseRecord, ColourWordOfEveryDigitValueAndCase) {
    std::mt19937 rng(99);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t colour = static_cast<std::uint32_t>(rng());
        std::string line = logtest::Record(std::uint8_t(i), "t", colour);
        if (i % 2)
            for (std::size_t k = 9; k < 17; ++k) line[k] = static_cast<char>(std::toupper(line[k]));
        const auto rec = RecogniseRecord(line);
        ASSERT_TRUE(rec);
        ASSERT_EQ(rec->colourWord, colour) << line;
        ASSERT_EQ(rec->typeCode, std::uint8_t(i));
    }
    for (std::uint32_t c : {0u, 0xFFFFFFFFu, 0x01234567u, 0x89ABCDEFu, 0xF0F0F0F0u})
        EXPECT_EQ(RecogniseRecord(logtest::Record(0, "", c))->colourWord, c);
}

TEST(RecogniseRecord, BuilderLinesAreRecords) {
    const std::string line = logtest::Record(131, "text", 0x123456, true);
    const auto rec = RecogniseRecord(line);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->typeCode, 131);
    EXPECT_EQ(rec->colourWord, 0x123456u);
    EXPECT_TRUE(rec->indent);
    EXPECT_EQ(rec->text, "text");
}

}  // namespace
