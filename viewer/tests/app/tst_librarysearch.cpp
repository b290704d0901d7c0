// The search across a folder: its results equal the command line's "--search"
// for the same files, filters and exactness; a new text drops the old search;
// a chosen result opens in the main window with its match selected.
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../core/log_builder.h"
#include "chatscope/classify.h"
#include "display/log_display.h"
#include "find/find_bar.h"
#include "find/find_session.h"
#include "library/library_search.h"
#include "library/result_texts.h"
#include "library/search_panel.h"
#include "library/search_results_model.h"
#include "log_session.h"
#include "main_window.h"
#include "search_mode.h"
#include "sjis/shift_jis.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;

namespace {

// "ａｌｉｃｅ" in Shift-JIS (full-width letters).
const std::string kWideAlice = "\x82\x81\x82\x8C\x82\x89\x82\x83\x82\x85";

// Archive `n` of the folder: blocks of chat in which the names and channels
// vary with the line, some lines indented, some of them hiding in the Say channel.
std::string Archive(int n, int lines) {
    std::string bytes;
    std::vector<std::string> block;
    for (int i = 0; i < lines; ++i) {
        const int k = n * 1000 + i;
        const char* names[] = {"Alice", "bob", "ALICE", "Carol"};
        std::string text = std::string(names[k % 4]) + " : line " + std::to_string(k);
        if (k % 7 == 0) text = kWideAlice + " waves " + std::to_string(k);
        const std::uint8_t type = (k % 3 == 0) ? 1 : (k % 3 == 1) ? 5 : 200;
        block.push_back(logtest::Record(type, text, 0x00102030 * (k % 5), k % 11 == 0));
        if (block.size() == 50) {
            bytes += logtest::Block(block);
            block.clear();
        }
    }
    if (!block.empty()) bytes += logtest::Block(block);
    return bytes;
}

struct Folder {
    QTemporaryDir dir;
    std::vector<std::string> files;

    Folder() {
        const int lines[] = {120, 0, 75, 260};
        for (int n = 0; n < 4; ++n) files.push_back(Write(QStringLiteral("day%1.log").arg(n), Archive(n, lines[n])));
        files.push_back(Write(QStringLiteral("notes.txt"), "not a chat log at all, only words about alice"));
        files.push_back(Local(QStringLiteral("gone.log")));  // listed, then removed
    }
    std::string Local(const QString& name) const { return MainWindow::ToLocalPath(dir.filePath(name)); }
    std::string Write(const QString& name, const std::string& bytes) const {
        std::ofstream(Local(name), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return Local(name);
    }
};

// What "--search" prints for `files`.
std::string CommandLineSearch(const std::vector<std::string>& files, const QString& text, bool exact,
                              const LogSession& session) {
    std::FILE* out = std::tmpfile();
    SearchLogFiles(files, text, exact, {session.Settings().filterWord(), session.Users()}, out, 2);
    std::string printed;
    std::rewind(out);
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, out)) > 0;) printed.append(buf, n);
    std::fclose(out);
    return printed;
}

// The panel's results in the same form, their lines read as the list reads them.
std::string PanelResults(const LibrarySearchPanel& panel) {
    const auto* model = static_cast<const SearchResultsModel*>(Part<QTableView>(panel, "searchResults")->model());
    std::string listed;
    for (int row = 0; row < model->rowCount(); ++row) {
        // The line is read in the background when first asked for: sixteen pages are asked for at a time.
        constexpr int kAhead = 16 * int(ResultTexts::kPageRows);
        if (row % kAhead == 0)
            for (int ahead = row; ahead < std::min(row + kAhead, model->rowCount());
                 ahead += int(ResultTexts::kPageRows))
                model->index(ahead, 0).data(SearchResultsModel::kReadRole);
        if (!QTest::qWaitFor([&] { return model->index(row, 0).data(SearchResultsModel::kReadRole).toBool(); }, 5000))
            break;
        listed += MainWindow::ToLocalPath(model->index(row, 0).data(SearchResultsModel::kPathRole).toString());
        listed += ':' + model->index(row, SearchResultsModel::LineColumn).data().toString().toStdString() + ':';
        listed += model->index(row, SearchResultsModel::TextColumn).data().toString().toStdString() + '\n';
    }
    return listed;
}

// The newest row read as each batch arrives, as a list that shows it reads it.
void ReadAsTheyArrive(const LibrarySearchPanel& panel) {
    const QAbstractItemModel* model = Part<QTableView>(panel, "searchResults")->model();
    QObject::connect(Part<LibrarySearch>(panel, "librarySearch"), &LibrarySearch::Progressed, model, [model] {
        if (model->rowCount() > 0) model->index(model->rowCount() - 1, SearchResultsModel::TextColumn).data();
    });
}

void WaitForEnd(const LibrarySearchPanel& panel) {
    const LibrarySearch& search = *Part<LibrarySearch>(panel, "librarySearch");
    QSignalSpy finished(&search, &LibrarySearch::Finished);
    if (search.Running()) QVERIFY(finished.wait(10000));
}

}  // namespace

class LibrarySearchTest : public QObject {
    Q_OBJECT
private slots:
    void ResultsEqualTheCommandLine_data();
    void ResultsEqualTheCommandLine();
    void ListsTheFirstHundredThousand();
    void NewTextOrEscapeEndsTheSearch();
    void ChosenResultOpensWithItsMatchSelected();
};

void LibrarySearchTest::ResultsEqualTheCommandLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<quint32>("filterWord");
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<int>("listed");  // results the panel lists
    // "alice" folds with "ALICE" and the full-width form unless exact; the Say
    // channel hides type 1; the selection is day2.log and the missing file.
    QTest::newRow("folded") << "alice" << false << 0u << false << 261;
    QTest::newRow("exact") << "alice" << true << 0u << false << 0;
    QTest::newRow("exact case") << "ALICE" << true << 0u << false << 98;
    QTest::newRow("full width") << QString::fromUtf8("ａｌｉｃｅ") << true << 0u << false << 66;
    QTest::newRow("say hidden") << "alice" << false << quint32(FilterBit::Say) << false << 174;
    QTest::newRow("indent prefix") << QString::fromUtf8("\u3000\u3000") << false << 0u << false << 42;
    QTest::newRow("selected only") << "line 2" << false << 0u << true << 64;
    QTest::newRow("nothing") << "zzz" << false << 0u << false << 0;
}

void LibrarySearchTest::ResultsEqualTheCommandLine() {
    QFETCH(QString, text);
    QFETCH(bool, exact);
    QFETCH(quint32, filterWord);
    QFETCH(bool, selectedOnly);
    QFETCH(int, listed);
    Folder folder;
    LogSession session(folder.Local("chatscope.cnf"), folder.Local("chatscope.flt"));
    LibrarySearchPanel panel(session);
    panel.resize(800, 400);
    panel.show();
    const std::vector<std::string> selected = {folder.files[2], folder.files[5]};
    Part<QCheckBox>(panel, "searchSelectedOnly")->setChecked(selectedOnly);
    Part<QCheckBox>(panel, "searchExact")->setChecked(exact);
    Part<QLineEdit>(panel, "searchField")->setText(text);
    panel.SetFiles(folder.files, selected);  // the files covered change: the search starts again
    ReadAsTheyArrive(panel);
    const LibrarySearch& search = *Part<LibrarySearch>(panel, "librarySearch");
    const QAbstractItemModel& model = *Part<QTableView>(panel, "searchResults")->model();
    session.SetFilterWord(filterWord);  // a change of the filters searches again
    WaitForEnd(panel);

    const std::string expected = CommandLineSearch(selectedOnly ? selected : folder.files, text, exact, session);
    QCOMPARE(PanelResults(panel), expected);
    QCOMPARE(model.rowCount(), listed);
    QCOMPARE(Part<QLabel>(panel, "searchCount")->text(),
             QStringLiteral("%1 件 / %2 ファイル").arg(listed).arg(search.FilesWithMatches()));
    QCOMPARE(search.FilesDone(), selectedOnly ? selected.size() : folder.files.size());
    // What a screen reader is told when the search ends.
    QCOMPARE(Part<QLabel>(panel, "searchCount")->accessibleName(), Part<QLabel>(panel, "searchCount")->text());
}

void LibrarySearchTest::ListsTheFirstHundredThousand() {
    Folder folder;
    std::string bytes;
    for (int b = 0; b < 1000; ++b)
        bytes += logtest::UniformBlock(logtest::Record(5, "bob : again " + std::to_string(b)));
    const std::vector<std::string> files = {folder.Write(QStringLiteral("a.log"), bytes),
                                            folder.Write(QStringLiteral("b.log"), bytes),
                                            folder.Write(QStringLiteral("c.log"), bytes)};
    LogSession session(folder.Local("chatscope.cnf"), folder.Local("chatscope.flt"));
    LibrarySearchPanel panel(session);
    panel.SetFiles(files, {});
    Part<QLineEdit>(panel, "searchField")->setText(QStringLiteral("again"));
    WaitForEnd(panel);
    const QAbstractItemModel& model = *Part<QTableView>(panel, "searchResults")->model();
    QCOMPARE(model.rowCount(), 100000);
    QCOMPARE(Part<QLabel>(panel, "searchCount")->text(), QStringLiteral("150000 件 / 3 ファイル"));
    QCOMPARE(Part<QLabel>(panel, "searchMore")->text(), QStringLiteral("最初の 100000 件を表示、ほかに 50000 件"));
    // The last row listed: the 50,000th line of the second file.
    const QModelIndex last = model.index(99999, SearchResultsModel::LineColumn);
    QCOMPARE(last.siblingAtColumn(0).data(SearchResultsModel::kPathRole).toString(),
             MainWindow::FromLocalPath(files[1]));
    QCOMPARE(last.data().toInt(), 50000);
    QTRY_VERIFY(last.data(SearchResultsModel::kReadRole).toBool());
    QCOMPARE(last.siblingAtColumn(SearchResultsModel::TextColumn).data().toString(), QStringLiteral("bob : again 999"));
}

void LibrarySearchTest::NewTextOrEscapeEndsTheSearch() {
    Folder folder;
    // Many copies of the archives, so the first search is still running when the text changes.
    std::vector<std::string> files;
    for (int copy = 0; copy < 200; ++copy)
        files.push_back(folder.Write(QStringLiteral("copy%1.log").arg(copy), Archive(3, 260)));
    LogSession session(folder.Local("chatscope.cnf"), folder.Local("chatscope.flt"));
    LibrarySearchPanel panel(session);
    panel.SetFiles(files, {});
    ReadAsTheyArrive(panel);
    auto* field = Part<QLineEdit>(panel, "searchField");
    const LibrarySearch& search = *Part<LibrarySearch>(panel, "librarySearch");
    QSignalSpy progressed(&search, &LibrarySearch::Progressed);
    field->setText(QStringLiteral("bob"));
    QVERIFY(progressed.wait(10000));
    QVERIFY(search.Running());
    field->setText(QStringLiteral("Carol"));
    WaitForEnd(panel);
    QCOMPARE(PanelResults(panel), CommandLineSearch(files, QStringLiteral("Carol"), false, session));
    QVERIFY(!PanelResults(panel).empty());

    // Escape in the field ends the search: what was listed stays, the first of all there is.
    panel.show();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    field->setFocus();
    field->setText(QStringLiteral("bob"));
    QVERIFY(progressed.wait(10000));
    QSignalSpy finished(&search, &LibrarySearch::Finished);
    QTest::keyClick(field, Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toBool(), false);
    QApplication::processEvents();
    const std::string all = CommandLineSearch(files, QStringLiteral("bob"), false, session),
                      listed = PanelResults(panel);
    QVERIFY(!listed.empty() && listed.size() < all.size());
    QCOMPARE(all.substr(0, listed.size()), listed);
}

void LibrarySearchTest::ChosenResultOpensWithItsMatchSelected() {
    Folder folder;
    auto windows = CreateViewerWindows(folder.Local("chatscope.cnf"), folder.Local("chatscope.flt"));
    MainWindow& main = *windows->mainWindow;
    main.show();
    LibrarySearchPanel panel(*windows->session);
    panel.show();
    connect(&panel, &LibrarySearchPanel::ResultChosen, &main, &MainWindow::ShowSearchResult);
    panel.SetFiles(folder.files, {});
    Part<QLineEdit>(panel, "searchField")->setText(QStringLiteral("e 3"));  // line 3..., the first in day3.log
    WaitForEnd(panel);
    auto* results = Part<QTableView>(panel, "searchResults");
    const QAbstractItemModel& model = *results->model();
    // A row in the middle of day3.log, reached from the keyboard.
    int row = 0;
    while (row < model.rowCount() && model.index(row, SearchResultsModel::LineColumn).data().toInt() < 100) ++row;
    QVERIFY(row < model.rowCount());
    results->setFocus();
    results->setCurrentIndex(model.index(row, 0));
    QTest::keyClick(results, Qt::Key_Return);

    const int line = model.index(row, SearchResultsModel::LineColumn).data().toInt() - 1;
    auto& display = *Part<LogDisplay>(main, "display");
    QCOMPARE(windows->session->Sources(), std::vector<std::string>{folder.files[3]});
    const QString shown = display.LineText(line);
    QTRY_VERIFY(model.index(row, 0).data(SearchResultsModel::kReadRole).toBool());
    QCOMPARE(shown, model.index(row, SearchResultsModel::TextColumn).data().toString());
    const int column = int(shown.indexOf(QStringLiteral("e 3")));
    const auto [from, to] = display.SelectionRange();
    QCOMPARE((QList<int>{from.line, from.column, to.line, to.column}), (QList<int>{line, column, line, column + 3}));
    auto& bar = *Part<FindBar>(main, "findBar");
    QVERIFY(bar.isVisible());
    QCOMPARE(bar.Text(), QStringLiteral("e 3"));
    QVERIFY(!bar.Exact());
    QApplication::processEvents();  // the find bar's count starts and must leave the match selected
    QTRY_VERIFY(!Part<FindSession>(main, "find")->Busy());
    QCOMPARE(display.SelectionRange().from.line, line);
}

QTEST_MAIN(LibrarySearchTest)
#include "tst_librarysearch.moc"
