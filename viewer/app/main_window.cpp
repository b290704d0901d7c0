// The main window, a view of the session: the display the session's passes
// fill, the two status panels and the menus that open, save, filter and show
// the side windows.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "chatscope/html_export.h"
#include "chatscope/paths.h"
#include "display/display_sink.h"
#include "display/log_display.h"
#include "find/find_bar.h"
#include "find/find_session.h"
#include "log_session.h"
#include "recent_files_menu.h"
#include "sjis/shift_jis.h"
#include "status_texts.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

const QString kCaption = QStringLiteral("Tarq Log Viewer");
const QString kOpenFilter = QStringLiteral("TARQログファイル(*.log)");
// The display text of the filter, then the patterns Qt matches with.
const QString kSaveFilter = QStringLiteral("保存ファイル(*.htm,*.doc,*.txt) (*.htm *.html *.doc *.txt)");

// True when both names lead to one existing file (hard links and symbolic links included).
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

// A status bar panel of a set width that, like a native status bar's panel, is
// cut off by a narrower window instead of widening it.
class StatusPanel : public QLabel {
public:
    StatusPanel(int width, QWidget* parent) : QLabel(parent), width_(width) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setTextFormat(Qt::PlainText);
        setMaximumWidth(width);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return {width_, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    int width_;
};

// A busy cursor for the length of a reading pass or a save.
class BusyCursor {
public:
    // Qt hands the cursor to the window system at once; no events are processed
    // here, so nothing else can run in the middle of a pass.
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The caption of a loaded set: its first file and the count of the others.
QString Caption(const std::vector<std::string>& sources) {
    if (sources.empty()) return kCaption;
    QString shown = FromLocalPath(sources.front());
    if (sources.size() > 1) shown += QStringLiteral(" +%1").arg(sources.size() - 1);
    return kCaption + QStringLiteral(" [") + shown + QStringLiteral("]");
}

const char* const kChannelCaptions[kChannelCount] = {"Say", "Tell", "Party", "Linkshell", "Shout", "Emote", "etc"};

}  // namespace

struct MainWindow::Menus {
    QMenu* fileMenu = nullptr;
    QMenu* filterMenu = nullptr;
    QMenu* otherMenu = nullptr;
    QMenu* contextMenu = nullptr;
    QAction* open = nullptr;
    RecentFilesMenu* recent = nullptr;
    QAction* library = nullptr;
    QAction* save = nullptr;
    QAction* exit = nullptr;
    QAction* channel[kChannelCount][2] = {};  // [channel][0: main menu, 1: popup]
    QAction* statistics[2] = {};
    QAction* settings[2] = {};
    QAction* contextOpen = nullptr;
    QAction* contextSave = nullptr;
    QAction* copy = nullptr;
    QAction* contextExit = nullptr;
    QMenu* viewMenu = nullptr;
    QAction* find = nullptr;
    QAction* findNext = nullptr;
    QAction* findPrevious = nullptr;
    QAction* matchingLines = nullptr;
    QAction* follow = nullptr;
};

MainWindow::MainWindow(LogSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), menus_(std::make_unique<Menus>()) {
    setWindowTitle(kCaption);
    resize(587, 463);
    setFont(ViewerFont());

    display_ = new LogDisplay(this);
    display_->setObjectName(QStringLiteral("display"));
    // The find bar sits between the display and the status bar, hidden until asked for.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    findBar_ = new FindBar(central);
    findBar_->setObjectName(QStringLiteral("findBar"));
    findBar_->hide();
    column->addWidget(display_, 1);
    column->addWidget(findBar_);
    setCentralWidget(central);
    find_ = new FindSession(display_, findBar_, display_);  // goes with the display it marks
    find_->setObjectName(QStringLiteral("find"));
    displaySink_ = std::make_unique<DisplaySink>(*display_);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("statusBar"));
    experiencePanel_ = new StatusPanel(120, status);
    channelCountPanel_ = new StatusPanel(500, status);
    experiencePanel_->setObjectName(QStringLiteral("experiencePanel"));
    channelCountPanel_->setObjectName(QStringLiteral("channelCountPanel"));
    experiencePanel_->setMinimumWidth(120);  // the first panel keeps its width; the second gives way
    status->addWidget(experiencePanel_);
    status->addWidget(channelCountPanel_);
    // The files the last load left out; shown only then.
    leftOutPanel_ = new QLabel(status);
    leftOutPanel_->setObjectName(QStringLiteral("leftOutPanel"));
    leftOutPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    leftOutPanel_->setTextFormat(Qt::PlainText);
    leftOutPanel_->setMinimumWidth(0);
    leftOutPanel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    leftOutPanel_->hide();
    status->addWidget(leftOutPanel_, 1);
    setStatusBar(status);

    BuildMenus();
    BuildViewMenu();

    session_.AttachDisplay(displaySink_.get());
    connect(&session_, &LogSession::LoadStarting, this, [this] {
        setWindowTitle(Caption(session_.Sources()));
        // A busy cursor for the length of the pass; Qt hands it to the window system
        // at once and no events are processed, so nothing else runs in the middle.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        display_->Clear();
    });
    connect(&session_, &LogSession::LoadFinished, this, [this] {
        display_->EndOfBatch();
        setWindowTitle(Caption(session_.Sources()));  // the pass may have left a file out
        UpdateLeftOutPanel();
        QApplication::restoreOverrideCursor();
    });
    connect(&session_, &LogSession::StatisticsChanged, this, [this] { UpdateStatusTexts(); });
    connect(&session_, &LogSession::FollowAppended, this, [this] { display_->EndOfBatch(); });
    connect(&session_, &LogSession::SettingsChanged, this, [this] {
        UpdateDisplayBackground();
        SetChannelChecks();
    });
    connect(&session_, &LogSession::FileMayHaveChanged, this, [this] { FollowTick(); });

    setAcceptDrops(true);

    menus_->follow->setChecked(session_.PerUserState().State().follow);

    display_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(display_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { menus_->contextMenu->popup(display_->viewport()->mapToGlobal(pos)); });
    connect(display_, &LogDisplay::selectionChanged, this,
            [this] { menus_->copy->setEnabled(display_->HasSelection()); });
}

MainWindow::~MainWindow() { session_.AttachDisplay(nullptr); }

bool MainWindow::ShowSearchResult(const std::string& path, qint64 lineNumber, const QString& text, bool exact) {
    if (!session_.Open(std::vector<std::string>{path})) {
        ReportNotOpened({path});  // gone or replaced since the search: the display stays as it was
        return false;
    }
    show();
    raise();
    activateWindow();
    // The load shows every line; the find bar's view of matching lines follows the new text.
    const int line = static_cast<int>(std::clamp<qint64>(lineNumber - 1, 0, display_->LineCount() - 1));
    const TextMatch match = TextMatcher(text, exact).FindFrom(display_->LineText(line), 0);
    // The bar first, laid out at once, so the line is scrolled into the room it leaves.
    find_->OpenBar();
    centralWidget()->layout()->activate();
    display_->ShowRange(line, match.start, match.end);
    // The find bar looks from the selection's start: it keeps this match selected.
    findBar_->SetSearch(text, exact);
    display_->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainWindow::BuildMenus() {
    Menus& m = *menus_;
    auto channelHandler = [this](int bit) { return [this, bit] { ToggleChannel(static_cast<Channel>(bit)); }; };

    m.fileMenu = menuBar()->addMenu(QStringLiteral("ファイル"));
    m.open = m.fileMenu->addAction(QStringLiteral("開く"), this, [this] { OpenWithDialog(); });
    m.recent = new RecentFilesMenu(session_.PerUserState(), this);
    m.fileMenu->addMenu(m.recent);
    connect(m.recent, &RecentFilesMenu::FileChosen, this,
            [this](const std::string& path) { session_.OpenRecent(path); });
    connect(&session_, &LogSession::RecentFilesChanged, m.recent, &RecentFilesMenu::Rebuild);
    m.library = m.fileMenu->addAction(QStringLiteral("アーカイブ一覧..."), this, [this] { ShowLibraryWindow(); });
    m.library->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m.save = m.fileMenu->addAction(QStringLiteral("保存"), this, [this] { SaveWithDialog(); });
    m.fileMenu->addSeparator();
    m.exit = m.fileMenu->addAction(QStringLiteral("終了"), this, [this] { close(); });

    m.filterMenu = menuBar()->addMenu(QStringLiteral("フィルター"));
    for (int bit = 0; bit < kChannelCount; ++bit) {
        m.channel[bit][0] =
            m.filterMenu->addAction(QString::fromLatin1(kChannelCaptions[bit]), this, channelHandler(bit));
    }

    m.otherMenu = menuBar()->addMenu(QStringLiteral("その他"));
    m.statistics[0] = m.otherMenu->addAction(QStringLiteral("データ"), this, [this] { ToggleStatisticsWindow(); });
    m.settings[0] = m.otherMenu->addAction(QStringLiteral("オプション"), this, [this] { ToggleSettingsDialog(); });

    m.contextMenu = new QMenu(this);
    m.contextMenu->setObjectName(QStringLiteral("contextMenu"));
    for (int bit = 0; bit < kChannelCount; ++bit) {
        m.channel[bit][1] =
            m.contextMenu->addAction(QString::fromLatin1(kChannelCaptions[bit]), this, channelHandler(bit));
    }
    m.contextMenu->addSeparator();
    m.contextOpen = m.contextMenu->addAction(QStringLiteral("開く"), this, [this] { OpenWithDialog(); });
    m.contextSave = m.contextMenu->addAction(QStringLiteral("保存"), this, [this] { SaveWithDialog(); });
    m.contextMenu->addSeparator();
    m.copy = m.contextMenu->addAction(QStringLiteral("コピー"), this, [this] { CopySelection(); });
    m.copy->setEnabled(false);
    m.contextMenu->addSeparator();
    m.statistics[1] = m.contextMenu->addAction(QStringLiteral("データ"), this, [this] { ToggleStatisticsWindow(); });
    m.settings[1] = m.contextMenu->addAction(QStringLiteral("オプション"), this, [this] { ToggleSettingsDialog(); });
    m.contextMenu->addSeparator();
    m.contextExit = m.contextMenu->addAction(QStringLiteral("終了"), this, [this] { close(); });

    for (int bit = 0; bit < kChannelCount; ++bit) {
        for (QAction* a : m.channel[bit]) a->setCheckable(true);
        m.channel[bit][0]->setObjectName(QStringLiteral("channelAction%1").arg(bit));
        m.channel[bit][1]->setObjectName(QStringLiteral("popupChannelAction%1").arg(bit));
    }
    for (QAction* a : {m.statistics[0], m.statistics[1], m.settings[0], m.settings[1]}) a->setCheckable(true);
    const std::pair<QObject*, const char*> names[] = {
        {m.open, "openAction"},
        {m.recent, "recentFiles"},
        {m.library, "libraryAction"},
        {m.save, "saveAction"},
        {m.exit, "exitAction"},
        {m.statistics[0], "statisticsAction"},
        {m.statistics[1], "popupStatisticsAction"},
        {m.settings[0], "settingsAction"},
        {m.settings[1], "popupSettingsAction"},
        {m.contextOpen, "popupOpenAction"},
        {m.contextSave, "popupSaveAction"},
        {m.copy, "copyAction"},
        {m.contextExit, "popupExitAction"},
    };
    for (const auto& [part, name] : names) part->setObjectName(QLatin1String(name));
}

void MainWindow::BuildViewMenu() {
    Menus& m = *menus_;
    m.viewMenu = menuBar()->addMenu(QStringLiteral("表示"));
    m.find = m.viewMenu->addAction(QStringLiteral("検索..."), this, [this] { find_->OpenBar(); });
    m.find->setShortcut(QKeySequence::Find);
    m.findNext = m.viewMenu->addAction(QStringLiteral("次を検索"), this, [this] { find_->FindNext(); });
    m.findNext->setShortcut(QKeySequence(Qt::Key_F3));
    m.findPrevious = m.viewMenu->addAction(QStringLiteral("前を検索"), this, [this] { find_->FindPrevious(); });
    m.findPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    m.viewMenu->addSeparator();
    m.matchingLines = m.viewMenu->addAction(QStringLiteral("一致する行だけ表示"));
    m.matchingLines->setCheckable(true);
    connect(m.matchingLines, &QAction::toggled, this, [this](bool on) { find_->SetMatchingLinesOnly(on); });
    m.viewMenu->addSeparator();
    m.follow = m.viewMenu->addAction(QStringLiteral("末尾を追う"));
    m.follow->setCheckable(true);
    const std::pair<QAction*, const char*> names[] = {
        {m.find, "findAction"},
        {m.findNext, "findNextAction"},
        {m.findPrevious, "findPreviousAction"},
        {m.matchingLines, "matchingLinesAction"},
        {m.follow, "followAction"},
    };
    for (const auto& [action, name] : names) action->setObjectName(QLatin1String(name));
    connect(m.follow, &QAction::toggled, this, [this](bool on) { SetFollowing(on); });
}

void MainWindow::SetSideWindows(QWidget* settingsDialog, QWidget* statisticsWindow) {
    settingsDialog_ = settingsDialog;
    statisticsWindow_ = statisticsWindow;
}

void MainWindow::UpdateDisplayBackground() {
    display_->SetBackgroundColour(session_.Settings().BackgroundDisplayColour());
}

void MainWindow::UpdateStatusTexts() {
    const LogStatistics& stats = session_.Statistics();
    channelCountPanel_->setText(QString::fromLatin1(FormatCountsText(stats, session_.AllLines()).c_str()));
    experiencePanel_->setText(sjis::Decode(FormatExpText(stats)));
}

void MainWindow::UpdateLeftOutPanel() {
    QStringList names, paths;
    for (const std::string& path : session_.LeftOut()) {
        paths << FromLocalPath(path);
        names << QFileInfo(paths.back()).fileName();
    }
    leftOutPanel_->setText(
        names.isEmpty() ? QString() : QStringLiteral("読み込めなかったファイル: ") + names.join(QStringLiteral(", ")));
    leftOutPanel_->setToolTip(paths.join(QLatin1Char('\n')));
    leftOutPanel_->setVisible(!names.isEmpty());
}

void MainWindow::ReportNotOpened(const std::vector<std::string>& paths) {
    QStringList names, full;
    for (const std::string& path : paths) {
        full << FromLocalPath(path);
        names << QFileInfo(full.back()).fileName();
    }
    if (names.isEmpty()) return;
    leftOutPanel_->setText(QStringLiteral("読み込めなかったファイル: ") + names.join(QStringLiteral(", ")));
    leftOutPanel_->setToolTip(full.join(QLatin1Char('\n')));
    leftOutPanel_->show();
}

void MainWindow::ShowLibraryWindow() {
    if (!libraryWindow_) return;
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
}

void MainWindow::OpenWithDialog() {
    const QString chosen = QFileDialog::getOpenFileName(this, QString(), QString(), kOpenFilter);
    if (chosen.isEmpty()) return;
    session_.Open(ToLocalPath(chosen));
}

QString MainWindow::SaveDialogPreset() const {
    const std::string& loaded = session_.CurrentLogPath();
    if (!loaded.empty()) return FromLocalPath(ReplaceExtension(loaded, ".htm"));
    return saveDialogName_;
}

void MainWindow::SaveWithDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(kSaveFilter);
    const QString preset = SaveDialogPreset();
    if (!preset.isEmpty()) dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    saveDialogName_ = chosen.first();
    SaveToPath(saveDialogName_);
}

void MainWindow::SaveToPath(const QString& chosenPath) {
    const std::string out = ToLocalPath(chosenPath);
    const std::string ext = LowerExtension(out);
    if (ext == ".htm" || ext == ".html") {
        if (session_.Sources().empty()) return;
        BusyCursor busy;
        // Only the records the display shows when it shows only matching lines.
        session_.SaveHtml(out, find_->RecordFilter());
        return;
    }
    if (ext != ".doc" && ext != ".txt") return;
    // Never write the display over a log it came from.
    for (const std::string& log : session_.Sources())
        if (SameFile(out, log)) return;
    BusyCursor busy;
    if (ext == ".doc")
        display_->SaveRtf(chosenPath);
    else
        display_->SavePlainText(chosenPath);
}

void MainWindow::CopySelection() {
    if (display_->HasSelection()) display_->Copy();
}

void MainWindow::ToggleChannel(Channel channel) {
    const int bit = static_cast<int>(channel);
    if (bit < 0 || bit >= kChannelCount) return;
    const std::uint32_t mask = std::uint32_t(1) << bit;
    // The check marks follow through SettingsChanged, before the file is read again.
    session_.SetFilterWord(session_.Settings().filterWord() ^ mask);
}

void MainWindow::SetChannelChecks() {
    const std::uint32_t word = session_.Settings().filterWord();
    for (int bit = 0; bit < kChannelCount; ++bit) {
        for (QAction* a : menus_->channel[bit]) a->setChecked((word >> bit & 1U) != 0);
    }
}

void MainWindow::ToggleStatisticsWindow() {
    if (!statisticsWindow_) return;
    statisticsWindow_->setVisible(!statisticsWindow_->isVisible());
    for (QAction* a : menus_->statistics) a->setChecked(statisticsWindow_->isVisible());
}

void MainWindow::ToggleSettingsDialog() {
    if (!settingsDialog_) return;
    settingsDialog_->setVisible(!settingsDialog_->isVisible());
    for (QAction* a : menus_->settings) a->setChecked(settingsDialog_->isVisible());
}

void MainWindow::SetFollowing(bool on) {
    if (menus_->follow->isChecked() != on) {
        menus_->follow->setChecked(on);  // comes back here through toggled
        return;
    }
    if (session_.Following() == on) return;
    session_.SetFollowing(on);
    FollowTick();
}

void MainWindow::FollowTick() {
    // Edits of the user are never thrown away: following waits for the next load.
    if (!session_.Following() || session_.CurrentLogPath().empty() || display_->IsEditing()) return;
    QScrollBar* bar = display_->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    const FollowResult result = session_.FollowOnce();
    if (result == FollowResult::Unchanged || !atBottom) return;
    bar->setValue(bar->maximum());
    // A whole load shows only the matching lines once they are counted: to the bottom again then.
    if (result != FollowResult::Appended && find_->Filtering() && find_->Busy())
        connect(
            find_, &FindSession::Settled, bar, [bar] { bar->setValue(bar->maximum()); }, Qt::SingleShotConnection);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;  // restored from the task bar: not a new showing
    UpdateDisplayBackground();
    SetChannelChecks();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (!event->isAccepted()) return;
    // The viewer ends with its main window; the side windows must not keep it running.
    if (settingsDialog_) settingsDialog_->hide();
    if (statisticsWindow_) statisticsWindow_->hide();
    emit Closed();
}

namespace {

// The local files of a drop, in byte-wise order of their local paths.
std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files.push_back(ToLocalPath(url.toLocalFile()));
    }
    std::sort(files.begin(), files.end());  // std::string compares as unsigned bytes
    return files;
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = LocalFiles(event->mimeData());
    if (files.empty()) return;
    event->acceptProposedAction();
    session_.Open(files);
}

}  // namespace chatscope
