#include <gtest/gtest.h>
#include <sys/stat.h>

#include "chatkeeper/settings_record.h"
#include "test_support.h"

namespace chatkeeper {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteFileBytes;

std::uint32_t U32At(const std::string& b, std::size_t o) {
    return static_cast<std::uint8_t>(b[o]) | static_cast<std::uint8_t>(b[o + 1]) << 8 |
           static_cast<std::uint8_t>(b[o + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[o + 3])) << 24;
}
std::uint16_t U16At(const std::string& b, std::size_t o) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[o]) | static_cast<std::uint8_t>(b[o + 1]) << 8);
}

TEST(SettingsRecord, SavedFileHasTheExactLayout) {
    TempDir dir;
    SettingsRecord rec;
    rec.SetGameLogFolder("/games/tarq/log");
    rec.SetArchiveFolder("/home/u/\x83\x8D\x83\x4F");
    rec.SetFileNameTemplate("TARQ#YY#MM#DD_#HH#MN_#SS.log");
    rec.SetMode(RotationMode::RotateBySize);
    rec.SetSizeLimitKb(-2);
    rec.SetInterval({1, 30, 5});
    ASSERT_TRUE(SaveSettings(dir / "chatkeeper.cnf", rec));

    const std::string b = ReadAll(dir / "chatkeeper.cnf");
    ASSERT_EQ(b.size(), 3088u);
    EXPECT_EQ(b.substr(0, 16), std::string("/games/tarq/log") + '\0');
    EXPECT_EQ(b.substr(1024, 13), std::string("/home/u/\x83\x8D\x83\x4F") + '\0');
    EXPECT_EQ(b.substr(2048, 29), std::string("TARQ#YY#MM#DD_#HH#MN_#SS.log") + '\0');
    EXPECT_EQ(b.substr(2048 + 28, 1024 - 28), std::string(1024 - 28, '\0'));
    EXPECT_EQ(U32At(b, 3072), 2u);
    EXPECT_EQ(U32At(b, 3076), 0xFFFFFFFEu);
    EXPECT_EQ(U16At(b, 3080), 1);
    EXPECT_EQ(U16At(b, 3082), 30);
    EXPECT_EQ(U16At(b, 3084), 5);
    EXPECT_EQ(U16At(b, 3086), 0);

    SettingsRecord back;
    ASSERT_TRUE(LoadSettings(dir / "chatkeeper.cnf", back));
    EXPECT_EQ(back.bytes, rec.bytes);
    EXPECT_EQ(back.SizeLimitKb(), -2);
    EXPECT_EQ(back.Mode(), RotationMode::RotateBySize);
    EXPECT_EQ(back.Interval(), (RotationInterval{1, 30, 5}));
}

TEST(SettingsRecord, ReservedBytesAreCarriedOver) {
    TempDir dir;
    std::string raw(3088, '\0');
    raw[3072] = 1;
    raw[3086] = '\xAB';
    raw[3087] = '\xCD';
    WriteFileBytes(dir / "a.cnf", raw);
    SettingsRecord rec;
    ASSERT_TRUE(LoadSettings(dir / "a.cnf", rec));
    EXPECT_EQ(rec.Reserved(), 0xCDAB);
    rec.SetGameLogFolder("x");
    rec.SetMode(RotationMode::RotateNever);
    ASSERT_TRUE(SaveSettings(dir / "a.cnf", rec));
    const std::string b = ReadAll(dir / "a.cnf");
    EXPECT_EQ(b[3086], '\xAB');
    EXPECT_EQ(b[3087], '\xCD');
    EXPECT_EQ(U32At(b, 3072), 3u);
}

TEST(SettingsRecord, EmptyShortLongAndMissingFiles) {
    TempDir dir;
    SettingsRecord rec;
    rec.SetGameLogFolder("stale");

    WriteFileBytes(dir / "empty.cnf", "");
    ASSERT_TRUE(LoadSettings(dir / "empty.cnf", rec));
    EXPECT_EQ(rec.GameLogFolder(), "");
    EXPECT_EQ(rec.FileNameTemplate(), "");
    EXPECT_EQ(rec.ModeValue(), 0);
    EXPECT_EQ(rec.Mode(), RotationMode::RotateNever);
    EXPECT_EQ(rec.SizeLimitKb(), 0);
    EXPECT_EQ(rec.Interval(), (RotationInterval{0, 0, 0}));

    // Shorter than a record: what is there is read, the rest stays zero.
    std::string part(1030, '\0');
    part[0] = 'g';
    part[1024] = 'a';
    part[1029] = 'z';
    WriteFileBytes(dir / "short.cnf", part);
    ASSERT_TRUE(LoadSettings(dir / "short.cnf", rec));
    EXPECT_EQ(rec.GameLogFolder(), "g");
    EXPECT_EQ(rec.ArchiveFolder(), "a");
    EXPECT_EQ(rec.ModeValue(), 0);

    // Longer than a record: only the first 3088 bytes count.
    std::string longer(4000, '\x7F');
    longer[0] = '\0';
    WriteFileBytes(dir / "long.cnf", longer);
    ASSERT_TRUE(LoadSettings(dir / "long.cnf", rec));
    EXPECT_EQ(rec.GameLogFolder(), "");
    EXPECT_EQ(rec.Reserved(), 0x7F7F);

    EXPECT_FALSE(LoadSettings(dir / "missing.cnf", rec));
    EXPECT_EQ(rec.bytes, SettingsRecord{}.bytes);
    EXPECT_FALSE(LoadSettings(dir.path(), rec));  // a folder
    ::mkfifo((dir / "fifo.cnf").c_str(), 0600);
    EXPECT_FALSE(LoadSettings(dir / "fifo.cnf", rec));  // refused at once, not waited on
}

TEST(SettingsRecord, OutOfRangeIntervalIsClamped) {
    TempDir dir;
    std::string raw(3088, '\0');
    raw[3080] = 24;
    raw[3082] = 60;
    raw[3084] = '\xFF';
    raw[3085] = '\xFF';
    WriteFileBytes(dir / "c.cnf", raw);
    SettingsRecord rec;
    ASSERT_TRUE(LoadSettings(dir / "c.cnf", rec));
    EXPECT_EQ(rec.Interval(), (RotationInterval{23, 59, 59}));

    raw[3080] = 23;
    raw[3082] = 59;
    raw[3084] = 59;
    raw[3085] = 0;
    WriteFileBytes(dir / "c.cnf", raw);
    ASSERT_TRUE(LoadSettings(dir / "c.cnf", rec));
    EXPECT_EQ(rec.Interval(), (RotationInterval{23, 59, 59}));
}

TEST(SettingsRecord, TextFieldsStopAtNulOr1023Bytes) {
    TempDir dir;
    std::string raw(3088, '\0');
    for (std::size_t i = 0; i < 1024; ++i) raw[i] = 'a';  // no NUL at all
    for (std::size_t i = 1024; i < 2048; ++i) raw[i] = 'b';
    raw[1024 + 5] = '\0';  // NUL after 5 bytes
    WriteFileBytes(dir / "t.cnf", raw);
    SettingsRecord rec;
    ASSERT_TRUE(LoadSettings(dir / "t.cnf", rec));
    EXPECT_EQ(rec.GameLogFolder(), std::string(1023, 'a'));
    EXPECT_EQ(rec.ArchiveFolder(), "bbbbb");

    // Writing a longer text keeps its first 1023 bytes and a NUL in byte 1023,
    // and clears what a longer earlier text left in the field.
    rec.SetArchiveFolder(std::string(2000, 'c'));
    EXPECT_EQ(rec.ArchiveFolder(), std::string(1023, 'c'));
    EXPECT_EQ(rec.bytes[1024 + 1023], 0);
    EXPECT_EQ(rec.bytes[2048], 0);
    rec.SetArchiveFolder("d");
    EXPECT_EQ(rec.bytes[1024 + 1], 0);
    EXPECT_EQ(rec.bytes[1024 + 1022], 0);
}

TEST(SettingsRecord, ExactTextBehindTheShiftJisText) {
    const std::string exact = "/home/j\xC3\xBCrgen";  // UTF-8
    struct Case {
        const char* name;
        std::string shiftJis;
        std::string exact;
        bool stored;
        std::string shiftJisRead;  // what any reader sees
    };
    const Case cases[] = {
        {"both fit", "/home/j?rgen", exact, true, "/home/j?rgen"},
        {"exact alone fits", std::string(600, 'a'), std::string(600, 'x'), true, ""},
        {"exact fills the field", "a", std::string(1019, 'x'), true, ""},
        {"exact too long", "abc", std::string(1020, 'x'), false, "abc"},
        {"exact with a NUL", "abc", std::string("x\0y", 3), false, "abc"},
        {"both with a NUL", std::string("ab\0\x1B%Gc", 7), std::string("x\0", 2), false, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRecord rec;
        rec.SetArchiveFolder(std::string(1023, 'z'));  // an earlier, longer text leaves nothing behind
        EXPECT_EQ(rec.SetTextWithExact(TextField::ArchiveFolder, c.shiftJis, c.exact), c.stored);
        EXPECT_EQ(rec.ArchiveFolder(), c.shiftJisRead);
        EXPECT_EQ(rec.ExactText(TextField::ArchiveFolder), c.stored ? std::optional(c.exact) : std::nullopt);
        EXPECT_EQ(rec.bytes[1024 + 1023], 0);
        EXPECT_EQ(rec.GameLogFolder(), "");
        EXPECT_EQ(rec.FileNameTemplate(), "");
    }

    // Fields written without it never show one, whatever follows their NUL.
    SettingsRecord rec;
    rec.SetGameLogFolder("/game");
    EXPECT_EQ(rec.ExactText(TextField::GameLogFolder), std::nullopt);
    const std::string odd[] = {"\x1B%G" + std::string(1018, 'x'), "\x1B%", std::string("\x1B%Gx", 5)};
    for (const std::string& behind : odd) {
        std::copy(behind.begin(), behind.end(), rec.bytes.begin() + 6);  // after "/game" and its NUL
        EXPECT_EQ(rec.ExactText(TextField::GameLogFolder),
                  behind.size() == 5 ? std::optional<std::string>("x") : std::nullopt);
    }
}

TEST(SettingsRecord, SaveReplacesAtomicallyAndFailsCleanly) {
    TempDir dir;
    WriteFileBytes(dir / "s.cnf", "old content");
    SettingsRecord rec;
    rec.SetFileNameTemplate("chat.log");
    ASSERT_TRUE(SaveSettings(dir / "s.cnf", rec));
    EXPECT_EQ(ReadAll(dir / "s.cnf").size(), 3088u);
    EXPECT_EQ(test::ListNames(dir.path()), std::vector<std::string>{"s.cnf"});  // no temporary left

    EXPECT_FALSE(SaveSettings(dir / "no-such-folder/s.cnf", rec));
    EXPECT_FALSE(test::Exists(dir / "no-such-folder"));
    EXPECT_FALSE(SaveSettings("", rec));
}

TEST(ParseSizeText, AcceptsSignedDecimalWithBlanksElse100) {
    EXPECT_EQ(ParseSizeText("100"), 100);
    EXPECT_EQ(ParseSizeText("0"), 0);
    EXPECT_EQ(ParseSizeText("  42 "), 42);
    EXPECT_EQ(ParseSizeText("+7"), 7);
    EXPECT_EQ(ParseSizeText("-5"), -5);
    EXPECT_EQ(ParseSizeText("007"), 7);
    EXPECT_EQ(ParseSizeText("2147483647"), 2147483647);
    EXPECT_EQ(ParseSizeText("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "abc", "12k", "1 2", "0x10", "-", "+", "2147483648", "99999999999999999999", "1.5",
                            "+-5", "-+5", "--5", "+ 5", "- 5", "-2147483649"}) {
        EXPECT_EQ(ParseSizeText(bad), 100) << '"' << bad << '"';
        EXPECT_EQ(ParseIntOrMinusOne(bad), -1) << '"' << bad << '"';
    }
    EXPECT_EQ(ParseIntOrMinusOne("-3"), -3);
    EXPECT_EQ(ParseIntOrMinusOne("250"), 250);
}

}  // namespace
}  // namespace chatkeeper
