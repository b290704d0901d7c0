// The archive library ("アーカイブ一覧"): the chat log files of one folder in a
// table (name, last change, size, lines, experience), counted in the
// background and kept in a cache, watched as they grow, come and go; a chart of
// the figures by day; the selection opened in the main window as one log.
// A side window like the statistics window: placed beside the main window,
// closing it hides it. The search across the folder goes into "searchSlot".
#pragma once

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

#include "chatscope/library_cache.h"

class QFileSystemWatcher;
class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace chatscope {

class DayChart;
class LibraryCounter;
class LibraryModel;
class LibrarySearchPanel;
class LogSession;

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    // A view of the folders, opening what is chosen in `session`; shown beside
    // `anchor`. The count cache is `cacheFile` (empty: the per-user one, see
    // LibraryCachePath).
    LibraryWindow(LogSession& session, QWidget* anchor, std::string cacheFile = std::string(),
                  QWidget* parent = nullptr);
    ~LibraryWindow() override;  // writes the cache when it changed

    // Lists `folder` (a local path) and counts what the cache does not hold.
    void OpenFolder(const std::string& folder);
    const std::string& Folder() const { return folder_; }
    // The folder the window starts at: the one shown last, else that of the
    // loaded file, else the catcher's archive folder, else the home folder.
    std::string StartFolder() const;

    // The listed files (full local paths) in the folder's byte-wise name
    // order, and the selected ones in that order.
    std::vector<std::string> FolderFiles() const;
    std::vector<std::string> SelectedFiles() const;
    // Opens the selected files in the main window as one log.
    void OpenSelected();
    // Files still to be counted.
    bool Counting() const;

    // Parts: "folderButton", "folderLabel", "libraryTable" (its source model
    // "libraryModel"), "skippedLabel", "libraryStatus", "countProgress",
    // "openButton", "dayChart", "searchSlot" holding the search panel
    // (LibrarySearchPanel, "librarySearchPanel"), the watch "libraryWatch".

signals:
    void FilesChanged();
    void SelectionChanged();
    // Open found none of the selected files any more.
    void NotOpened(const std::vector<std::string>& paths);
    // Counting ended: every listed file is counted or found unreadable.
    void CountingFinished();
    // A result of the search across the folder was chosen (Enter, double-click).
    void ResultChosen(const std::string& path, qint64 lineNumber, const QString& text, bool exact);

protected:
    void showEvent(QShowEvent* event) override;                  // placement beside the anchor; the start folder
    void closeEvent(QCloseEvent* event) override;                // hides
    bool eventFilter(QObject* watched, QEvent* event) override;  // Enter in the table

private:
    void ChooseFolder();
    void Relist();
    void WatchFiles();
    void UpdateChart();
    void UpdateProgress();
    void SaveCache();

    LogSession& session_;
    QWidget* anchor_;
    std::string cacheFile_;
    std::string folder_;
    bool cacheLoaded_ = false;
    bool cacheDirty_ = false;
    LibraryCache cache_;
    int toCount_ = 0;

    QPushButton* folderButton_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QTableView* table_ = nullptr;
    LibraryModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QLabel* skippedLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* openButton_ = nullptr;
    DayChart* chart_ = nullptr;
    LibrarySearchPanel* search_ = nullptr;
    QFileSystemWatcher* watch_ = nullptr;
    QTimer* relistTimer_ = nullptr;
    QTimer* chartTimer_ = nullptr;
    LibraryCounter* counter_ = nullptr;
};

}  // namespace chatscope
