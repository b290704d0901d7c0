// LogDocument on its own, with no widget: loaded lines, lines across the store's
// chunks, an edit and its undo, and the saves.
#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include <string>

#include "document/log_document.h"
#include "test_support/test_files.h"

using namespace chatscope;
using testsupport::ReadFile;

namespace {

const char kNihon[] = "\x93\xfa\x96\x7b";  // 日本
const char kSo[] = "\x83\x5c";             // ソ, second byte 0x5C

// Three lines: "abc" red, "日本xy" green, "ソ" blue.
void FillThree(LogDocument& document) {
    document.Append("abc", 0x0000FF);
    document.Append(std::string(kNihon) + "xy", 0x00FF00);
    document.Append(kSo, 0xFF0000);
}

}  // namespace

class TestLogDocument : public QObject {
    Q_OBJECT
private slots:
    void decodesLinesWhenAsked();
    void linesAcrossStoreChunksAndEdits();
    void saveFailureReturnsFalse();
    void stepsAndOffsetsAcrossLines();
    void someLinesShownKeepEdits_data();
    void someLinesShownKeepEdits();
};

void TestLogDocument::someLinesShownKeepEdits_data() {
    QTest::addColumn<int>("fromLine");
    QTest::addColumn<int>("fromColumn");
    QTest::addColumn<int>("toLine");
    QTest::addColumn<int>("toColumn");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("whole");  // every line after showing all again, joined by ","

    // Lines a0..a5 with a0, a2 and a4 shown: the edits are made on the shown lines.
    QTest::newRow("typing in a line") << 1 << 0 << 1 << 0 << "X"
                                      << "a0,a1,Xa2,a3,a4,a5";
    QTest::newRow("a line broken in two") << 1 << 1 << 1 << 1 << "\n"
                                          << "a0,a1,a,2,a3,a4,a5";
    QTest::newRow("two shown lines joined") << 0 << 2 << 1 << 0 << ""
                                            << "a0a2,a1,a3,a4,a5";
    QTest::newRow("lines added after the last") << 2 << 2 << 2 << 2 << "\nb\nc"
                                                << "a0,a1,a2,a3,a4,b,c,a5";
    QTest::newRow("a shown line removed") << 0 << 2 << 1 << 2 << ""
                                          << "a0,a1,a3,a4,a5";
}

void TestLogDocument::someLinesShownKeepEdits() {
    QFETCH(int, fromLine);
    QFETCH(int, fromColumn);
    QFETCH(int, toLine);
    QFETCH(int, toColumn);
    QFETCH(QString, text);
    QFETCH(QString, whole);
    auto lines = [](const LogDocument& d) {
        QStringList out;
        for (int i = 0; i < d.LineCount(); ++i) out << d.LineText(i);
        return out.join(u',');
    };
    LogDocument d;
    for (int i = 0; i < 6; ++i) d.Append("a" + std::to_string(i), 0xFFFFFF);
    d.ShowOnly({true, false, true, false, true});
    QCOMPARE(lines(d), QStringLiteral("a0,a2,a4"));
    QCOMPARE(d.ShownLine(2), 1);
    QCOMPARE(d.ShownLine(3), -1);
    QCOMPARE(d.WholeLine(2), 4);
    QVERIFY(d.Replace({fromLine, fromColumn}, {toLine, toColumn}, text, {}));
    QCOMPARE(d.Freeze().Count(), static_cast<int>(whole.count(u',')) + 1);  // the whole content, hidden lines too
    d.ShowAll();
    QVERIFY(!d.ShowingSome());
    QCOMPARE(lines(d), whole);
}

void TestLogDocument::decodesLinesWhenAsked() {
    LogDocument d;
    FillThree(d);
    d.Append(
        "bad\xff"
        "byte\x82",
        0x010203);
    d.Append("", 0x040506);
    QCOMPARE(d.LineCount(), 5);
    QCOMPARE(d.LineText(1), QString::fromUtf8("日本xy"));
    QCOMPARE(d.LineText(2), QString::fromUtf8("ソ"));
    QCOMPARE(d.LineText(3), QString::fromUtf8("bad\uFFFDbyte\uFFFD"));
    QCOMPARE(d.LineText(4), QString());
    QCOMPARE(d.LineColour(0), 0x0000FFu);
    QCOMPARE(d.LineColour(2), 0xFF0000u);
    QCOMPARE(d.LineColour(4), 0x040506u);
}

void TestLogDocument::linesAcrossStoreChunksAndEdits() {
    // 150,000 lines of about 80 bytes: more than one chunk of the line store.
    LogDocument d;
    auto lineOf = [](int i) {
        std::string s = std::to_string(i) + ":";
        s.append(i % 3 == 0 ? 0 : 76, i % 2 ? 'x' : 'y');
        return s;
    };
    const int count = 150000;
    for (int i = 0; i < count; ++i) d.Append(lineOf(i), static_cast<std::uint32_t>(i));
    QCOMPARE(d.LineCount(), count);
    for (int i : {0, 1, 99999, 104857, 110000, count - 1}) {
        QCOMPARE(d.LineText(i), QString::fromStdString(lineOf(i)));
        QCOMPARE(d.LineColour(i), static_cast<std::uint32_t>(i));
    }
    QCOMPARE(d.Text({count - 2, 2}, {count - 1, 3}),
             QString::fromStdString(lineOf(count - 2).substr(2) + "\n" + lineOf(count - 1).substr(0, 3)));
    // An edit in the middle shifts the lines after it; the rest stay as loaded.
    const Pos at{104857, 0};
    QVERIFY(d.Replace(at, at, QStringLiteral("new\n"), {at, at}));
    QCOMPARE(d.LineCount(), count + 1);
    QCOMPARE(d.LineText(104857), QStringLiteral("new"));
    QCOMPARE(d.LineColour(104857), 104857u);
    QCOMPARE(d.LineText(104858), QString::fromStdString(lineOf(104857)));
    QCOMPARE(d.LineText(count), QString::fromStdString(lineOf(count - 1)));
    QVERIFY(d.Undo());
    QCOMPARE(d.LineCount(), count);
    for (int i : {0, 1, 99999, 104857, 110000, count - 1}) {
        QCOMPARE(d.LineText(i), QString::fromStdString(lineOf(i)));
        QCOMPARE(d.LineColour(i), static_cast<std::uint32_t>(i));
    }
}

void TestLogDocument::saveFailureReturnsFalse() {
    LogDocument d;
    FillThree(d);
    QTemporaryDir dir;
    const QString missing = dir.filePath("no/such/folder/out.txt");
    QVERIFY(!d.SavePlainText(missing));
    QVERIFY(!d.SaveRtf(dir.filePath("no/such/folder/out.doc")));
    QVERIFY(!QFile::exists(missing));
    // An existing file is replaced, not appended to.
    const QString path = dir.filePath("out.txt");
    QVERIFY(d.SavePlainText(path));
    d.Clear();
    d.Append("x", 0);
    QVERIFY(d.SavePlainText(path));
    QCOMPARE(ReadFile(path), QByteArray("x"));
}

// Character and word steps cross line breaks and never split a surrogate pair;
// flat offsets and positions convert both ways, edited lines included.
void TestLogDocument::stepsAndOffsetsAcrossLines() {
    LogDocument d;
    FillThree(d);  // "abc" / "日本xy" / "ソ"
    const Pos edit{1, 2};
    QVERIFY(d.Replace(edit, edit, QString::fromUtf8("😀 "), {edit, edit}));  // "日本😀 xy"
    struct Step {
        Pos from;
        bool byWord;
        Pos back, forward;
    };
    const Step steps[] = {
        {{0, 0}, false, {0, 0}, {0, 1}},                                   // nothing before the start
        {{0, 3}, false, {0, 2}, {1, 0}},                                   // a line end steps over the break
        {{1, 0}, false, {0, 3}, {1, 1}}, {{1, 2}, false, {1, 1}, {1, 4}},  // the emoji is one step of two QChars
        {{1, 4}, false, {1, 2}, {1, 5}}, {{2, 1}, false, {2, 0}, {2, 1}},  // nothing after the end
        {{1, 7}, true, {1, 5}, {2, 0}},
    };
    for (const Step& s : steps) {
        QCOMPARE(d.StepBack(s.from, s.byWord), s.back);
        QCOMPARE(d.StepForward(s.from, s.byWord), s.forward);
    }
    QCOMPARE(d.CharacterCount(), qint64(3 + 1 + 7 + 1 + 1));
    for (int line = 0; line < d.LineCount(); ++line)
        for (int column = 0; column <= d.LineLength(line); ++column)
            QCOMPARE(d.PositionAt(d.OffsetOf({line, column})), (Pos{line, column}));
    QCOMPARE(d.OffsetOf({1, 99}), qint64(4 + 7));  // clamped to the line end
    QCOMPARE(d.PositionAt(-5), (Pos{0, 0}));
    QCOMPARE(d.PositionAt(1000), d.End());
}

QTEST_MAIN(TestLogDocument)
#include "tst_logdocument.moc"
