// The ".doc" and ".txt" writers.
#include <QBuffer>
#include <QtTest>

#include <string>
#include <vector>

#include "document/display_content.h"
#include "document/rtf_writer.h"
#include "document/text_writer.h"

using namespace chatscope;

namespace {

// Lines held as runs of bytes or of text, as the display hands them over.
struct FakeRun {
    std::uint32_t colour;
    bool isText;
    std::string bytes;
    QString text;
};

class FakeContent : public DisplayContent {
public:
    std::vector<std::vector<FakeRun>> lines;
    std::vector<std::uint32_t> emptyColours;

    void AddBytes(std::string bytes, std::uint32_t colour) {
        lines.push_back({{colour, false, std::move(bytes), {}}});
        emptyColours.push_back(colour);
    }
    void AddText(const QString& text, std::uint32_t colour) {
        lines.push_back({{colour, true, {}, text}});
        emptyColours.push_back(colour);
    }
    void AddEmpty(std::uint32_t colour) {
        lines.push_back({});
        emptyColours.push_back(colour);
    }

    int LineCount() const override { return static_cast<int>(lines.size()); }
    void LineRuns(int line, std::vector<TextRun>& runs) const override {
        runs.clear();
        for (const FakeRun& r : lines[static_cast<std::size_t>(line)])
            runs.push_back({r.colour, r.isText, r.bytes, QStringView(r.text)});
    }
    std::uint32_t EmptyLineColour(int line) const override { return emptyColours[static_cast<std::size_t>(line)]; }
};

// What a writer puts out for `content`.
QByteArray Document(bool (*write)(const DisplayContent&, QIODevice&), const DisplayContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(content, buffer);
    return bytes;
}
QByteArray RtfDocument(const DisplayContent& content) { return Document(WriteRtf, content); }
QByteArray PlainTextDocument(const DisplayContent& content) { return Document(WritePlainText, content); }

// The document body after the header (from \viewkind4 on).
QByteArray Body(const QByteArray& rtf) { return rtf.mid(rtf.indexOf("\\viewkind4")); }

}  // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    void rtfHeaderDeclaresCodePage932();
    void rtfColourTableAndOneColourPerLine();
    void rtfEscapesAsciiAndWritesDoubleBytesAsHex();
    void rtfWritesUnencodableCharactersAsUnicode();
    void plainTextBytes();
};

void TestRtfWriter::rtfHeaderDeclaresCodePage932() {
    FakeContent content;
    content.AddBytes("x", 0xFFFFFF);
    const QByteArray rtf = RtfDocument(content);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932"));
    QVERIFY(rtf.contains("\\fcharset128"));
    // The font name is written in code page 932 too.
    QVERIFY(rtf.contains("\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QCOMPARE(rtf.count('{'), rtf.count('}'));
}

void TestRtfWriter::rtfColourTableAndOneColourPerLine() {
    FakeContent content;
    content.AddBytes("red", 0x0000FF);  // display colour 0x00BBGGRR
    content.AddBytes("blue", 0xFF0000);
    content.AddEmpty(0x00FF00);
    content.AddBytes("red again", 0x0000FF);
    const QByteArray rtf = RtfDocument(content);
    QVERIFY(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue0;}"));
    QCOMPARE(Body(rtf).mid(Body(rtf).indexOf("\\cf")),
             QByteArray("\\cf1 red\\par\n\\cf2 blue\\par\n\\cf3 \\par\n\\cf1 red again\\par\n}\n"));

    // Edited lines can hold several colours.
    FakeContent runs;
    runs.lines.push_back({{0x0000FF, false, "ab", {}}, {0x00FF00, true, {}, QStringLiteral("cd")}});
    runs.emptyColours.push_back(0);
    QVERIFY(Body(RtfDocument(runs)).contains("\\cf1 ab\\cf2 cd\\par"));
}

void TestRtfWriter::rtfEscapesAsciiAndWritesDoubleBytesAsHex() {
    FakeContent content;
    // ASCII \ { } escaped; double-byte characters whose second byte is 0x5C or 0x7B; ｱ B1.
    content.AddBytes("a\\b{c}\x83\x5c\x8b\x7b\x97\x5c\xb1\t", 0xFFFFFF);
    // Bad bytes as they were loaded: still hex.
    content.AddBytes("\xff\x81", 0xFFFFFF);
    const QByteArray body = Body(RtfDocument(content));
    QVERIFY2(body.contains("\\cf1 a\\\\b\\{c\\}\\'83\\'5c\\'8b\\'7b\\'97\\'5c\\'b1\\tab \\par\n"), body.constData());
    QVERIFY(body.contains("\\cf1 \\'ff\\'81\\par\n"));
    // The same characters as edited text come out the same.
    FakeContent edited;
    edited.AddText(QString::fromUtf8("a\\b{c}ソｱ"), 0xFFFFFF);
    QVERIFY(Body(RtfDocument(edited)).contains("\\cf1 a\\\\b\\{c\\}\\'83\\'5c\\'b1\\par\n"));
}

void TestRtfWriter::rtfWritesUnencodableCharactersAsUnicode() {
    FakeContent content;
    content.AddText(QString::fromUtf8("é😀日"), 0xFFFFFF);
    const QByteArray rtf = RtfDocument(content);
    QVERIFY(rtf.contains("\\uc1"));
    // U+00E9, then the pair D83D DE00 as signed 16-bit numbers, then 日 in code page 932.
    QVERIFY2(Body(rtf).contains("\\u233?\\u-10179?\\u-8704?\\'93\\'fa\\par"), Body(rtf).constData());
}

void TestRtfWriter::plainTextBytes() {
    FakeContent content;
    content.AddBytes("\x81\x40\x81\x40\x93\xfa", 0xFF);
    content.AddEmpty(0);
    content.AddText(QString::fromUtf8("a😀ソé"), 0);
    content.AddBytes(
        "\xff"
        "raw",
        0);  // bytes as loaded pass unchanged
    QCOMPARE(PlainTextDocument(content), QByteArray("\x81\x40\x81\x40\x93\xfa\r\n\r\na?\x83\x5c?\r\n\xff"
                                                    "raw"));
    FakeContent single;
    single.AddEmpty(0);
    QCOMPARE(PlainTextDocument(single), QByteArray());
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
