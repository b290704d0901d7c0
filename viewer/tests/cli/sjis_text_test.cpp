#include "sjis_text.h"

#include <gtest/gtest.h>

namespace chatscope {
namespace {

std::u16string Units(const QString& s) { return s.toStdU16String(); }

TEST(SjisText, DecodesSingleAndDoubleBytes) {
    EXPECT_EQ(Units(SjisToQString("abc")), u"abc");
    EXPECT_EQ(Units(SjisToQString("\x82\xA0\x83\x8C\x83\x78\x83\x8B")), u"あレベル");
    EXPECT_EQ(Units(SjisToQString("\xB1\xDF")), u"\uFF71\uFF9F");  // half-width katakana
    EXPECT_EQ(Units(SjisToQString("\x81\x40\x81\x5F\x81\x60")), u"\u3000\uFF3C\uFF5E");
    EXPECT_EQ(SjisToUtf8("\x8E\xE6\x93\xBE:1"), "取得:1");
}

TEST(SjisText, ControlBytesStayThemselves) {
    const std::string bytes("\x00\x01\x1A\x1C\x7F\x09", 6);
    EXPECT_EQ(Units(SjisToQString(bytes)), std::u16string(u"\0\x01\x1A\x1C\x7F\t", 6));
    EXPECT_EQ(SjisToUtf8(bytes), bytes);
}

TEST(SjisText, EachUndecodableByteBecomesOneReplacementCharacter) {
    EXPECT_EQ(Units(SjisToQString("a\x80" "b")), u"a\uFFFDb");
    EXPECT_EQ(Units(SjisToQString("a\xA0\xFD\xFE\xFF")), u"a\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Units(SjisToQString("a\x82")), u"a\uFFFD");          // cut-off lead byte at the end
    EXPECT_EQ(Units(SjisToQString("\x82\x09x")), u"\uFFFD\tx");    // lead byte before a control
    EXPECT_EQ(Units(SjisToQString("\xEF\x27x")), u"\uFFFD'x");     // trail outside the range
    EXPECT_EQ(Units(SjisToQString("\x85\x40")), u"\uFFFD");        // well formed, no character
    EXPECT_EQ(SjisToUtf8("\x80"), "\xEF\xBF\xBD");
}

TEST(SjisText, EncodesAndReplacesWhatItCannotHold) {
    EXPECT_EQ(QStringToSjis(QString::fromUtf8("あレベルabc")), "\x82\xA0\x83\x8C\x83\x78\x83\x8B" "abc");
    EXPECT_EQ(QStringToSjis(QString::fromUtf8("a€é😀z")), "a???z");
    EXPECT_EQ(QStringToSjis(QString::fromUtf16(u"\x1A\x1C\x7F")), "\x1A\x1C\x7F");
    EXPECT_EQ(QStringToSjis(QString::fromUtf16(u"\uFF71\u3000")), "\xB1\x81\x40");
}

TEST(SjisText, RoundTripOfEveryDoubleByteCharacter) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const QString s = SjisToQString(pair);
            ASSERT_EQ(s.size(), 1) << lead << "," << trail;
            if (s[0] == QChar::ReplacementCharacter) continue;
            ++mapped;
            const std::string back = QStringToSjis(s);
            // Windows-31J has duplicate codes (NEC and IBM rows); those come back as
            // their preferred code, which decodes to the same character.
            ASSERT_EQ(SjisToQString(back), s) << lead << "," << trail;
        }
    }
    EXPECT_GT(mapped, 7000);
}

}  // namespace
}  // namespace chatscope
