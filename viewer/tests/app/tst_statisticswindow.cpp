// The statistics window: its rows, its column-click sorting and how it stands
// beside the main window.
#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScreen>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "log_session.h"
#include "main_window.h"
#include "settings_dialog.h"
#include "side_window_placement.h"
#include "statistics_window.h"
#include "test_logs.h"
#include "test_support/test_files.h"
#include "viewer_main.h"
#include "window_parts.h"
#include "wrapping_tabs.h"

using namespace chatscope;
using namespace apptest;
using namespace testsupport;
using logtest::Record;

namespace {

// Item record "<obtainer>、<item>を手に入れた" (type 127).
std::string ItemRecord(const std::string& obtainer, const std::string& item) {
    return Record(127, obtainer + "\x81\x41" + item + "\x82\xF0\x8E\xE8\x82\xC9");
}
// Defeat record "<monster>は倒れた" (type 36).
std::string DefeatRecord(const std::string& monster) {
    return Record(36, monster + "\x82\xCD\x93\x7C\x82\xEA\x82\xBD");
}

QStringList Column(const ReportModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) texts << model.Text(row, column);
    return texts;
}

}  // namespace

class TestStatisticsWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<ViewerWindows> w_;
    // Statistics of the test's own, with a window of their own beside the main window.
    LogStatistics stats_;
    std::unique_ptr<StatisticsWindow> view_;
    LogStatistics& Stats() { return stats_; }
    StatisticsWindow& View() {
        if (!view_) view_ = std::make_unique<StatisticsWindow>(stats_, w_->mainWindow.get());
        return *view_;
    }
    // The viewer's own statistics window, a view of the session's statistics.
    StatisticsWindow& Window() { return *w_->statisticsWindow; }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        w_ = CreateViewerWindows(Path("chatscope.cnf").toStdString(), Path("chatscope.flt").toStdString());
        w_->mainWindow->resize(587, 463);
    }
    void cleanup() {
        view_.reset();
        stats_ = LogStatistics{};
        w_.reset();
    }

    // All four captions fit the window's own width on wrapped rows, and the
    // tabs are reachable by keyboard and by assistive technology.
    void tabsWrapAndStayReachable() {
        Window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window()));
        WrappingTabs* tabs = Part<WrappingTabs>(Window(), QStringLiteral("tabs"));
        const QRect row = tabs->tabRow()->rect();
        QSet<int> rowTops;
        for (int t = 0; t < tabs->count(); ++t) {
            TabButton* b = tabs->tabButton(t);
            QVERIFY(b->isVisible());
            QVERIFY2(row.contains(b->geometry()), qPrintable(tabs->tabText(t)));
            QCOMPARE(b->width(), b->sizeHint().width());  // never elided
            rowTops.insert(b->y());
        }
        QVERIFY(rowTops.size() > 1);
        QVERIFY(tabs->tabRow()->height() >= tabs->tabButton(3)->geometry().bottom());

        const struct {
            QWidget* focus;
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            int from, to;
        } keys[] = {
            {tabs->tabButton(0), Qt::Key_Right, Qt::NoModifier, 0, 1},
            {tabs->tabButton(0), Qt::Key_Left, Qt::NoModifier, 0, 3},
            {Part<QTableView>(Window(), QStringLiteral("countersList")), Qt::Key_Tab, Qt::ControlModifier, 0, 1},
            {Part<QTableView>(Window(), QStringLiteral("partnersList")), Qt::Key_Tab, Qt::ControlModifier, 3, 0},
            {Part<QTableView>(Window(), QStringLiteral("itemsList")), Qt::Key_Backtab,
             Qt::ControlModifier | Qt::ShiftModifier, 1, 0},
        };
        for (const auto& k : keys) {
            tabs->setCurrentIndex(k.from);
            Window().activateWindow();
            k.focus->setFocus();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : k.focus, k.key, k.mods);
            QCOMPARE(tabs->currentIndex(), k.to);
            QCOMPARE(tabs->currentWidget(), tabs->widget(k.to));
            QVERIFY(tabs->tabButton(k.to)->isChecked());
        }

        QAccessibleInterface* rowIface = QAccessible::queryAccessibleInterface(tabs->tabRow());
        QVERIFY(rowIface);
        QCOMPARE(rowIface->role(), QAccessible::PageTabList);
        QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(tabs->tabButton(2));
        QVERIFY(tab);
        QCOMPARE(tab->role(), QAccessible::PageTab);
        QCOMPARE(tab->text(QAccessible::Name), QStringLiteral("倒したモンスター"));
        tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(tab->state().selected);
        QVERIFY(!QAccessible::queryAccessibleInterface(tabs->tabButton(0))->state().selected);
    }

    void layoutOfTheWindow() {
        QCOMPARE(Window().windowTitle(), QStringLiteral("chatscope Data"));
        QVERIFY(!Window().isVisible());
        QCOMPARE(Window().size(), QSize(223, 463));
        WrappingTabs* tabs = Part<WrappingTabs>(Window(), QStringLiteral("tabs"));
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->currentIndex(), 0);
        const QStringList tabCaptions = {QStringLiteral("各種統計"), QStringLiteral("アイテム"),
                                         QStringLiteral("倒したモンスター"), QStringLiteral("会話相手")};
        QTableView* lists[4] = {Part<QTableView>(Window(), QStringLiteral("countersList")),
                                Part<QTableView>(Window(), QStringLiteral("itemsList")),
                                Part<QTableView>(Window(), QStringLiteral("monstersList")),
                                Part<QTableView>(Window(), QStringLiteral("partnersList"))};
        const std::vector<std::vector<std::pair<QString, int>>> columns = {
            {{QStringLiteral("項目"), 120}, {QStringLiteral("内容"), 80}},
            {{QStringLiteral("アイテム"), 110}, {QStringLiteral("数"), 30}, {QStringLiteral("取得者"), 60}},
            {{QStringLiteral("モンスター"), 160}, {QStringLiteral("数"), 40}},
            {{QStringLiteral("名前"), 90}, {QStringLiteral("回数"), 40}, {QStringLiteral("種別"), 70}},
        };
        for (int t = 0; t < 4; ++t) {
            QCOMPARE(tabs->tabText(t), tabCaptions[t]);
            QCOMPARE(tabs->widget(t), lists[t]);
            QTableView* list = lists[t];
            QCOMPARE(list->model()->columnCount(), int(columns[t].size()));
            for (int c = 0; c < int(columns[t].size()); ++c) {
                QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), columns[t][c].first);
                QCOMPARE(list->columnWidth(c), columns[t][c].second);
            }
            QVERIFY(list->showGrid());
            QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
            QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        }
    }

    void counterRowsShowEveryCounterInItsFormat() {
        // All zero: 31 rows, each with 0 in its format, and three empty lists.
        View().RefreshStatistics();
        const ReportModel& list1 = *Part<ReportModel>(View(), QStringLiteral("countersModel"));
        QCOMPARE(list1.rowCount(), 31);
        const QStringList captions = {"Say",
                                      "Tell",
                                      "Party",
                                      "LinkShell",
                                      "Shout",
                                      "Emote",
                                      "サービスメッセージ",
                                      "アイテム、ギル取得",
                                      "スキルアップ",
                                      "経験値",
                                      "サーチコメント",
                                      "リンクシェルメッセージ",
                                      "レベルアップ、ダウン",
                                      "その他",
                                      "取得経験値",
                                      "取得ギル",
                                      "アタック",
                                      "アタック回数",
                                      "ミス回数",
                                      "被ダメージ",
                                      "被ダメージ回数",
                                      "回復",
                                      "回復回数",
                                      "被回復",
                                      "被回復回数",
                                      "倒した回数",
                                      "戦闘不能回数",
                                      "アタック(パーティー)",
                                      "被ダメージ(パーティー)",
                                      "倒した回数(パーティー)",
                                      "戦闘不能回数(パーティー)"};
        const QStringList units = {" 行", " 行", " 行", " 行",       " 行",   " 行", " 行", " 行", " 行", " 行", " 行",
                                   " 行", " 行", " 行", " ポイント", " ギル", " HP", " 回", " 回", " HP", " 回", " HP",
                                   " 回", " HP", " 回", " 回",       " 回",   " HP", " HP", " 回", " 回"};
        QCOMPARE(Column(list1, 0), captions);
        for (int row = 0; row < 31; ++row) QCOMPARE(list1.Text(row, 1), QStringLiteral("0") + units[row]);
        QCOMPARE(Part<ReportModel>(View(), QStringLiteral("itemsModel"))->rowCount(), 0);
        QCOMPARE(Part<ReportModel>(View(), QStringLiteral("monstersModel"))->rowCount(), 0);
        QCOMPARE(Part<ReportModel>(View(), QStringLiteral("partnersModel"))->rowCount(), 0);

        // Known values land in their own rows.
        Stats().counters[SayLines] = 12;
        Stats().counters[OtherLines] = 3;
        Stats().counters[ExpPoints] = 4521;
        Stats().counters[MoneyGained] = 300;
        Stats().counters[AttackDamage] = 87;
        Stats().counters[PartyKnockedOutCount] = 2;
        View().RefreshStatistics();
        QCOMPARE(list1.rowCount(), 31);
        QCOMPARE(list1.Text(0, 1), QStringLiteral("12 行"));
        QCOMPARE(list1.Text(1, 1), QStringLiteral("0 行"));
        QCOMPARE(list1.Text(13, 1), QStringLiteral("3 行"));
        QCOMPARE(list1.Text(14, 1), QStringLiteral("4521 ポイント"));
        QCOMPARE(list1.Text(15, 1), QStringLiteral("300 ギル"));
        QCOMPARE(list1.Text(16, 1), QStringLiteral("87 HP"));
        QCOMPARE(list1.Text(30, 1), QStringLiteral("2 回"));
        // The window only reads: its own copy of the rows is in Shift-JIS.
        QCOMPARE(list1.Row(0).cells[1], std::string("12 \x8D\x73"));
    }

    void itemPairsAreMergedWithTheirCounts() {
        auto& items = Stats().items;
        items.Append("A", "X");
        items.Append("A", "X");
        items.Append("A", "Y");
        items.Append("B", "X");
        View().RefreshStatistics();
        const ReportModel& list2 = *Part<ReportModel>(View(), QStringLiteral("itemsModel"));
        QCOMPARE(list2.rowCount(), 3);
        QCOMPARE(Column(list2, 0), QStringList({"A", "A", "B"}));
        QCOMPARE(Column(list2, 1), QStringList({"2", "1", "1"}));
        QCOMPARE(Column(list2, 2), QStringList({"X", "Y", "X"}));
        QCOMPARE(list2.Row(0).count, 2);
        QCOMPARE(list2.data(list2.index(0, 1), ReportModel::CountRole).toLongLong(), 2);

        // A third equal record shows 3 in the same row.
        items.Append("A", "X");
        View().RefreshStatistics();
        QCOMPARE(list2.rowCount(), 3);
        QCOMPARE(list2.Text(0, 1), QStringLiteral("3"));
        QCOMPARE(list2.Row(0).count, 3);
    }

    void refilledListsStandInFirstColumnOrder() {
        Stats().items.Append("Cider", "X");
        Stats().items.Append("Apple", "Y");
        Stats().items.Append("Bread", "Z");
        Stats().DefeatedMonsters.Tally("Orc", 0);
        Stats().DefeatedMonsters.Tally("Bat", 0);
        Stats().TalkPartners.Tally("Zed", 3u << 24);
        Stats().TalkPartners.Tally("Amy", 2u << 24);
        View().RefreshStatistics();
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("itemsModel")), 0),
                 QStringList({"Apple", "Bread", "Cider"}));
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("itemsModel")), 2), QStringList({"Y", "Z", "X"}));
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("monstersModel")), 0), QStringList({"Bat", "Orc"}));
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("partnersModel")), 0), QStringList({"Amy", "Zed"}));
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("partnersModel")), 2),
                 QStringList({"TELL", "その他"}));
    }

    void monsterColumnClicks() {
        auto& monsters = Stats().DefeatedMonsters;
        for (const char* name : {"Bee", "Crab", "Crab", "Crab", "Ant", "Ant"}) monsters.Tally(name, 0);
        View().RefreshStatistics();
        const ReportModel& list3 = *Part<ReportModel>(View(), QStringLiteral("monstersModel"));
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));

        ClickColumn(View(), "monstersList", 1);  // "数": largest first
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));
        ClickColumn(View(), "monstersList", 1);  // again: smallest first
        QCOMPARE(Column(list3, 1), QStringList({"1", "2", "3"}));
        ClickColumn(View(), "monstersList", 0);  // "モンスター": ascending
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        ClickColumn(View(), "monstersList", 0);  // again: descending
        QCOMPARE(Column(list3, 0), QStringList({"Crab", "Bee", "Ant"}));
        ClickColumn(View(), "monstersList", 1);  // back on "数": largest first again
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));

        // A column the list does not have changes nothing.
        const SortState before = View().SortStateOf(1);
        ClickColumn(View(), "monstersList", 2);
        ClickColumn(View(), "monstersList", -1);
        QCOMPARE(View().SortStateOf(1).lastColumn, before.lastColumn);
        QCOMPARE(View().SortStateOf(1).direction, before.direction);
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));
    }

    void partnerColumnClicks() {
        auto& partners = Stats().TalkPartners;
        partners.Tally("Dan", 2u << 24);  // TELL
        partners.Tally("Eve", 0u << 24);  // パーティ
        partners.Tally("Eve", 0u << 24);
        partners.Tally("Cal", 1u << 24);  // リンクシェル
        partners.Tally("Bob", 3u << 24);  // その他
        partners.Tally("Bob", 3u << 24);
        partners.Tally("Bob", 3u << 24);
        View().RefreshStatistics();
        const ReportModel& list4 = *Part<ReportModel>(View(), QStringLiteral("partnersModel"));

        ClickColumn(View(), "partnersList", 2);  // "種別": the reverse of the kinds' byte order
        QCOMPARE(Column(list4, 2), QStringList({"リンクシェル", "パーティ", "その他", "TELL"}));
        ClickColumn(View(), "partnersList", 2);
        QCOMPARE(Column(list4, 2), QStringList({"TELL", "その他", "パーティ", "リンクシェル"}));
        ClickColumn(View(), "partnersList", 1);  // "回数": largest first
        QCOMPARE(Column(list4, 0).mid(0, 2), QStringList({"Bob", "Eve"}));
        QCOMPARE(Column(list4, 1).mid(0, 2), QStringList({"3", "2"}));
        ClickColumn(View(), "partnersList", 0);  // "名前": ascending
        QCOMPARE(Column(list4, 0), QStringList({"Bob", "Cal", "Dan", "Eve"}));
    }

    void itemColumnClicks() {
        auto& items = Stats().items;
        items.Append("Nut", "Kay");
        items.Append("Gem", "Abe");
        items.Append("Gem", "Abe");
        items.Append("Gem", "Abe");
        items.Append("Ore", "Zoe");
        items.Append("Ore", "Zoe");
        View().RefreshStatistics();
        const ReportModel& list2 = *Part<ReportModel>(View(), QStringLiteral("itemsModel"));

        ClickColumn(View(), "itemsList", 2);  // "取得者": descending
        QCOMPARE(Column(list2, 2), QStringList({"Zoe", "Kay", "Abe"}));
        ClickColumn(View(), "itemsList", 1);  // "数": largest first
        QCOMPARE(Column(list2, 1), QStringList({"3", "2", "1"}));
        QCOMPARE(list2.Row(0).count, 3);  // the integer travels with its row
        QCOMPARE(list2.Text(0, 0), QStringLiteral("Gem"));
        ClickColumn(View(), "itemsList", 0);  // "アイテム": ascending
        QCOMPARE(Column(list2, 0), QStringList({"Gem", "Nut", "Ore"}));
        ClickColumn(View(), "itemsList", 0);
        QCOMPARE(Column(list2, 0), QStringList({"Ore", "Nut", "Gem"}));
    }

    void headerClickSortsThroughTheView() {
        for (const char* name : {"Bee", "Crab", "Crab"}) Stats().DefeatedMonsters.Tally(name, 0);
        View().RefreshStatistics();
        QHeaderView* header = Part<QTableView>(View(), QStringLiteral("monstersList"))->horizontalHeader();
        View().show();
        QVERIFY(QTest::qWaitForWindowExposed(&View()));
        Part<WrappingTabs>(View(), QStringLiteral("tabs"))
            ->setCurrentWidget(Part<QTableView>(View(), QStringLiteral("monstersList")));
        const QPoint onCount(header->sectionViewportPosition(1) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onCount);
        QCOMPARE(Column(*Part<ReportModel>(View(), QStringLiteral("monstersModel")), 0), QStringList({"Crab", "Bee"}));
        QCOMPARE(View().SortStateOf(1).lastColumn, 2);
    }

    void selectedRowsFollowTheirRowsWhenSorted() {
        for (const char* name : {"Ant", "Bee", "Bee", "Cow", "Cow", "Cow"}) Stats().DefeatedMonsters.Tally(name, 0);
        View().RefreshStatistics();
        QTableView* view = Part<QTableView>(View(), QStringLiteral("monstersList"));
        view->selectionModel()->select(Part<ReportModel>(View(), QStringLiteral("monstersModel"))->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ClickColumn(View(), "monstersList", 1);  // Cow, Bee, Ant
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(Part<ReportModel>(View(), QStringLiteral("monstersModel"))->Text(rows.first().row(), 0),
                 QStringLiteral("Ant"));
        QCOMPARE(rows.first().row(), 2);
    }

    // The sort state is kept across a reload: the rows come back in first-column
    // order and the next click on the last column sorts opposite to that click.
    void sortStateSurvivesAReload() {
        const QString log = Path("a.log");
        QVERIFY(
            WriteFile(log, LogBytes({DefeatRecord("Bee"), DefeatRecord("Crab"), DefeatRecord("Crab"),
                                     DefeatRecord("Ant"), DefeatRecord("Ant"), DefeatRecord("Ant"),
                                     ItemRecord("Kay", "Nut"), ItemRecord("Kay", "Nut"), ItemRecord("Abe", "Gem")})));
        QVERIFY(w_->session->Load(log.toStdString()));
        const ReportModel& list3 = *Part<ReportModel>(Window(), QStringLiteral("monstersModel"));
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        QCOMPARE(Column(*Part<ReportModel>(Window(), QStringLiteral("itemsModel")), 0), QStringList({"Gem", "Nut"}));
        QCOMPARE(Column(*Part<ReportModel>(Window(), QStringLiteral("itemsModel")), 1), QStringList({"1", "2"}));
        QCOMPARE(Column(*Part<ReportModel>(Window(), QStringLiteral("itemsModel")), 2), QStringList({"Abe", "Kay"}));

        ClickColumn(Window(), "monstersList", 1);  // largest first
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Crab", "Bee"}));

        QVERIFY(w_->session->Load(log.toStdString()));
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        ClickColumn(Window(), "monstersList", 1);  // same column as before the reload: smallest first
        QCOMPARE(Column(list3, 1), QStringList({"1", "2", "3"}));

        // A channel toggle reloads too and keeps the state as well.
        ChannelCommand(*w_->mainWindow, Channel::Say, false)->trigger();
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        ClickColumn(Window(), "monstersList", 1);
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));
    }

    void placedBesideTheMainWindow() {
        QScreen* screen = w_->mainWindow->screen();
        QVERIFY(screen);
        const QRect desktop = screen->geometry();
        w_->mainWindow->show();
        // Leave 20 pixels between this window's place and the screen's right edge.
        const int mainWidth = w_->mainWindow->frameGeometry().width();
        w_->mainWindow->move(desktop.x() + desktop.width() - mainWidth - 223 - 20, desktop.y() + 30);
        const QRect main = w_->mainWindow->frameGeometry();
        if (main.x() + main.width() + 223 >= desktop.x() + desktop.width())
            QSKIP("screen too narrow for a window beside the main window");
        w_->mainWindow->ToggleStatisticsWindow();
        QVERIFY(Window().isVisible());
        QCOMPARE(Window().frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
    }

    void flushWithTheRightEdgeNearIt() {
        QScreen* screen = w_->mainWindow->screen();
        const QRect desktop = screen->geometry();
        const int right = desktop.x() + desktop.width();
        w_->mainWindow->show();
        w_->mainWindow->move(right - w_->mainWindow->frameGeometry().width() - 10, desktop.y() + 40);
        w_->mainWindow->ToggleStatisticsWindow();
        QCOMPARE(Window().frameGeometry().x() + Window().frameGeometry().width(), right);
        QCOMPARE(Window().frameGeometry().y(), w_->mainWindow->frameGeometry().y());

        // Hidden, moved with the main window and shown again: placed anew.
        w_->mainWindow->ToggleStatisticsWindow();
        QVERIFY(!Window().isVisible());
        w_->mainWindow->move(desktop.x() + 5, desktop.y() + 70);
        w_->mainWindow->ToggleStatisticsWindow();
        QCOMPARE(Window().frameGeometry().y(), w_->mainWindow->frameGeometry().y());
        QCOMPARE(Window().frameGeometry().x(),
                 std::min(w_->mainWindow->frameGeometry().x() + w_->mainWindow->frameGeometry().width(),
                          right - Window().frameGeometry().width()));
    }

    // Outer (frame) edges decide, as a window manager draws them; the client
    // rectangle sits inside the frame.
    void framedPlacement_data() {
        QTest::addColumn<QRect>("mainFrame");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("expected");
        const QMargins none, openbox(1, 20, 1, 5);
        QTest::newRow("beside, no frame") << QRect(10, 30, 589, 488) << none << QRect(599, 30, 223, 463);
        QTest::newRow("beside, framed") << QRect(10, 30, 589, 488) << openbox << QRect(600, 50, 223, 463);
        QTest::newRow("outer right edge one short of the screen's")
            << QRect(209, 0, 589, 488) << openbox << QRect(799, 20, 223, 463);
        QTest::newRow("client fits, frame passes the screen's edge: flush")
            << QRect(211, 0, 589, 488) << openbox << QRect(800, 20, 223, 463);
        QTest::newRow("past the right edge: flush") << QRect(600, 80, 589, 488) << openbox << QRect(800, 100, 223, 463);
        QTest::newRow("past the right edge, no frame") << QRect(600, 80, 589, 488) << none << QRect(801, 80, 223, 463);
    }
    void framedPlacement() {
        QFETCH(QRect, mainFrame);
        QFETCH(QMargins, frame);
        QFETCH(QRect, expected);
        QCOMPARE(SideWindowGeometry(mainFrame, QSize(223, 463), frame, 1024), expected);
    }

    void closeButtonClearsBothCheckMarks() {
        const QString log = Path("bee.log");
        QVERIFY(WriteFile(log, LogBytes({DefeatRecord("Bee")})));
        QVERIFY(w_->session->Load(log.toStdString()));
        w_->mainWindow->show();
        w_->mainWindow->ToggleStatisticsWindow();
        QVERIFY(Window().isVisible());
        QVERIFY(StatisticsCommand(*w_->mainWindow, false)->isChecked());
        QVERIFY(StatisticsCommand(*w_->mainWindow, true)->isChecked());

        QVERIFY(Window().close());
        QVERIFY(!Window().isVisible());
        QVERIFY(!StatisticsCommand(*w_->mainWindow, false)->isChecked());
        QVERIFY(!StatisticsCommand(*w_->mainWindow, true)->isChecked());

        w_->mainWindow->ToggleStatisticsWindow();  // shown again with the rows of the last pass
        QVERIFY(Window().isVisible());
        QVERIFY(StatisticsCommand(*w_->mainWindow, false)->isChecked());
        QVERIFY(StatisticsCommand(*w_->mainWindow, true)->isChecked());
        QCOMPARE(Part<ReportModel>(Window(), QStringLiteral("monstersModel"))->rowCount(), 1);
    }
};

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
