// Find: the matching rules of the search text, the find bar's keys and the
// view of matching lines only.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../core/log_builder.h"
#include "display/log_display.h"
#include "find/byte_prefilter.h"
#include "find/find_bar.h"
#include "find/find_session.h"
#include "find/text_matcher.h"
#include "log_session.h"
#include "main_window.h"
#include "sjis/shift_jis.h"
#include "test_support/test_files.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;

namespace {

// The viewer's windows in a folder of their own, with a log of `records` loaded.
struct Viewer {
    QTemporaryDir dir;
    std::unique_ptr<ViewerWindows> windows;

    explicit Viewer(const std::vector<std::string>& records) {
        windows = CreateViewerWindows(Local("chatscope.cnf"), Local("chatscope.flt"));
        windows->mainWindow->show();
        const std::string log = logtest::Block(records);
        std::ofstream(Local("chat.log"), std::ios::binary).write(log.data(), std::streamsize(log.size()));
        QVERIFY(session().Load(Local("chat.log")));
    }
    MainWindow& main() { return *windows->mainWindow; }
    LogSession& session() { return *windows->session; }
    LogDisplay& display() { return *Part<LogDisplay>(main(), QStringLiteral("display")); }
    FindBar& bar() { return *Part<FindBar>(main(), QStringLiteral("findBar")); }
    std::string Local(const QString& name) const { return MainWindow::ToLocalPath(dir.filePath(name)); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < display().LineCount(); ++i) lines << display().LineText(i);
        return lines;
    }
    // Runs `step` and waits until the count it starts (if any) is done.
    template <typename Step> void Settle(Step&& step) {
        QSignalSpy settled(Part<FindSession>(main(), QStringLiteral("find")), &FindSession::Settled);
        step();
        while (Part<FindSession>(main(), QStringLiteral("find"))->Busy()) QVERIFY(settled.wait(5000));
    }
    QString Selection() {
        const auto [from, to] = display().SelectionRange();
        return QStringLiteral("%1:%2-%3:%4").arg(from.line).arg(from.column).arg(to.line).arg(to.column);
    }
};

// "ａｌｉｃｅ" in Shift-JIS (full-width letters).
const std::string kWideAlice = "\x82\x81\x82\x8C\x82\x89\x82\x83\x82\x85";

std::vector<std::string> Records() {
    return {
        logtest::Record(1, "Alice : hello", 0x00FFFFFF), logtest::Record(5, "(bob) ALICE & alice?", 0x0000FFFF),
        logtest::Record(1, "Carol : hi", 0x00FFFFFF),    logtest::Record(0, kWideAlice + " waves", 0x00123456, true),
        logtest::Record(200, "misc <b>", 0x00808080),
    };
}

}  // namespace

class FindTest : public QObject {
    Q_OBJECT
private slots:
    void Matching_data();
    void Matching();
    void BytePrefilterMissesNoCharacter();
    void BarKeys();
    void MatchingLinesOnly();
};

void FindTest::Matching_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("matches");  // "start-end" columns of the original line, space separated

    QTest::newRow("full width letters") << u"abc"_qs << false << u"xＡＢＣy"_qs << "1-4";
    QTest::newRow("upper case") << u"ａｂｃ"_qs << false << u"ABC abc"_qs << "0-3 4-7";
    QTest::newRow("half width kana") << u"カタカナ"_qs << false << u"ｶﾀｶﾅです"_qs << "0-4";
    QTest::newRow("voiced half width kana") << u"ガ"_qs << false << u"ｶﾞｶガ"_qs << "0-2 3-4";
    QTest::newRow("base of a voiced kana is no match") << u"カ"_qs << false << u"ｶﾞガカ"_qs << "3-4";
    QTest::newRow("full width digits") << u"１２３"_qs << false << u"a123b"_qs << "1-4";
    QTest::newRow("ideographic space") << u"a b"_qs << false << u"a　b"_qs << "0-3";
    QTest::newRow("expanding character") << u"株式会社"_qs << false << u"x㍿"_qs << "1-2";
    QTest::newRow("expanding characters only") << u"株式会社"_qs << false << u"㍿㍿㍿㍿㍿"_qs << "0-1 1-2 2-3 3-4 4-5";
    QTest::newRow("not overlapping") << u"aa"_qs << false << u"aaaaa"_qs << "0-2 2-4";
    QTest::newRow("surrogate pair") << u"𠮷"_qs << false << u"a𠮷b"_qs << "1-3";
    QTest::newRow("no match") << u"xyz"_qs << false << u"ABC"_qs << "";
    QTest::newRow("exact: case counts") << u"abc"_qs << true << u"ABC abc ａｂｃ"_qs << "4-7";
    QTest::newRow("exact: width counts") << u"カ"_qs << true << u"ｶカ"_qs << "1-2";
    QTest::newRow("empty pattern") << QString() << false << u"abc"_qs << "";
}

void FindTest::Matching() {
    QFETCH(QString, pattern);
    QFETCH(bool, exact);
    QFETCH(QString, line);
    QFETCH(QString, matches);

    TextMatcher matcher(pattern, exact);
    std::vector<TextMatch> found;
    matcher.FindAll(line, found);
    QStringList got;
    for (const TextMatch& m : found) got << QStringLiteral("%1-%2").arg(m.start).arg(m.end);
    QCOMPARE(got.join(u' '), matches);
    QCOMPARE(matcher.Count(line), static_cast<int>(found.size()));
    QCOMPARE(matcher.Contains(line), !found.empty());
    // The same line as the display holds it when loaded, where Windows-31J can hold it.
    if (const auto bytes = sjis::EncodeExact(line))
        QCOMPARE(matcher.CountBytes(*bytes), static_cast<int>(found.size()));
    if (!found.empty()) {
        QCOMPARE(matcher.FindFrom(line, found.front().start + 1).start, found.size() > 1 ? found[1].start : 0);
        QCOMPARE(matcher.FindBefore(line, found.back().end), found.back());
    }
}

// Every Windows-31J character at the start of a line, across a sixteen-byte
// boundary and at the end: the prefilter lets the line through whenever the
// character's form holds the unit looked for, and its vector and byte-wise looks
// agree. Lines without one of the units are turned away.
void FindTest::BytePrefilterMissesNoCharacter() {
    std::vector<std::string> characters;
    for (int b = 0; b < 0x100; ++b) characters.emplace_back(1, static_cast<char>(b));
    for (int lead = 0x81; lead <= 0xFC; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (sjis::detail::IsLead(lead) && sjis::detail::IsTrail(trail))
                characters.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    // Letters, digits, kana with and without their mark, the mark alone, a
    // character Windows-31J holds three times, U+FFFD and one it cannot hold.
    std::u16string units = u"aAz1 \u30AB\u30AC\u3099\u682A\uFFE2\u30FC\uFFFD";
    units.push_back(0xD835);  // a high surrogate
    const std::string pad(31, ' ');
    for (const bool exact : {false, true}) {
        for (const char16_t unit : units) {
            const BytePrefilter filter(std::u16string(1, unit), exact);
            for (const std::string& c : characters) {
                const QString decoded = sjis::Decode(c);
                const bool holds = (exact ? decoded : FoldForSearch(decoded)).contains(QChar(unit));
                for (const std::size_t before : {0, 13, 14, 15, 16, 31})
                    for (const std::size_t after : {0, 16}) {
                        const std::string line = pad.substr(0, before) + c + pad.substr(0, after);
                        const bool may = filter.MayContain(line);
                        if ((holds && !may) || may != filter.MayContainPortable(line))
                            QFAIL(qPrintable(QStringLiteral("unit %1 (exact %2), character %3 at %4 of %5 bytes")
                                                 .arg(int(unit), 4, 16)
                                                 .arg(exact)
                                                 .arg(QString::fromLatin1(QByteArray::fromStdString(c).toHex()))
                                                 .arg(before)
                                                 .arg(line.size())));
                    }
            }
        }
    }
    const std::string battle = *sjis::EncodeExact(u"Dorianの攻撃→サハギンに235ダメージ。"_qs);
    const BytePrefilter aldo(u"aldo", false);
    QVERIFY(!aldo.MayContain(battle));
    QVERIFY(!aldo.MayContain("Cassia"));
    QVERIFY(aldo.MayContain(*sjis::EncodeExact(u"ＡＬＤＯの攻撃→サハギンに235ダメージ。"_qs)));
    QVERIFY(!BytePrefilter(u"a", true).MayContain("A LINE OF MORE THAN SIXTEEN BYTES"));
    QVERIFY(!BytePrefilter(u"\U00020BB7", true).MayContain("\x82\xa0"));
}

void FindTest::BarKeys() {
    Viewer v(Records());
    v.main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&v.main()));
    QCOMPARE(Command(v.main(), "findAction")->shortcut(), QKeySequence(QKeySequence::Find));
    QCOMPARE(Command(v.main(), "findNextAction")->shortcut(), QKeySequence(Qt::Key_F3));
    QCOMPARE(Command(v.main(), "findPreviousAction")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    QVERIFY(!v.bar().isVisible());
    QVERIFY(!v.bar().ExactOption()->isChecked());

    QLineEdit* field = v.bar().Field();
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* selection;
        const char* count;
    };
    const std::vector<Step> steps = {
        {"Ctrl+F opens the bar", [&] { Command(v.main(), "findAction")->trigger(); }, "0:0-0:0", ""},
        {"typing finds the first match", [&] { QTest::keyClicks(field, "alice"); }, "0:0-0:5", "1 / 4"},
        {"Enter: next", [&] { QTest::keyClick(field, Qt::Key_Return); }, "1:6-1:11", "2 / 4"},
        {"Enter: next in the same line", [&] { QTest::keyClick(field, Qt::Key_Enter); }, "1:14-1:19", "3 / 4"},
        {"full width, indented", [&] { QTest::keyClick(field, Qt::Key_Return); }, "3:2-3:7", "4 / 4"},
        {"wraps at the end", [&] { Command(v.main(), "findNextAction")->trigger(); }, "0:0-0:5", "1 / 4"},
        {"Shift+Enter wraps back", [&] { QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier); }, "3:2-3:7",
         "4 / 4"},
        {"previous", [&] { Command(v.main(), "findPreviousAction")->trigger(); }, "1:14-1:19", "3 / 4"},
        {"exact case and width", [&] { v.bar().ExactOption()->setChecked(true); }, "1:14-1:19", "1 / 1"},
        {"no match", [&] { QTest::keyClicks(field, "zz"); }, "1:14-1:19", "0 件"},
    };
    for (const Step& step : steps) {
        v.Settle(step.act);
        QVERIFY2(v.bar().isVisible(), step.what);
        QVERIFY2(field->hasFocus(), step.what);
        QVERIFY2(v.Selection() == QLatin1String(step.selection), qPrintable(v.Selection() + " " + step.what));
        QVERIFY2(v.bar().CountText() == QString::fromUtf8(step.count),
                 qPrintable(v.bar().CountText() + " " + step.what));
    }
    // A match below the caret is selected as the text changes, before the count's
    // thread reports (no event is processed in between).
    v.display().SetSelection(2, 0, 2, 0);
    v.bar().ExactOption()->setChecked(false);
    field->setText(QStringLiteral("MISC"));
    QCOMPARE(v.Selection(), QStringLiteral("4:0-4:4"));
    v.Settle([] {});
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!v.bar().isVisible());
    QVERIFY(v.display().hasFocus());
}

void FindTest::MatchingLinesOnly() {
    Viewer v(Records());
    const QStringList all = v.Lines();
    const QString counts = PanelText(v.main(), "channelCountPanel");
    v.display().SetSelection(3, 1, 3, 1);  // the caret on the indented record
    v.Settle([&] {
        Command(v.main(), "findAction")->trigger();
        v.bar().Field()->setText(QStringLiteral("ALICE"));
    });
    v.Settle([&] { Command(v.main(), "matchingLinesAction")->setChecked(true); });
    const QStringList matching = {all[0], all[1], all[3]};
    QCOMPARE(v.Lines(), matching);
    QCOMPARE(PanelText(v.main(), "channelCountPanel"), counts);  // the status keeps describing the whole file

    // The saves hold what is shown: the HTML save the same records, read again from the log.
    v.main().SaveToPath(v.dir.filePath(QStringLiteral("out.htm")));
    v.main().SaveToPath(v.dir.filePath(QStringLiteral("out.txt")));
    const QByteArray html = testsupport::ReadFile(v.dir.filePath(QStringLiteral("out.htm")));
    QCOMPARE(html.count("<BR>"), 3);
    QVERIFY(html.contains(">Alice : hello<") && html.contains("ALICE &amp; alice?") && html.contains(" waves<"));
    QCOMPARE(testsupport::ReadFile(v.dir.filePath(QStringLiteral("out.txt"))),
             QByteArray::fromStdString(sjis::Encode(matching.join(QStringLiteral("\r\n")))));

    // On top of the channel filters: hiding Say re-reads the log and keeps the text filter.
    v.Settle([&] { ChannelCommand(v.main(), Channel::Say, false)->trigger(); });
    QCOMPARE(v.Lines(), (QStringList{all[1], all[3]}));
    v.Settle([&] { ChannelCommand(v.main(), Channel::Say, false)->trigger(); });

    // An edit of a shown line stays when all are shown again; the caret stays on its record.
    v.display().SetSelection(1, 0, 1, 0);
    v.display().InsertText(QStringLiteral("X"));
    v.Settle([&] { Command(v.main(), "matchingLinesAction")->setChecked(false); });
    QStringList edited = all;
    edited[1] = QStringLiteral("X") + all[1];
    QCOMPARE(v.Lines(), edited);
    QCOMPARE(v.display().CaretPosition().line, 1);

    // Clearing the text shows all lines again, too.
    v.Settle([&] { Command(v.main(), "matchingLinesAction")->setChecked(true); });
    QCOMPARE(v.Lines().size(), 3);
    v.Settle([&] { v.bar().Field()->clear(); });
    QCOMPARE(v.Lines(), edited);
}

QTEST_MAIN(FindTest)
#include "tst_find.moc"
