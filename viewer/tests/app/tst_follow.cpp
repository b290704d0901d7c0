// "末尾を追う": a log that grows while it is shown ends up exactly as a fresh
// load of the grown file shows it, whatever pieces it grew by, with or without
// only the lines matching the find text shown. A set of files loaded as one log
// is shown as their concatenation is, while its last file grows and after one
// of them is lost.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../core/log_builder.h"
#include "display/log_display.h"
#include "find/find_bar.h"
#include "find/find_session.h"
#include "log_session.h"
#include "main_window.h"
#include "statistics_window.h"
#include "test_support/test_files.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;

namespace {

// Records of the kinds the statistics count: talk, experience, items.
std::string RandomRecord(std::mt19937& rng) {
    const std::vector<std::pair<int, std::string>> kinds = {
        {1, "Alice : hello"},
        {4, ">>Bob : psst"},
        {5, "(Carol) hi"},
        {131, "Dave gains 120 exp."},
        {127, "Dave\x81\x41Potion\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD"},
        {200, "misc"},
    };
    const auto& [type, text] = kinds[rng() % kinds.size()];
    return logtest::Record(std::uint8_t(type), text + std::to_string(rng() % 3), 0x00100000u * (rng() % 16),
                           rng() % 4 == 0);
}

struct Viewer {
    QTemporaryDir dir;
    std::unique_ptr<ViewerWindows> windows;
    Viewer() { windows = CreateViewerWindows(Local("chatscope.cnf"), Local("chatscope.flt")); }
    MainWindow& main() { return *windows->mainWindow; }
    LogSession& session() { return *windows->session; }
    // What the file watch says when the file may have changed.
    void FollowTick() { emit session().FileMayHaveChanged(); }
    std::string Local(const char* name) const {
        return MainWindow::ToLocalPath(dir.filePath(QString::fromLatin1(name)));
    }
    // Hides Say, and shows only the lines matching `findText` unless it is empty.
    void Filter(const QString& findText, bool sayHidden) {
        if (sayHidden) ChannelCommand(main(), Channel::Say, false)->trigger();
        if (findText.isEmpty()) return;
        Command(main(), "matchingLinesAction")->setChecked(true);
        Part<FindBar>(main(), QStringLiteral("findBar"))->Field()->setText(findText);
    }
    // Waits until the count of the matches (if any) is done.
    void Settle() {
        QSignalSpy settled(Part<FindSession>(main(), QStringLiteral("find")), &FindSession::Settled);
        while (Part<FindSession>(main(), QStringLiteral("find"))->Busy()) QVERIFY(settled.wait(5000));
    }
    QStringList Lines() {
        QStringList lines;
        const LogDisplay& d = *Part<LogDisplay>(main(), QStringLiteral("display"));
        for (int i = 0; i < d.LineCount(); ++i) lines << d.LineText(i) + QString::number(d.LineColour(i), 16);
        return lines;
    }
    // Everything a user sees of a pass.
    QStringList Seen() {
        QStringList seen = Lines();
        seen << PanelText(main(), "experiencePanel") << PanelText(main(), "channelCountPanel")
             << Part<FindBar>(main(), QStringLiteral("findBar"))->CountText();
        StatisticsWindow& s = *windows->statisticsWindow;
        for (ReportModel* m :
             {Part<ReportModel>(s, QStringLiteral("countersModel")), Part<ReportModel>(s, QStringLiteral("itemsModel")),
              Part<ReportModel>(s, QStringLiteral("monstersModel")),
              Part<ReportModel>(s, QStringLiteral("partnersModel"))}) {
            seen << QStringLiteral("--");
            for (int r = 0; r < m->rowCount(); ++r)
                for (int c = 0; c < m->columnCount(); ++c) seen << m->Text(r, c);
        }
        return seen;
    }
};

void Append(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace

class TestFollow : public QObject {
    Q_OBJECT
private slots:
    void growingFileEqualsFreshLoad_data();
    void growingFileEqualsFreshLoad();
    void shrunkOrReplacedFileIsLoadedWhole();
    void editsPauseFollowing();
    void watchNoticesAnAppend();
    void setShowsItsConcatenation_data();
    void setShowsItsConcatenation();
};

void TestFollow::growingFileEqualsFreshLoad_data() {
    QTest::addColumn<uint>("seed");
    QTest::addColumn<QString>("findText");  // only the lines matching it shown, unless empty
    QTest::addColumn<bool>("sayHidden");
    QTest::newRow("all lines, 1") << 1u << QString() << false;
    QTest::newRow("all lines, 2") << 2u << QString() << false;
    QTest::newRow("all lines, 3") << 3u << QString() << false;
    QTest::newRow("matching lines") << 4u << QStringLiteral("DAVE") << false;
    QTest::newRow("matching lines, few") << 5u << QStringLiteral("hello1") << false;
    QTest::newRow("matching lines under a channel filter") << 6u << QStringLiteral("o") << true;
}

void TestFollow::growingFileEqualsFreshLoad() {
    QFETCH(uint, seed);
    QFETCH(QString, findText);
    QFETCH(bool, sayHidden);
    std::mt19937 rng(seed);
    std::string archive;
    for (int block = 0; block < 6; ++block) {
        std::vector<std::string> lines;
        const int count = block == 5 ? int(rng() % 50) : 50;  // the catcher copies whole files, the last may be short
        for (int i = 0; i < count; ++i) lines.push_back(rng() % 10 ? RandomRecord(rng) : std::string());
        archive += logtest::Block(lines);
    }
    Viewer v;
    v.main().show();
    v.Filter(findText, sayHidden);
    Command(v.main(), "followAction")->setChecked(true);
    ClickColumn(*v.windows->statisticsWindow, "itemsList", 1);
    const std::string path = v.Local("today.log");
    std::size_t at = 100;  // the first header, so the file loads
    Append(path, archive.substr(0, at));
    QVERIFY(v.session().Open(path));
    v.Settle();
    QScrollBar* bar = Part<LogDisplay>(v.main(), QStringLiteral("display"))->verticalScrollBar();
    bool saved = false, savedSinceLastLook = false;
    while (at < archive.size()) {
        // Pieces ending anywhere: inside a line, inside a header, on a block's end.
        const std::size_t piece = std::min<std::size_t>(archive.size() - at, 1 + rng() % 900);
        Append(path, archive.substr(at, piece));
        at += piece;
        bar->setValue(rng() % 2 ? bar->maximum() : int(rng() % unsigned(bar->maximum() + 1)));
        const int scrolled = bar->value();
        const bool atBottom = scrolled == bar->maximum();
        v.FollowTick();
        // Right at once, before any count is done; after a save the file is loaded whole and waits for its count.
        const bool wholeLoad = std::exchange(savedSinceLastLook, false);
        const QStringList shownAtOnce = v.Lines();
        v.Settle();
        if (atBottom || !wholeLoad)
            QCOMPARE(bar->value(), atBottom ? bar->maximum() : std::min(scrolled, bar->maximum()));
        if (rng() % 4 && at < archive.size()) continue;
        Viewer fresh;
        fresh.Filter(findText, sayHidden);
        ClickColumn(*fresh.windows->statisticsWindow, "itemsList", 1);
        QVERIFY(fresh.session().Load(path));
        fresh.Settle();
        if (!wholeLoad) QCOMPARE(shownAtOnce, fresh.Lines());
        QCOMPARE(v.Seen(), fresh.Seen());
        if (saved || at < archive.size() / 2) continue;
        // Once, half way or later: the HTML save holds the records shown.
        const QString html = v.dir.filePath(QStringLiteral("out.htm"));
        v.main().SaveToPath(html);
        const QStringList shown = v.Lines();
        const bool noneShown =
            shown.size() == 1 && Part<LogDisplay>(v.main(), QStringLiteral("display"))->LineText(0).isEmpty();
        QCOMPARE(testsupport::ReadFile(html).count("<BR>"), noneShown ? 0 : shown.size());
        saved = savedSinceLastLook = true;
    }
    // The lines hidden as they came are all there again when every line is shown.
    Command(v.main(), "matchingLinesAction")->setChecked(false);
    Viewer all;
    all.Filter(QString(), sayHidden);
    QVERIFY(all.session().Load(path));
    QCOMPARE(v.Lines(), all.Lines());
}

void TestFollow::shrunkOrReplacedFileIsLoadedWhole() {
    Viewer v;
    const std::string path = v.Local("a.log");
    std::mt19937 rng(7);
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i) lines.push_back(RandomRecord(rng));
    Append(path, logtest::Block(lines));
    QVERIFY(v.session().Open(path));
    Command(v.main(), "followAction")->trigger();
    QVERIFY(Command(v.main(), "followAction")->isChecked());

    for (int round = 0; round < 2; ++round) {
        lines.resize(lines.size() / 2);
        const std::string other = v.Local("b.log");
        std::filesystem::remove(other);
        Append(other, logtest::Block(lines));
        if (round == 0)
            std::filesystem::resize_file(path, 100 + 10);  // shrinks
        else
            std::filesystem::rename(other, path);  // another file under the name
        v.FollowTick();
        Viewer fresh;
        QVERIFY(fresh.session().Load(path));
        QCOMPARE(v.Seen(), fresh.Seen());
    }
}

void TestFollow::editsPauseFollowing() {
    Viewer v;
    const std::string path = v.Local("a.log");
    Append(path, logtest::Header() + logtest::Record(1, "Alice : one") + std::string(1, '\0'));
    QVERIFY(v.session().Open(path));
    Command(v.main(), "followAction")->setChecked(true);
    Part<LogDisplay>(v.main(), QStringLiteral("display"))->SetSelection(0, 0, 0, 5);
    Part<LogDisplay>(v.main(), QStringLiteral("display"))->InsertText(QStringLiteral("Edited"));
    Append(path, logtest::Record(1, "Alice : two") + std::string(1, '\0'));
    v.FollowTick();
    QCOMPARE(Part<LogDisplay>(v.main(), QStringLiteral("display"))->LineCount(), 1);
    QCOMPARE(Part<LogDisplay>(v.main(), QStringLiteral("display"))->LineText(0), QStringLiteral("Edited : one"));
    QVERIFY(v.session().Load(path));  // the next load shows all and follows again
    Append(path, logtest::Record(1, "Alice : three") + std::string(1, '\0'));
    v.FollowTick();
    QCOMPARE(Part<LogDisplay>(v.main(), QStringLiteral("display"))->LineCount(), 3);

    // The state is remembered for the next start.
    const auto again = CreateViewerWindows(v.Local("chatscope.cnf"), v.Local("chatscope.flt"));
    QVERIFY(Command(*again->mainWindow, "followAction")->isChecked());
}

void TestFollow::watchNoticesAnAppend() {
    Viewer v;
    v.main().show();
    const std::string path = v.Local("a.log");
    std::string block;
    for (int i = 0; i < 50; ++i)
        block += logtest::Record(1, "Alice : line " + std::to_string(i)) + std::string(1, '\0');
    Append(path, logtest::Header() + block);
    QVERIFY(v.session().Open(path));
    Command(v.main(), "followAction")->setChecked(true);
    v.main().resize(400, 200);
    QScrollBar* bar = Part<LogDisplay>(v.main(), QStringLiteral("display"))->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    Append(path, logtest::Header() + block);
    QTRY_COMPARE_WITH_TIMEOUT(Part<LogDisplay>(v.main(), QStringLiteral("display"))->LineCount(), 100, 5000);
    QCOMPARE(bar->value(), bar->maximum());  // kept at the bottom
}

void TestFollow::setShowsItsConcatenation_data() {
    QTest::addColumn<uint>("seed");
    QTest::addColumn<QString>("findText");
    QTest::addColumn<int>("lost");          // the file of the set lost before the re-read
    QTest::addColumn<bool>("overwritten");  // lost by becoming no chat log, else deleted
    QTest::newRow("first deleted") << 11u << QString() << 0 << false;
    QTest::newRow("middle no log") << 12u << QString() << 1 << true;
    QTest::newRow("last deleted, matching lines") << 13u << QStringLiteral("DAVE") << 2 << false;
    QTest::newRow("last no log") << 14u << QString() << 2 << true;
}

void TestFollow::setShowsItsConcatenation() {
    QFETCH(uint, seed);
    QFETCH(QString, findText);
    QFETCH(int, lost);
    QFETCH(bool, overwritten);
    std::mt19937 rng(seed);
    auto blocks = [&rng](int count) {
        std::string bytes;
        for (int block = 0; block < count; ++block) {
            std::vector<std::string> lines;
            const int lineCount = block == count - 1 ? int(rng() % 50) : 50;
            for (int i = 0; i < lineCount; ++i) lines.push_back(rng() % 10 ? RandomRecord(rng) : std::string());
            bytes += logtest::Block(lines);
        }
        return bytes;
    };
    // An archive cut at block boundaries into three files, the last one growing later.
    std::vector<std::string> parts;
    for (int file = 0; file < 3; ++file) parts.push_back(blocks(1 + int(rng() % 3)));
    const std::string grown = blocks(2);
    Viewer v;
    v.main().show();
    std::vector<std::string> set;
    for (int file = 0; file < 3; ++file) {
        set.push_back(v.Local(file == 0 ? "TARQ1.log" : file == 1 ? "TARQ2.log" : "TARQ3.log"));
        Append(set.back(), parts[std::size_t(file)]);
    }
    // What a fresh viewer shows of one file holding `bytes`, with the same filters.
    auto freshSeen = [&](const std::string& bytes, bool sayHidden, QStringList* captionAndHtml = nullptr) {
        Viewer fresh;
        fresh.Filter(findText, sayHidden);
        const std::string path = fresh.Local("all.log");
        Append(path, bytes);
        if (!fresh.session().Load(path)) return QStringList{QStringLiteral("no load")};
        fresh.Settle();
        if (captionAndHtml) {
            fresh.main().SaveToPath(fresh.dir.filePath(QStringLiteral("out.htm")));
            *captionAndHtml << testsupport::ReadFile(fresh.dir.filePath(QStringLiteral("out.htm")));
        }
        return fresh.Seen();
    };

    v.Filter(findText, false);
    Command(v.main(), "followAction")->setChecked(true);
    QVERIFY(v.session().Open(set));
    v.Settle();
    QCOMPARE(v.main().windowTitle(),
             QStringLiteral("Tarq Log Viewer [") + MainWindow::FromLocalPath(set[0]) + QStringLiteral(" +2]"));
    QStringList html;
    QCOMPARE(v.Seen(), freshSeen(parts[0] + parts[1] + parts[2], false, &html));
    v.main().SaveToPath(v.dir.filePath(QStringLiteral("out.htm")));
    QCOMPARE(QStringList{testsupport::ReadFile(v.dir.filePath(QStringLiteral("out.htm")))}, html);
    QVERIFY(!Part<QLabel>(v.main(), QStringLiteral("leftOutPanel"))->isVisibleTo(&v.main()));

    // The last file grows, in pieces ending anywhere: only what was appended is read.
    for (std::size_t at = 0; at < grown.size();) {
        const std::size_t piece = std::min<std::size_t>(grown.size() - at, 1 + rng() % 3000);
        Append(set[2], grown.substr(at, piece));
        at += piece;
        QCOMPARE(v.session().FollowOnce(), FollowResult::Appended);
    }
    v.Settle();
    parts[2] += grown;
    QCOMPARE(v.Seen(), freshSeen(parts[0] + parts[1] + parts[2], false));

    // One file is lost; a filter change reads the others and names it.
    const std::string lostPath = set[std::size_t(lost)];
    std::filesystem::remove(lostPath);
    if (overwritten) Append(lostPath, "\x01 no chat log");
    ChannelCommand(v.main(), Channel::Say, false)->trigger();
    v.Settle();
    parts.erase(parts.begin() + lost);
    QCOMPARE(v.Seen(), freshSeen(parts[0] + parts[1], true));
    const QString lostName = QStringLiteral("TARQ%1.log").arg(lost + 1);
    QCOMPARE(PanelText(v.main(), "leftOutPanel"), QStringLiteral("読み込めなかったファイル: ") + lostName);
    QVERIFY(Part<QLabel>(v.main(), QStringLiteral("leftOutPanel"))->isVisibleTo(&v.main()));
    QVERIFY(v.main().windowTitle().endsWith(QStringLiteral(" +1]")));

    // Following goes on with the last file left, which the watch now watches.
    parts[1] += grown;
    const QStringList expected = freshSeen(parts[0] + parts[1], true);
    Append(set[lost == 2 ? 1 : 2], grown);
    QTRY_VERIFY_WITH_TIMEOUT((v.Settle(), v.Seen() == expected), 5000);
}

QTEST_MAIN(TestFollow)
#include "tst_follow.moc"
