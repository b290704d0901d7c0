// LibrarySearchPanel: the search across a folder of chat logs, a widget the
// library window holds. Each change of the text (or of its options) searches
// the shown lines of every file of the folder, or of the selected ones only,
// and drops the search before; the matches stream into the result list in
// file order, then line order. Enter or a double-click on a result chooses it.
//
// Parts by object name: "searchField", "searchExact" ("大文字と小文字・全角と半角を区別"),
// "searchSelectedOnly" ("選択したファイルだけ"), "searchStop", "searchProgress",
// "searchCount" ("N 件 / M ファイル"), "searchMore" (the matches not listed),
// "searchResults" (the list); the search itself "librarySearch".
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace chatscope {

class LibrarySearch;
class LogSession;
class SearchResultDelegate;
class SearchResultsModel;

class LibrarySearchPanel : public QWidget {
    Q_OBJECT
public:
    // Searches with the filters of `session` (its filter word and user list, as
    // they are when a search starts; a change of the filter word starts it again).
    explicit LibrarySearchPanel(const LogSession& session, QWidget* parent = nullptr);
    ~LibrarySearchPanel() override;

    // The files a search covers: the whole folder (full local paths, in table
    // order) and the selected ones; "選択したファイルだけ" picks which. When the
    // files covered change, a search of a non-empty text starts again.
    void SetFiles(std::vector<std::string> folderFiles, std::vector<std::string> selectedFiles);

    // Ends the search running (the stop button, Escape); what was found stays.
    void Stop();
    const LibrarySearch& Search() const { return *search_; }

signals:
    // Enter or a double-click on a result: its file (local path), the 1-based
    // number of its line among the shown lines, the search text and its exactness.
    void ResultChosen(const std::string& path, qint64 lineNumber, const QString& text, bool exact);

private:
    const std::vector<std::string>& Covered() const;
    void Restart();
    void UpdateCount();
    void Finished();
    void Choose(int row);

    const LogSession& session_;
    LibrarySearch* search_;
    SearchResultsModel* model_;
    SearchResultDelegate* delegate_;
    QLineEdit* field_;
    QCheckBox* exact_;
    QCheckBox* selectedOnly_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QLabel* count_;
    QLabel* more_;
    QTableView* results_;
    std::vector<std::string> folderFiles_;
    std::vector<std::string> selectedFiles_;
    QElapsedTimer sinceCount_;  // since the count was last shown
};

}  // namespace chatscope
