// The archive library driven as the user drives it: a folder listed, sorted,
// counted (as a reading pass counts), a range opened in the main window, the
// folder watched, the cache of a second opening, the start folder and the
// chart's figures.
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "chatscope/log_reader.h"
#include "display/log_display.h"
#include "library/day_chart.h"
#include "library/library_model.h"
#include "library/library_window.h"
#include "log_session.h"
#include "main_window.h"
#include "test_logs.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;
using logtest::Record;

namespace {

const std::string kExp = Record(131, "Dave gains 120 exp.", 0x009F00A9);

// The windows with their settings, the cache and the catcher's settings in a folder of their own.
struct Viewer {
    QTemporaryDir dir;
    std::unique_ptr<ViewerWindows> windows;

    Viewer() {
        qputenv("XDG_CACHE_HOME", Local("cache").c_str());
        qputenv("XDG_CONFIG_HOME", Local("config").c_str());
        std::filesystem::create_directories(Local("logs"));
        windows = CreateViewerWindows(Local("chatscope.cnf"), Local("chatscope.flt"));
        windows->mainWindow->show();
    }
    std::string Local(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(Local(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        return Local(name);
    }
    LibraryWindow& library() { return *windows->libraryWindow; }
    LogSession& session() { return *windows->session; }
    QTableView& table() { return *Part<QTableView>(library(), QStringLiteral("libraryTable")); }
    LibraryModel& model() { return *Part<LibraryModel>(library(), QStringLiteral("libraryModel")); }
    // The column's texts in the order the table shows them.
    QStringList Column(int column) {
        QStringList texts;
        for (int r = 0; r < table().model()->rowCount(); ++r)
            texts << table().model()->index(r, column).data().toString();
        return texts;
    }
    QStringList Lines() {
        auto& display = *Part<LogDisplay>(*windows->mainWindow, QStringLiteral("display"));
        QStringList lines;
        for (int i = 0; i < display.LineCount(); ++i) lines << display.LineText(i);
        return lines;
    }
    void Select(int first, int last) {
        table().selectionModel()->select(
            QItemSelection(table().model()->index(first, 0), table().model()->index(last, 0)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    bool WaitCounted() {
        return QTest::qWaitFor([&] { return !library().Counting(); }, 10000);
    }
};

void SetTime(const std::string& path, std::time_t seconds) {
    const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimes(path.c_str(), times);
}

}  // namespace

class TestLibraryWindow : public QObject {
    Q_OBJECT
private slots:
    void listsSortsCountsAndOpensARange();
    void followsTheFolderAndItsFiles();
    void secondOpeningTakesTheCache();
    void startsAtTheFolderOfTheRule();
    void chartSumsTheDaysAndNamesThemFromTheKeyboard();
};

void TestLibraryWindow::listsSortsCountsAndOpensARange() {
    Viewer v;
    const std::string a = v.Write("logs/a.log", logtest::Block({kExp, Record(1, "Alice : hi"), kExp}));
    const std::string b = v.Write("logs/b.log", logtest::Block({Record(1, "b1")}) + logtest::UniformBlock(kExp));
    const std::string c = v.Write("logs/C.log", logtest::Block({Record(1, "first by bytes")}));
    const std::string odd = v.Write("logs/\xFF.log", logtest::Block({Record(1, "odd name"), kExp}));
    v.Write("logs/bad.log", "no log at all");
    v.Write("logs/notes.txt", "no log either");
    v.library().OpenFolder(v.Local("logs"));
    v.library().show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.library()));

    // Byte-wise order; a name that is no UTF-8 shown with a replacement character; one file left out.
    QCOMPARE(v.Column(LibraryModel::NameColumn), (QStringList{"C.log", "a.log", "b.log", "\uFFFD.log"}));
    QCOMPARE(v.library().FolderFiles(), (std::vector<std::string>{c, a, b, odd}));
    QVERIFY(Part<QLabel>(v.library(), QStringLiteral("skippedLabel"))->text().contains(QStringLiteral(" 1 ")));
    QCOMPARE(v.Column(LibraryModel::SizeColumn)[0], QString::number(std::filesystem::file_size(c)));

    // The counts are those of a reading pass over each file.
    QVERIFY(v.WaitCounted());
    QVERIFY(Part<QProgressBar>(v.library(), QStringLiteral("countProgress"))->isHidden());
    const UserList users;
    for (const LibraryRow& row : v.model().Rows()) {
        DiscardSink sink;
        const PassResult pass = ReadLog(row.path, &sink, {0, users});
        QCOMPARE(row.state, LibraryRow::State::Counted);
        QCOMPARE(row.count.lines, pass.allLines);
        QCOMPARE(row.count.experience, pass.stats[ExpPoints]);
    }
    QCOMPARE(v.Column(LibraryModel::ExperienceColumn), (QStringList{"0", "240", "6,000", "120"}));

    // A click on a header sorts by that column, again the other way.
    QHeaderView* header = v.table().horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(LibraryModel::LinesColumn) + 5, 5));
    QCOMPARE(v.Column(LibraryModel::LinesColumn), (QStringList{"1", "2", "3", "51"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(LibraryModel::LinesColumn) + 5, 5));
    QCOMPARE(v.Column(LibraryModel::LinesColumn), (QStringList{"51", "3", "2", "1"}));

    // A range (in any sort order) opens in file order, as the load of the files' concatenation shows it.
    v.Select(0, 2);  // b, a, odd
    QCOMPARE(v.library().SelectedFiles(), (std::vector<std::string>{a, b, odd}));
    v.table().setFocus();
    QTest::keyClick(&v.table(), Qt::Key_Return);
    QCOMPARE(v.session().Sources(), (std::vector<std::string>{a, b, odd}));
    Viewer whole;
    whole.session().Open(
        whole.Write("all.log", testsupport::ReadAll(a) + testsupport::ReadAll(b) + testsupport::ReadAll(odd)));
    QCOMPARE(v.Lines(), whole.Lines());
    QCOMPARE(PanelText(*v.windows->mainWindow, "channelCountPanel"),
             PanelText(*whole.windows->mainWindow, "channelCountPanel"));
    QCOMPARE(PanelText(*v.windows->mainWindow, "experiencePanel"),
             PanelText(*whole.windows->mainWindow, "experiencePanel"));

    // Files gone between listing and opening: the status bar names them, nothing else changes.
    std::filesystem::remove(c);
    v.Select(3, 3);
    QCOMPARE(v.library().SelectedFiles(), std::vector<std::string>{c});
    const QPoint row3 = v.table().visualRect(v.table().model()->index(3, 0)).center();
    QTest::mousePress(v.table().viewport(), Qt::LeftButton, {}, row3);  // the item view wants the press first
    QTest::mouseDClick(v.table().viewport(), Qt::LeftButton, {}, row3);
    QCOMPARE(v.session().Sources(), (std::vector<std::string>{a, b, odd}));
    QCOMPARE(PanelText(*v.windows->mainWindow, "leftOutPanel"), QStringLiteral("読み込めなかったファイル: C.log"));
}

void TestLibraryWindow::followsTheFolderAndItsFiles() {
    Viewer v;
    const std::string a = v.Write("logs/a.log", logtest::Block({kExp}));
    const std::string b = v.Write("logs/b.log", logtest::Block({Record(1, "b")}));
    v.library().OpenFolder(v.Local("logs"));
    QVERIFY(v.WaitCounted());
    QCOMPARE(v.Column(LibraryModel::NameColumn), (QStringList{"a.log", "b.log"}));

    // Appended to (as the catcher does): counted again.
    {
        std::ofstream out(a, std::ios::binary | std::ios::app);
        const std::string more = logtest::UniformBlock(kExp);
        out.write(more.data(), std::streamsize(more.size()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(v.Column(LibraryModel::LinesColumn)[0], QStringLiteral("51"), 5000);
    QCOMPARE(v.Column(LibraryModel::ExperienceColumn)[0], QStringLiteral("6,120"));
    // Removed and added: gone and there.
    std::filesystem::remove(b);
    v.Write("logs/c.log", logtest::Block({Record(1, "c")}));
    QTRY_COMPARE_WITH_TIMEOUT(v.Column(LibraryModel::NameColumn), (QStringList{"a.log", "c.log"}), 5000);
    // The folder vanishes: the table empties and says so.
    std::filesystem::remove_all(v.Local("logs"));
    QTRY_COMPARE_WITH_TIMEOUT(v.model().rowCount(), 0, 5000);
    QVERIFY(Part<QLabel>(v.library(), QStringLiteral("libraryStatus"))
                ->text()
                .startsWith(QStringLiteral("フォルダーがありません")));
}

void TestLibraryWindow::secondOpeningTakesTheCache() {
    Viewer v;
    const std::string a = v.Write("logs/a.log", logtest::Block({kExp}));
    const std::string b = v.Write("logs/b.log", logtest::Block({kExp, kExp}));
    v.library().OpenFolder(v.Local("logs"));
    QVERIFY(v.WaitCounted());
    const std::string cache = v.Local("cache/chatscope/library.cache");
    QVERIFY(std::filesystem::exists(cache));

    // A second window has every count at once, but for the file that changed.
    v.Write("logs/b.log", logtest::Block({kExp, kExp, kExp}));
    LibraryWindow second(v.session(), nullptr);
    second.OpenFolder(v.Local("logs"));
    auto& model = *Part<LibraryModel>(second, QStringLiteral("libraryModel"));
    QCOMPARE(model.Row(0).state, LibraryRow::State::Counted);
    QCOMPARE(model.Row(1).state, LibraryRow::State::Pending);
    QVERIFY(QTest::qWaitFor([&] { return !second.Counting(); }, 10000));
    QCOMPARE(model.Row(1).count.experience, 360);

    // A cache file that is not one: ignored, rewritten when counting ends.
    v.Write("cache/chatscope/library.cache", "not a cache");
    LibraryWindow third(v.session(), nullptr);
    third.OpenFolder(v.Local("logs"));
    QVERIFY(third.Counting());
    QVERIFY(QTest::qWaitFor([&] { return !third.Counting(); }, 10000));
    LibraryCache reread;
    QVERIFY(reread.Load(cache));
    QCOMPARE(reread.size(), std::size_t(2));
}

void TestLibraryWindow::startsAtTheFolderOfTheRule() {
    Viewer v;
    QCOMPARE(v.library().StartFolder(), QDir::homePath().toStdString());
    // The catcher's archive folder, in its exact form behind the Shift-JIS text.
    const std::string archives = v.Local("logs/\xC3\xA9t\xC3\xA9");
    std::filesystem::create_directories(archives);
    std::filesystem::create_directories(v.Local("config/chatkeeper"));
    std::string record(3088, '\0');
    const std::string field = std::string("?t?\0\x1B%G", 7) + archives;
    record.replace(1024, field.size(), field);
    v.Write("config/chatkeeper/chatkeeper.cnf", record);
    QCOMPARE(v.library().StartFolder(), archives);
    v.Write("config/chatkeeper/chatkeeper.cnf", record.substr(0, 3000));  // short: ignored
    QCOMPARE(v.library().StartFolder(), QDir::homePath().toStdString());
    // The loaded file's folder, then the folder shown last.
    v.session().Open(v.Write("logs/a.log", logtest::Block({kExp})));
    QCOMPARE(v.library().StartFolder(), v.Local("logs"));
    v.library().OpenFolder(archives);
    LibraryWindow again(v.session(), nullptr);
    QCOMPARE(again.StartFolder(), archives);
    QVERIFY(std::filesystem::remove(archives));
    QCOMPARE(again.StartFolder(), v.Local("logs"));
}

void TestLibraryWindow::chartSumsTheDaysAndNamesThemFromTheKeyboard() {
    Viewer v;
    const std::time_t day = 1709280000;  // 2024-03-01, noon in Japan
    SetTime(v.Write("logs/1.log", logtest::Block({kExp})), day);
    SetTime(v.Write("logs/2.log", logtest::Block({kExp, Record(1, "x")})), day + 60);
    SetTime(v.Write("logs/3.log", logtest::Block({Record(1, "y")})), day + 3 * 86400);
    v.library().OpenFolder(v.Local("logs"));
    QVERIFY(v.WaitCounted());
    auto& chart = *Part<DayChart>(v.library(), QStringLiteral("dayChart"));
    QCOMPARE(chart.Days().size(), std::size_t(2));
    QCOMPARE(chart.Days()[0].experience, 240);
    QCOMPARE(chart.Days()[0].lines, 3);
    QCOMPARE(chart.Days()[0].files, 2);
    auto& figures = *Part<QLabel>(chart, QStringLiteral("dayFigures"));
    QCOMPARE(chart.Current(), 1);  // the newest day
    chart.setFocus();
    QTest::keyClick(&chart, Qt::Key_Left);
    QCOMPARE(figures.text(), DayChart::DayText(chart.Days()[0]));
    QVERIFY(figures.text().contains(QStringLiteral("経験値 240 / 行数 3 (2 ファイル)")));
    QCOMPARE(chart.accessibleDescription(), figures.text());
    // A selected range is charted alone.
    v.Select(1, 2);
    QTRY_COMPARE(chart.Days().size(), std::size_t(2));
    QTRY_COMPARE(chart.Days()[0].files, 1);
}

QTEST_MAIN(TestLibraryWindow)
#include "tst_librarywindow.moc"
