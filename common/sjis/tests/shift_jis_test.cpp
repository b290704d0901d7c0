#include "sjis/shift_jis.h"

#include <gtest/gtest.h>
#include <QStringDecoder>

#include <iterator>
#include <optional>

namespace sjis {
namespace {

std::u16string Units(const QString& s) { return s.toStdU16String(); }

TEST(ShiftJis, DecodesSingleAndDoubleBytes) {
    EXPECT_EQ(Units(Decode("abc")), u"abc");
    EXPECT_EQ(Units(Decode("\x82\xA0\x83\x8C\x83\x78\x83\x8B")), u"あレベル");
    EXPECT_EQ(Units(Decode("\xB1\xDF")), u"\uFF71\uFF9F");  // half-width katakana
    EXPECT_EQ(Units(Decode("\x81\x40\x81\x5F\x81\x60")), u"\u3000\uFF3C\uFF5E");
    EXPECT_EQ(Units(Decode("a\x83\x5C"
                           "b")),
              u"aソb");  // second byte 0x5C
    EXPECT_EQ(DecodeToUtf8("\x8E\xE6\x93\xBE:1"), "取得:1");
    EXPECT_EQ(DecodeToUtf8("ab\xB1\x80\x81\x40"), "abｱ\uFFFD\u3000");
    EXPECT_TRUE(Decode("").isEmpty());
}

// Every single byte and every lead/trail pair, appended one after another to
// text already there, gives the UTF-8 of the Qt decoding of each.
TEST(ShiftJis, AppendUtf8OfEveryCharacterIsItsDecodingInUtf8) {
    std::string out = "start:", expected = out;
    for (int code = 0; code < 0x10000; ++code) {
        if (code >= 0x100 && !(detail::IsLead(code >> 8) && detail::IsTrail(code & 0xFF))) continue;
        std::string bytes(1, static_cast<char>(code));
        if (code >= 0x100) bytes = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        AppendUtf8(bytes, out);
        expected += Decode(bytes).toUtf8().toStdString();
    }
    EXPECT_EQ(out, expected);
}

TEST(ShiftJis, ControlBytesStayThemselves) {
    const std::string bytes("\x00\x01\x1A\x1C\x7F\x09", 6);
    EXPECT_EQ(Units(Decode(bytes)), std::u16string(u"\0\x01\x1A\x1C\x7F\t", 6));
    EXPECT_EQ(DecodeToUtf8(bytes), bytes);
}

TEST(ShiftJis, EachUndecodableByteBecomesOneReplacementCharacter) {
    EXPECT_EQ(Units(Decode("a\x80"
                           "b")),
              u"a\uFFFDb");
    EXPECT_EQ(Units(Decode("a\xA0\xFD\xFE\xFF")), u"a\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Units(Decode("a\x82")), u"a\uFFFD");        // cut-off lead byte at the end
    EXPECT_EQ(Units(Decode("\x82\x09x")), u"\uFFFD\tx");  // lead byte before a control
    EXPECT_EQ(Units(Decode("A\x81 B")), u"A\uFFFD B");    // lead byte before a space
    EXPECT_EQ(Units(Decode("\xEF\x27x")), u"\uFFFD'x");   // trail outside the range
    EXPECT_EQ(Units(Decode("\x85\x40")), u"\uFFFD");      // well formed, no character
    EXPECT_EQ(DecodeToUtf8("\x80"), "\xEF\xBF\xBD");
}

TEST(ShiftJis, EncodesAndReplacesWhatItCannotHold) {
    EXPECT_EQ(Encode(QString::fromUtf8("あレベルabc")),
              "\x82\xA0\x83\x8C\x83\x78\x83\x8B"
              "abc");
    EXPECT_EQ(Encode(QString::fromUtf8("a€é😀z")), "a???z");
    EXPECT_EQ(Encode(QString::fromUtf16(u"\x1A\x1C\x7F")), "\x1A\x1C\x7F");
    EXPECT_EQ(Encode(QString::fromUtf16(u"\uFF71\u3000")), "\xB1\x81\x40");
    // Lone surrogates, U+FFFD and invisible characters the platform codec would
    // silently drop (soft hyphen, zero-width space): one "?" each.
    const QString odd = QString(QChar(0xDC00)) + QChar(0xD800) + QChar(0xFFFD) + QChar(0x00AD) + QChar(0x200B);
    EXPECT_EQ(Encode(QStringLiteral("x") + odd + QStringLiteral("y")), "x?????y");
}

// EncodeExact agrees with Encode where every character fits and refuses
// otherwise; CutToBytes keeps whole characters within a byte budget.
TEST(ShiftJis, ExactEncodingAndCutting) {
    struct Case {
        const char* utf8;
        std::optional<std::string> exact;
    };
    const Case cases[] = {
        {"", std::string()},  {"abc", std::string("abc")}, {"ドキュメント", Encode(QString::fromUtf8("ドキュメント"))},
        {"a€", std::nullopt}, {"😀", std::nullopt},         {"?", std::string("?")},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeExact(QString::fromUtf8(c.utf8)), c.exact) << c.utf8;
    EXPECT_EQ(EncodeExact(QString(QChar(0xD800))), std::nullopt);  // a lone surrogate

    const QString text = QString::fromUtf8("abアイ😀z");
    // QChars kept for a budget of 0..8 bytes; the emoji is two QChars and one "?".
    const qsizetype kept[] = {0, 1, 2, 2, 3, 3, 4, 6, 7};
    for (std::size_t budget = 0; budget < std::size(kept); ++budget)
        EXPECT_EQ(CutToBytes(text, budget), text.left(kept[budget])) << budget;
    EXPECT_EQ(CutToBytes(text, 100), text);
}

TEST(ShiftJis, FallbackSeesWholeCodePoints) {
    std::string out;
    std::u32string unencodable;
    EncodeEach(QString::fromUtf8("a😀\u3000é"), out, [&](char32_t cp, std::string& o) {
        unencodable.push_back(cp);
        o += "<>";
    });
    EXPECT_EQ(out, "a<>\x81\x40<>");
    EXPECT_EQ(unencodable, U"😀é");
}

TEST(ShiftJis, ColumnsMatchByteOffsets) {
    const std::string_view line =
        "a\x93\xfa\xff\xb1\x83\x5c"
        "b\x82";
    const QString decoded = Decode(line);
    ASSERT_EQ(CharCount(line), decoded.size());
    // Decoding the bytes from each column's offset gives the rest of the line.
    for (int column = 0; column <= decoded.size(); ++column)
        EXPECT_EQ(Decode(line.substr(ByteOffset(line, column))), decoded.mid(column)) << column;
    EXPECT_EQ(ByteOffset(line, 100), line.size());
}

// Every byte pair and every single byte against the platform codec: the same
// character wherever that codec gives exactly one printable character for a
// unit, U+FFFD for a pair it has no character for, and single control bytes as
// themselves (where the codec swaps 0x1A, 0x1C and 0x7F).
TEST(ShiftJis, AgreesWithThePlatformCodecOnEveryUnit) {
    QStringDecoder qt("Windows-31J", QStringDecoder::Flag::Stateless);
    auto platform = [&](const char* bytes, qsizetype n) { return qt.decode(QByteArrayView(bytes, n)); };
    for (int b = 0; b < 0x100; ++b) {
        const char one = static_cast<char>(b);
        const QString ours = Decode(std::string_view(&one, 1));
        ASSERT_EQ(ours.size(), 1) << b;
        if (b < 0x80)
            EXPECT_EQ(ours[0].unicode(), b) << b;
        else if (b >= 0xA1 && b <= 0xDF)
            EXPECT_EQ(ours, platform(&one, 1)) << b;
        else
            EXPECT_EQ(ours[0], QChar::ReplacementCharacter) << b;
    }
    int pairs = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead)
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const QString ours = Decode(std::string_view(pair, 2));
            const bool isPair = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && trail >= 0x40 &&
                                trail <= 0xFC && trail != 0x7F;
            if (!isPair) {  // two units, each decoded on its own
                ASSERT_EQ(ours.size(), 2) << lead << "," << trail;
                EXPECT_EQ(ours, Decode(std::string_view(pair, 1)) + Decode(std::string_view(pair + 1, 1)))
                    << lead << "," << trail;
                continue;
            }
            ++pairs;
            ASSERT_EQ(ours.size(), 1) << lead << "," << trail;
            const QString theirs = platform(pair, 2);
            if (theirs.size() == 1 && !theirs[0].isSurrogate() && theirs[0].unicode() >= 0x20)
                EXPECT_EQ(ours, theirs) << lead << "," << trail;
            else
                EXPECT_EQ(ours[0], QChar::ReplacementCharacter) << lead << "," << trail;
        }
    EXPECT_EQ(pairs, 60 * 188);
}

TEST(ShiftJis, RoundTripOfEveryDoubleByteCharacter) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const QString s = Decode(pair);
            ASSERT_EQ(s.size(), 1) << lead << "," << trail;
            if (s[0] == QChar::ReplacementCharacter) continue;
            ++mapped;
            const std::string back = Encode(s);
            // Windows-31J has duplicate codes (NEC and IBM rows); those come back as
            // their preferred code, which decodes to the same character.
            ASSERT_EQ(Decode(back), s) << lead << "," << trail;
        }
    }
    EXPECT_GT(mapped, 7000);
}

}  // namespace
}  // namespace sjis
