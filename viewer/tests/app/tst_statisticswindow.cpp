// The statistics window: its rows, its column-click sorting and how it stands
// beside the main window.
#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Lvconfig.h"
#include "Lvdata.h"
#include "Lvmain.h"
#include "app_test_files.h"
#include "viewer_main.h"

using namespace chatscope;
using namespace apptest;
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
    LogStatistics& Stats() { return w_->state.stats; }
    TForm3& Form3() { return *w_->form3; }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        w_ = CreateViewerWindows(Path("chatscope.cnf").toStdString(), Path("chatscope.flt").toStdString());
        w_->form1->resize(587, 463);
    }
    void cleanup() { w_.reset(); }

    void layoutOfTheWindow() {
        QCOMPARE(Form3().windowTitle(), QStringLiteral("chatscope Data"));
        QVERIFY(!Form3().isVisible());
        QCOMPARE(Form3().size(), QSize(223, 463));
        QTabWidget* tabs = Form3().PageControl1;
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->currentIndex(), 0);
        const QStringList tabCaptions = {QStringLiteral("各種統計"), QStringLiteral("アイテム"),
                                         QStringLiteral("倒したモンスター"), QStringLiteral("会話相手")};
        QTableView* lists[4] = {Form3().List1, Form3().List2, Form3().List3, Form3().List4};
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
        Form3().RefreshStatistics();
        const ReportModel& list1 = *Form3().Model1;
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
        QCOMPARE(Form3().Model2->rowCount(), 0);
        QCOMPARE(Form3().Model3->rowCount(), 0);
        QCOMPARE(Form3().Model4->rowCount(), 0);

        // Known values land in their own rows.
        Stats().counters[SayLines] = 12;
        Stats().counters[OtherLines] = 3;
        Stats().counters[ExpPoints] = 4521;
        Stats().counters[MoneyGained] = 300;
        Stats().counters[AttackDamage] = 87;
        Stats().counters[PartyKnockedOutCount] = 2;
        Form3().RefreshStatistics();
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
        Form3().RefreshStatistics();
        const ReportModel& list2 = *Form3().Model2;
        QCOMPARE(list2.rowCount(), 3);
        QCOMPARE(Column(list2, 0), QStringList({"A", "A", "B"}));
        QCOMPARE(Column(list2, 1), QStringList({"2", "1", "1"}));
        QCOMPARE(Column(list2, 2), QStringList({"X", "Y", "X"}));
        QCOMPARE(list2.Row(0).count, 2);
        QCOMPARE(list2.data(list2.index(0, 1), ReportModel::CountRole).toLongLong(), 2);

        // A third equal record shows 3 in the same row.
        items.Append("A", "X");
        Form3().RefreshStatistics();
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
        Form3().RefreshStatistics();
        QCOMPARE(Column(*Form3().Model2, 0), QStringList({"Apple", "Bread", "Cider"}));
        QCOMPARE(Column(*Form3().Model2, 2), QStringList({"Y", "Z", "X"}));
        QCOMPARE(Column(*Form3().Model3, 0), QStringList({"Bat", "Orc"}));
        QCOMPARE(Column(*Form3().Model4, 0), QStringList({"Amy", "Zed"}));
        QCOMPARE(Column(*Form3().Model4, 2), QStringList({"TELL", "その他"}));
    }

    void monsterColumnClicks() {
        auto& monsters = Stats().DefeatedMonsters;
        for (const char* name : {"Bee", "Crab", "Crab", "Crab", "Ant", "Ant"}) monsters.Tally(name, 0);
        Form3().RefreshStatistics();
        const ReportModel& list3 = *Form3().Model3;
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));

        Form3().List3ColumnClick(1);  // "数": largest first
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));
        Form3().List3ColumnClick(1);  // again: smallest first
        QCOMPARE(Column(list3, 1), QStringList({"1", "2", "3"}));
        Form3().List3ColumnClick(0);  // "モンスター": ascending
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        Form3().List3ColumnClick(0);  // again: descending
        QCOMPARE(Column(list3, 0), QStringList({"Crab", "Bee", "Ant"}));
        Form3().List3ColumnClick(1);  // back on "数": largest first again
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));

        // A column the list does not have changes nothing.
        const SortState before = Form3().SortStateOf(1);
        Form3().List3ColumnClick(2);
        Form3().List3ColumnClick(-1);
        QCOMPARE(Form3().SortStateOf(1).lastColumn, before.lastColumn);
        QCOMPARE(Form3().SortStateOf(1).direction, before.direction);
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
        Form3().RefreshStatistics();
        const ReportModel& list4 = *Form3().Model4;

        Form3().List4ColumnClick(2);  // "種別": the reverse of the kinds' byte order
        QCOMPARE(Column(list4, 2), QStringList({"リンクシェル", "パーティ", "その他", "TELL"}));
        Form3().List4ColumnClick(2);
        QCOMPARE(Column(list4, 2), QStringList({"TELL", "その他", "パーティ", "リンクシェル"}));
        Form3().List4ColumnClick(1);  // "回数": largest first
        QCOMPARE(Column(list4, 0).mid(0, 2), QStringList({"Bob", "Eve"}));
        QCOMPARE(Column(list4, 1).mid(0, 2), QStringList({"3", "2"}));
        Form3().List4ColumnClick(0);  // "名前": ascending
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
        Form3().RefreshStatistics();
        const ReportModel& list2 = *Form3().Model2;

        Form3().List2ColumnClick(2);  // "取得者": descending
        QCOMPARE(Column(list2, 2), QStringList({"Zoe", "Kay", "Abe"}));
        Form3().List2ColumnClick(1);  // "数": largest first
        QCOMPARE(Column(list2, 1), QStringList({"3", "2", "1"}));
        QCOMPARE(list2.Row(0).count, 3);  // the integer travels with its row
        QCOMPARE(list2.Text(0, 0), QStringLiteral("Gem"));
        Form3().List2ColumnClick(0);  // "アイテム": ascending
        QCOMPARE(Column(list2, 0), QStringList({"Gem", "Nut", "Ore"}));
        Form3().List2ColumnClick(0);
        QCOMPARE(Column(list2, 0), QStringList({"Ore", "Nut", "Gem"}));
    }

    void headerClickSortsThroughTheView() {
        for (const char* name : {"Bee", "Crab", "Crab"}) Stats().DefeatedMonsters.Tally(name, 0);
        Form3().RefreshStatistics();
        QHeaderView* header = Form3().List3->horizontalHeader();
        Form3().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form3()));
        Form3().PageControl1->setCurrentWidget(Form3().List3);
        const QPoint onCount(header->sectionViewportPosition(1) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onCount);
        QCOMPARE(Column(*Form3().Model3, 0), QStringList({"Crab", "Bee"}));
        QCOMPARE(Form3().SortStateOf(1).lastColumn, 2);
    }

    void selectedRowsFollowTheirRowsWhenSorted() {
        for (const char* name : {"Ant", "Bee", "Bee", "Cow", "Cow", "Cow"}) Stats().DefeatedMonsters.Tally(name, 0);
        Form3().RefreshStatistics();
        QTableView* view = Form3().List3;
        view->selectionModel()->select(Form3().Model3->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Form3().List3ColumnClick(1);  // Cow, Bee, Ant
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(Form3().Model3->Text(rows.first().row(), 0), QStringLiteral("Ant"));
        QCOMPARE(rows.first().row(), 2);
    }

    // The sort state is kept across a reload: the rows come back in first-column
    // order and the next click on the last column sorts opposite to that click.
    void sortStateSurvivesAReload() {
        const QString log = Path("a.log");
        WriteFile(log, LogBytes({DefeatRecord("Bee"), DefeatRecord("Crab"), DefeatRecord("Crab"), DefeatRecord("Ant"),
                                 DefeatRecord("Ant"), DefeatRecord("Ant"), ItemRecord("Kay", "Nut"),
                                 ItemRecord("Kay", "Nut"), ItemRecord("Abe", "Gem")}));
        QVERIFY(w_->form1->LoadLogFile(log.toStdString()));
        const ReportModel& list3 = *Form3().Model3;
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        QCOMPARE(Column(*Form3().Model2, 0), QStringList({"Gem", "Nut"}));
        QCOMPARE(Column(*Form3().Model2, 1), QStringList({"1", "2"}));
        QCOMPARE(Column(*Form3().Model2, 2), QStringList({"Abe", "Kay"}));

        Form3().List3ColumnClick(1);  // largest first
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Crab", "Bee"}));

        QVERIFY(w_->form1->LoadLogFile(log.toStdString()));
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        Form3().List3ColumnClick(1);  // same column as before the reload: smallest first
        QCOMPARE(Column(list3, 1), QStringList({"1", "2", "3"}));

        // A channel toggle reloads too and keeps the state as well.
        w_->form1->ChannelClick(0);
        QCOMPARE(Column(list3, 0), QStringList({"Ant", "Bee", "Crab"}));
        Form3().List3ColumnClick(1);
        QCOMPARE(Column(list3, 1), QStringList({"3", "2", "1"}));
    }

    void placedBesideTheMainWindow() {
        QScreen* screen = w_->form1->screen();
        QVERIFY(screen);
        const QRect desktop = screen->geometry();
        w_->form1->show();
        // Leave 20 pixels between this window's place and the screen's right edge.
        const int mainWidth = w_->form1->frameGeometry().width();
        w_->form1->move(desktop.x() + desktop.width() - mainWidth - 223 - 20, desktop.y() + 30);
        const QRect main = w_->form1->frameGeometry();
        if (main.x() + main.width() + 223 >= desktop.x() + desktop.width())
            QSKIP("screen too narrow for a window beside the main window");
        w_->form1->Data1Click();
        QVERIFY(Form3().isVisible());
        QCOMPARE(Form3().frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
    }

    void flushWithTheRightEdgeNearIt() {
        QScreen* screen = w_->form1->screen();
        const QRect desktop = screen->geometry();
        const int right = desktop.x() + desktop.width();
        w_->form1->show();
        w_->form1->move(right - w_->form1->frameGeometry().width() - 10, desktop.y() + 40);
        w_->form1->Data1Click();
        QCOMPARE(Form3().frameGeometry().x() + Form3().frameGeometry().width(), right);
        QCOMPARE(Form3().frameGeometry().y(), w_->form1->frameGeometry().y());

        // Hidden, moved with the main window and shown again: placed anew.
        w_->form1->Data1Click();
        QVERIFY(!Form3().isVisible());
        w_->form1->move(desktop.x() + 5, desktop.y() + 70);
        w_->form1->Data1Click();
        QCOMPARE(Form3().frameGeometry().y(), w_->form1->frameGeometry().y());
        QCOMPARE(Form3().frameGeometry().x(),
                 std::min(w_->form1->frameGeometry().x() + w_->form1->frameGeometry().width(),
                          right - Form3().frameGeometry().width()));
    }

    void closeButtonClearsBothCheckMarks() {
        Stats().DefeatedMonsters.Tally("Bee", 0);
        Form3().RefreshStatistics();
        w_->form1->show();
        w_->form1->Data1Click();
        QVERIFY(Form3().isVisible());
        QVERIFY(w_->form1->DataAction(false)->isChecked());
        QVERIFY(w_->form1->DataAction(true)->isChecked());

        QVERIFY(Form3().close());
        QVERIFY(!Form3().isVisible());
        QVERIFY(!w_->form1->DataAction(false)->isChecked());
        QVERIFY(!w_->form1->DataAction(true)->isChecked());

        w_->form1->Data1Click();  // shown again with the rows of the last pass
        QVERIFY(Form3().isVisible());
        QVERIFY(w_->form1->DataAction(false)->isChecked());
        QVERIFY(w_->form1->DataAction(true)->isChecked());
        QCOMPARE(Form3().Model3->rowCount(), 1);
    }
};

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
