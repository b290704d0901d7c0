#include "library_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>

#include "chatscope/catcher_folder.h"
#include "chatscope/day_totals.h"
#include "chatscope/log_folder.h"
#include "day_chart.h"
#include "library_counter.h"
#include "library_model.h"
#include "local_path.h"
#include "log_session.h"
#include "search_panel.h"
#include "side_window_placement.h"
#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

// The catcher appends to its newest archives: those are watched one by one
// (the folder itself always is), at most this many.
constexpr int kMaxWatchedFiles = 1000;
// A burst of changes (the catcher writing, files copied in) is listed once.
constexpr int kRelistDelayMs = 150;
// While counting, the chart follows at most this often.
constexpr int kChartDelayMs = 500;

bool IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string Env(const char* name) { return qEnvironmentVariable(name).toStdString(); }

}  // namespace

LibraryWindow::LibraryWindow(LogSession& session, QWidget* anchor, std::string cacheFile, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), anchor_(anchor), cacheFile_(std::move(cacheFile)) {
    setWindowTitle(QStringLiteral("アーカイブ一覧"));
    resize(1180, 720);
    if (cacheFile_.empty()) cacheFile_ = LibraryCachePath(Env("XDG_CACHE_HOME"), ToLocalPath(QDir::homePath()));

    folderButton_ = new QPushButton(QStringLiteral("フォルダー..."), this);
    folderLabel_ = new QLabel(this);
    folderLabel_->setTextFormat(Qt::PlainText);
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* top = new QHBoxLayout;
    top->addWidget(folderButton_);
    top->addWidget(folderLabel_, 1);

    model_ = new LibraryModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(LibraryModel::SortRole);
    proxy_->setDynamicSortFilter(true);
    table_ = new QTableView(this);
    table_->setModel(proxy_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSortingEnabled(true);
    table_->sortByColumn(LibraryModel::NameColumn, Qt::AscendingOrder);
    for (int c = 0; c < LibraryModel::kColumnCount; ++c)
        table_->setColumnWidth(c, c == LibraryModel::NameColumn ? 220 : c == LibraryModel::ChangedColumn ? 140 : 90);
    table_->installEventFilter(this);

    skippedLabel_ = new QLabel(this);
    status_ = new QLabel(this);
    for (QLabel* l : {skippedLabel_, status_}) l->setTextFormat(Qt::PlainText);
    status_->hide();
    progress_ = new QProgressBar(this);
    progress_->setFormat(QStringLiteral("%v / %m"));
    progress_->hide();
    openButton_ = new QPushButton(QStringLiteral("開く"), this);
    openButton_->setEnabled(false);
    chart_ = new DayChart(this);

    auto* tablePart = new QWidget(this);
    auto* tableColumn = new QVBoxLayout(tablePart);
    tableColumn->setContentsMargins(0, 0, 0, 0);
    tableColumn->addWidget(table_, 1);
    auto* under = new QHBoxLayout;
    under->addWidget(skippedLabel_, 1);
    under->addWidget(progress_);
    under->addWidget(openButton_);
    tableColumn->addLayout(under);
    tableColumn->addWidget(status_);
    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(tablePart);
    left->addWidget(chart_);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);
    auto* searchSlot = new QWidget(this);
    auto* slotLayout = new QVBoxLayout(searchSlot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    search_ = new LibrarySearchPanel(session, searchSlot);
    search_->setObjectName(QStringLiteral("librarySearchPanel"));
    slotLayout->addWidget(search_);
    auto* sides = new QSplitter(Qt::Horizontal, this);
    sides->setObjectName(QStringLiteral("librarySplitter"));
    sides->addWidget(left);
    sides->addWidget(searchSlot);
    sides->setStretchFactor(0, 1);
    sides->setSizes({640, 520});
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(sides, 1);

    const std::pair<QWidget*, const char*> parts[] = {
        {folderButton_, "folderButton"}, {folderLabel_, "folderLabel"}, {table_, "libraryTable"},
        {skippedLabel_, "skippedLabel"}, {status_, "libraryStatus"},    {progress_, "countProgress"},
        {openButton_, "openButton"},     {chart_, "dayChart"},          {searchSlot, "searchSlot"},
    };
    for (const auto& [part, name] : parts) part->setObjectName(QLatin1String(name));
    model_->setObjectName(QStringLiteral("libraryModel"));
    folderButton_->setAccessibleName(QStringLiteral("フォルダーを選ぶ"));
    folderLabel_->setAccessibleName(QStringLiteral("フォルダー"));
    table_->setAccessibleName(QStringLiteral("アーカイブの一覧"));
    skippedLabel_->setAccessibleName(QStringLiteral("除いたファイル"));
    status_->setAccessibleName(QStringLiteral("フォルダーの状態"));
    progress_->setAccessibleName(QStringLiteral("数えた数"));
    openButton_->setAccessibleName(QStringLiteral("選んだファイルを開く"));
    searchSlot->setAccessibleName(QStringLiteral("検索"));
    setTabOrder(folderButton_, table_);
    setTabOrder(table_, openButton_);
    setTabOrder(openButton_, chart_);
    setTabOrder(chart_, search_);

    watch_ = new QFileSystemWatcher(this);
    watch_->setObjectName(QStringLiteral("libraryWatch"));
    relistTimer_ = new QTimer(this);
    relistTimer_->setSingleShot(true);
    relistTimer_->setInterval(kRelistDelayMs);
    chartTimer_ = new QTimer(this);
    chartTimer_->setSingleShot(true);
    chartTimer_->setInterval(kChartDelayMs);
    counter_ = new LibraryCounter(this);

    // The search covers the listed files, or the selected ones.
    const auto searchFiles = [this] { search_->SetFiles(FolderFiles(), SelectedFiles()); };
    connect(this, &LibraryWindow::FilesChanged, search_, searchFiles);
    connect(this, &LibraryWindow::SelectionChanged, search_, searchFiles);
    connect(search_, &LibrarySearchPanel::ResultChosen, this, &LibraryWindow::ResultChosen);
    connect(folderButton_, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(openButton_, &QPushButton::clicked, this, [this] { OpenSelected(); });
    connect(table_, &QAbstractItemView::doubleClicked, this, [this] { OpenSelected(); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        openButton_->setEnabled(table_->selectionModel()->hasSelection());
        chartTimer_->start();
        emit SelectionChanged();
    });
    connect(watch_, &QFileSystemWatcher::directoryChanged, relistTimer_, qOverload<>(&QTimer::start));
    connect(watch_, &QFileSystemWatcher::fileChanged, relistTimer_, qOverload<>(&QTimer::start));
    connect(relistTimer_, &QTimer::timeout, this, [this] { Relist(); });
    connect(chartTimer_, &QTimer::timeout, this, [this] { UpdateChart(); });
    connect(counter_, &LibraryCounter::Counted, this, [this](const std::vector<LibraryCounter::Result>& batch) {
        for (const LibraryCounter::Result& r : batch) {
            if (model_->SetCount(r.path, r.stamp, r.count) && r.count) {
                cache_.Put(r.path, r.stamp, *r.count);
                cacheDirty_ = true;
            }
        }
        UpdateProgress();
        if (!chartTimer_->isActive()) chartTimer_->start();
    });
    connect(counter_, &LibraryCounter::Idle, this, [this] {
        UpdateProgress();
        SaveCache();
        chartTimer_->stop();
        UpdateChart();
        emit CountingFinished();
    });
}

LibraryWindow::~LibraryWindow() { SaveCache(); }

std::string LibraryWindow::StartFolder() const {
    const std::string& last = session_.PerUserState().State().libraryFolder;
    if (IsFolder(last)) return last;
    const std::string& loaded = session_.CurrentLogPath();
    if (!loaded.empty()) {
        const std::string folder = ToLocalPath(QFileInfo(FromLocalPath(loaded)).absolutePath());
        if (IsFolder(folder)) return folder;
    }
    const std::string home = ToLocalPath(QDir::homePath());
    if (const auto catcher = ReadCatcherArchiveFolder(CatcherSettingsPath(Env("XDG_CONFIG_HOME"), home))) {
        const std::string folder = catcher->exact ? *catcher->exact : ToLocalPath(sjis::Decode(catcher->shiftJis));
        if (IsFolder(folder)) return folder;
    }
    return home;
}

void LibraryWindow::ChooseFolder() {
    const QString start = FromLocalPath(folder_.empty() ? StartFolder() : folder_);
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("フォルダー"), start);
    if (!chosen.isEmpty()) OpenFolder(ToLocalPath(chosen));
}

void LibraryWindow::OpenFolder(const std::string& folder) {
    if (!cacheLoaded_) {
        cache_.Load(cacheFile_);  // one that is not ours loads empty and is replaced at the next save
        cacheLoaded_ = true;
    }
    const std::string absolute = ToLocalPath(QFileInfo(FromLocalPath(folder)).absoluteFilePath());
    if (absolute != folder_) model_->Clear();
    folder_ = absolute;
    folderLabel_->setText(FromLocalPath(folder_));
    session_.SetLibraryFolder(folder_);
    if (!watch_->directories().isEmpty()) watch_->removePaths(watch_->directories());
    if (!watch_->files().isEmpty()) watch_->removePaths(watch_->files());
    watch_->addPath(FromLocalPath(folder_));
    Relist();
}

void LibraryWindow::Relist() {
    std::vector<std::string> names;
    std::vector<SkippedEntry> skipped;
    if (!ListChatLogFolder(folder_, names, &skipped)) {
        model_->Clear();
        counter_->Restart({});
        skippedLabel_->clear();
        status_->setText(QStringLiteral("フォルダーがありません: ") + FromLocalPath(folder_));
        status_->show();
        // A folder made again under the same name is watched again.
        if (watch_->directories().isEmpty() && IsFolder(folder_)) watch_->addPath(FromLocalPath(folder_));
        emit FilesChanged();
        UpdateChart();
        return;
    }
    status_->hide();
    std::vector<LibraryRow> rows;
    rows.reserve(names.size());
    for (std::string& name : names) {
        LibraryRow row;
        row.path = Join(folder_, name);
        const auto stamp = StampOf(row.path);
        if (!stamp) continue;  // gone since it was listed
        row.stamp = *stamp;
        row.name = std::move(name);
        rows.push_back(std::move(row));
    }
    int notLogs = 0;
    for (SkippedEntry& s : skipped) {
        if (s.reason != "cannot be read") {
            ++notLogs;
            continue;
        }
        LibraryRow row;
        row.path = Join(folder_, s.name);
        row.name = std::move(s.name);
        row.stamp = StampOf(row.path).value_or(FileStamp{});
        row.state = LibraryRow::State::Unreadable;
        rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end(), [](const LibraryRow& a, const LibraryRow& b) { return a.name < b.name; });
    skippedLabel_->setText(notLogs ? QStringLiteral("チャットログでないファイル %1 件は除きました").arg(notLogs)
                                   : QString());

    std::vector<LibraryCounter::Job> jobs;
    for (int r : model_->Update(std::move(rows))) {
        const LibraryRow& row = model_->Row(r);
        if (const auto count = cache_.Find(row.path, row.stamp))
            model_->SetCount(row.path, row.stamp, count);
        else
            jobs.push_back({row.path, row.stamp});
    }
    // Newest first: today's archive is what the user looks for.
    std::stable_sort(jobs.begin(), jobs.end(), [](const LibraryCounter::Job& a, const LibraryCounter::Job& b) {
        return a.stamp.mtimeNs > b.stamp.mtimeNs;
    });
    toCount_ = static_cast<int>(jobs.size());
    counter_->Restart(std::move(jobs));
    UpdateProgress();
    WatchFiles();
    emit FilesChanged();
    if (!chartTimer_->isActive()) chartTimer_->start();
}

void LibraryWindow::WatchFiles() {
    std::vector<const LibraryRow*> newest;
    for (const LibraryRow& r : model_->Rows()) newest.push_back(&r);
    const std::size_t n = std::min(newest.size(), std::size_t(kMaxWatchedFiles));
    std::partial_sort(newest.begin(), newest.begin() + std::ptrdiff_t(n), newest.end(),
                      [](const LibraryRow* a, const LibraryRow* b) { return a->stamp.mtimeNs > b->stamp.mtimeNs; });
    QStringList wanted;
    for (std::size_t i = 0; i < n; ++i) wanted << FromLocalPath(newest[i]->path);
    const QStringList watched = watch_->files();
    QStringList gone;
    for (const QString& f : watched)
        if (!wanted.contains(f)) gone << f;
    if (!gone.isEmpty()) watch_->removePaths(gone);
    QStringList added;
    for (const QString& f : wanted)
        if (!watched.contains(f)) added << f;
    if (!added.isEmpty()) watch_->addPaths(added);
}

void LibraryWindow::UpdateProgress() {
    const int left = counter_->Outstanding();
    if (left == 0) {
        progress_->hide();
        toCount_ = 0;
        return;
    }
    toCount_ = std::max(toCount_, left);
    progress_->setRange(0, toCount_);
    progress_->setValue(toCount_ - left);
    progress_->show();
}

void LibraryWindow::UpdateChart() {
    std::vector<int> rows;
    const QModelIndexList selected = table_->selectionModel()->selectedRows();
    // A range (two files or more) is charted alone; otherwise the whole folder.
    if (selected.size() > 1) {
        for (const QModelIndex& i : selected) rows.push_back(proxy_->mapToSource(i).row());
    } else {
        for (int r = 0; r < model_->rowCount(); ++r) rows.push_back(r);
    }
    std::vector<DayFile> files;
    files.reserve(rows.size());
    for (int r : rows) {
        const LibraryRow& row = model_->Row(r);
        if (row.state == LibraryRow::State::Unreadable) continue;
        files.push_back({row.stamp.mtimeNs, row.count.experience, row.count.lines});
    }
    chart_->SetDays(DayTotals(files));
}

void LibraryWindow::SaveCache() {
    if (!cacheDirty_ || cacheFile_.empty()) return;
    cacheDirty_ = !cache_.Save(cacheFile_);
}

std::vector<std::string> LibraryWindow::FolderFiles() const {
    std::vector<std::string> files;
    files.reserve(model_->Rows().size());
    for (const LibraryRow& r : model_->Rows()) files.push_back(r.path);
    return files;
}

std::vector<std::string> LibraryWindow::SelectedFiles() const {
    std::vector<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(proxy_->mapToSource(i).row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> files;
    for (int r : rows) files.push_back(model_->Row(r).path);
    return files;
}

bool LibraryWindow::Counting() const { return counter_->Busy(); }

void LibraryWindow::OpenSelected() {
    const std::vector<std::string> files = SelectedFiles();
    if (files.empty()) return;
    if (!session_.Open(files)) emit NotOpened(files);
}

void LibraryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (anchor_) PlaceBeside(*this, *anchor_);
    if (folder_.empty()) OpenFolder(StartFolder());
}

void LibraryWindow::closeEvent(QCloseEvent* event) {
    SaveCache();
    hide();
    event->ignore();
}

bool LibraryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace chatscope
