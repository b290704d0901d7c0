#include "catcher_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimeEdit>
#include <QTimer>

#include "autostart_entry.h"
#include "catcher.h"
#include "catcher_text.h"
#include "chatkeeper/file_name_template.h"
#include "folder_prompt.h"
#include "game_folder_menu.h"
#include "rotation_time_edit.h"
#include "settings_conversion.h"
#include "sjis/shift_jis.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitCatcherResources() { Q_INIT_RESOURCE(chatkeeper); }

namespace chatkeeper::app {

namespace {

const QString kDefaultTemplate =
    QString::fromUtf8(kDefaultFileNameTemplate.data(), static_cast<qsizetype>(kDefaultFileNameTemplate.size()));

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

template <typename W> W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

}  // namespace

QString FolderPromptStart() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) return desktop;
    return QDir::homePath();
}

QIcon CatcherIcon() {
    static const bool registered = (InitCatcherResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/chatkeeper/chatkeeper-%1.png").arg(size), QSize(size, size));
    return icon;
}

CatcherWindow::CatcherWindow(const Options& options, QWidget* parent) : QWidget(parent), options_(options) {
    // A fixed-size dialog-style window. With a tray icon it is a tool window,
    // which desktops keep off the taskbar; without one it keeps its taskbar
    // entry so that the user can reach it.
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    flags |= options_.trayIcon ? Qt::Tool : Qt::Window;
    setWindowFlags(flags);
    setObjectName(QStringLiteral("catcherWindow"));
    setWindowTitle(QString::fromUtf8(kCatcherCaption.data(), static_cast<qsizetype>(kCatcherCaption.size())));
    setWindowIcon(CatcherIcon());
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(365, 173);
    move(135, 41);

    BrowseForFolder = PromptForFolder;
    FindGameFolders = FindUserGameFolders;

    CreateControls();

    catcher_ = new Catcher(settings_, options_.tickIntervalMs, options_.intentPath, this);
    connect(catcher_, &Catcher::ArchiveNamed, this,
            [this](const std::string& archivePath) { setWindowTitle(FromFileName(CatcherCaption(archivePath))); });
    // After each tick of the timer: a folder may have come or gone.
    connect(catcher_->Timer(), &QTimer::timeout, this, &CatcherWindow::UpdateSetupState);

    StartUp();
}

CatcherWindow::~CatcherWindow() { ShutDown(); }

const CaptureEngine& CatcherWindow::Engine() const { return catcher_->Engine(); }

void CatcherWindow::CreateControls() {
    gameFolderLabel = MakeLabel(this, "gameFolderLabel", QStringLiteral("TARQ内ログフォルダ"), 4, 4);
    gameFolderEdit = Place(new QLineEdit(this), "gameFolderEdit", 4, 18, 309, 20);
    gameFolderButton = Place(new QPushButton(QStringLiteral("参照"), this), "gameFolderButton", 319, 20, 42, 17);

    archiveFolderLabel = MakeLabel(this, "archiveFolderLabel", QStringLiteral("ログ保存フォルダ"), 4, 44);
    archiveFolderEdit = Place(new QLineEdit(this), "archiveFolderEdit", 4, 58, 309, 20);
    archiveFolderButton = Place(new QPushButton(QStringLiteral("参照"), this), "archiveFolderButton", 319, 60, 42, 17);

    nameTemplateLabel = MakeLabel(this, "nameTemplateLabel", QStringLiteral("ログファイル名設定"), 4, 84);
    nameTemplateEdit = Place(new QLineEdit(kDefaultTemplate, this), "nameTemplateEdit", 4, 100, 309, 20);
    resetTemplateButton =
        Place(new QPushButton(QStringLiteral("初期化"), this), "resetTemplateButton", 320, 101, 42, 17);

    rotationGroup =
        Place(new QGroupBox(QStringLiteral("ログファイル更新タイミング"), this), "rotationGroup", 4, 128, 357, 41);
    byTimeButton = Place(new QRadioButton(QStringLiteral("時間"), rotationGroup), "byTimeButton", 8, 15, 49, 17);
    rotationTimeEdit = Place(new RotationTimeEdit(QTime(2, 0, 0), rotationGroup), "rotationTimeEdit", 52, 14, 62, 20);
    rotationTimeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    rotationTimeEdit->setEnabled(false);
    everyLabel = MakeLabel(rotationGroup, "everyLabel", QStringLiteral("毎"), 118, 17);
    bySizeButton = Place(new QRadioButton(QStringLiteral("容量"), rotationGroup), "bySizeButton", 136, 15, 49, 17);
    sizeLimitEdit = Place(new QLineEdit(QStringLiteral("100"), rotationGroup), "sizeLimitEdit", 184, 14, 30, 20);
    sizeLimitEdit->setEnabled(false);
    kbyteLabel = MakeLabel(rotationGroup, "kbyteLabel", QStringLiteral("Kbyte程度"), 216, 17);
    neverButton = Place(new QRadioButton(QStringLiteral("更新しない"), rotationGroup), "neverButton", 276, 15, 75, 17);
    neverButton->setChecked(true);

    // The controls are small; keep their texts readable in any style. The
    // group box frame runs through the middle of its title, so that the row
    // of controls at the top of the box lies inside the frame.
    for (QPushButton* button : {gameFolderButton, archiveFolderButton, resetTemplateButton}) {
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
    }
    rotationGroup->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 6px; padding: 0px 2px; }"));
    // 62 pixels hold "HH:mm:ss" but not the step arrows as well; the time is
    // stepped with the arrow keys or the mouse wheel.
    rotationTimeEdit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    rotationTimeEdit->setAlignment(Qt::AlignCenter);

    connect(gameFolderButton, &QPushButton::clicked, this, &CatcherWindow::BrowseGameFolder);
    connect(archiveFolderButton, &QPushButton::clicked, this, &CatcherWindow::BrowseArchiveFolder);
    connect(resetTemplateButton, &QPushButton::clicked, this, &CatcherWindow::ResetNameTemplate);
    // Whatever checks a radio button (mouse, keyboard, a screen reader's
    // toggle action, loading the settings), the boxes follow.
    for (QRadioButton* radio : {byTimeButton, bySizeButton, neverButton})
        connect(radio, &QRadioButton::toggled, this, &CatcherWindow::UpdateEnabledBoxes);
    sizeLimitEdit->installEventFilter(this);
    connect(sizeLimitEdit, &QLineEdit::returnPressed, this, &CatcherWindow::ValidateSizeLimit);

    // Every change of a control is a change of the settings value.
    for (QLineEdit* edit : {gameFolderEdit, archiveFolderEdit, nameTemplateEdit, sizeLimitEdit})
        connect(edit, &QLineEdit::textChanged, this, &CatcherWindow::ReadControls);
    for (QRadioButton* radio : {byTimeButton, bySizeButton, neverButton})
        connect(radio, &QRadioButton::toggled, this, &CatcherWindow::ReadControls);
    connect(rotationTimeEdit, &QTimeEdit::timeChanged, this, &CatcherWindow::ReadControls);
    ReadControls();

    trayMenu = new QMenu(this);
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    settingsAction = trayMenu->addAction(QStringLiteral("設定"));
    settingsAction->setObjectName(QStringLiteral("settingsAction"));
    startAtLoginAction = trayMenu->addAction(QStringLiteral("ログイン時に起動"));
    startAtLoginAction->setObjectName(QStringLiteral("startAtLoginAction"));
    startAtLoginAction->setCheckable(true);
    menuSeparator = trayMenu->addSeparator();
    menuSeparator->setObjectName(QStringLiteral("menuSeparator"));
    exitAction = trayMenu->addAction(QStringLiteral("終了"));
    exitAction->setObjectName(QStringLiteral("exitAction"));
    connect(settingsAction, &QAction::triggered, this, &CatcherWindow::ShowSettings);
    connect(exitAction, &QAction::triggered, this, &CatcherWindow::RequestExit);
    connect(startAtLoginAction, &QAction::triggered, this, &CatcherWindow::SetStartAtLogin);
    // The entry may have been added or removed elsewhere meanwhile.
    connect(trayMenu, &QMenu::aboutToShow, this, &CatcherWindow::ShowStartAtLogin);
    ShowStartAtLogin();
}

void CatcherWindow::StartUp() {
    AddTrayIcon();
    LoadSettings();
    catcher_->Start();
    UpdateSetupState();
}

void CatcherWindow::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    catcher_->Stop();
    RemoveTrayIcon();
    SaveSettings();
}

void CatcherWindow::AddTrayIcon() {
    if (!options_.trayIcon || trayIcon_) return;
    trayIcon_ = new QSystemTrayIcon(CatcherIcon(), this);
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));
    trayIcon_->setToolTip(QStringLiteral("chatkeeper"));
    // The tray opens the menu: an X tray on a right click, a StatusNotifierItem
    // host draws it itself from the exported menu.
    trayIcon_->setContextMenu(trayMenu);
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnTrayActivated(static_cast<int>(reason)); });
    trayIcon_->show();
}

void CatcherWindow::RemoveTrayIcon() {
    if (!trayIcon_) return;
    trayIcon_->hide();
    delete trayIcon_;
    trayIcon_ = nullptr;
}

void CatcherWindow::OnTrayActivated(int reason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
        if (isVisible())
            hide();
        else
            show();
        break;
    default: break;
    }
}

void CatcherWindow::closeEvent(QCloseEvent* event) {
    // Without a tray icon the window is the only way in: closing it ends the
    // catcher as "終了" does.
    if (!trayIcon_) exitRequested_ = true;
    hide();
    if (exitRequested_) {
        event->accept();
        emit ExitConfirmed();
    } else {
        event->ignore();
    }
}

bool CatcherWindow::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the box; not when its own context menu takes the focus for a moment.
    if (watched == sizeLimitEdit && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        ValidateSizeLimit();
    return QWidget::eventFilter(watched, event);
}

void CatcherWindow::ShowSettings() {
    show();
    raise();
    activateWindow();
}

void CatcherWindow::RequestExit() {
    exitRequested_ = true;
    close();
}

QString CatcherWindow::AutostartPath() const {
    return options_.autostartEntryPath.isEmpty() ? AutostartEntryPath() : options_.autostartEntryPath;
}

void CatcherWindow::SetStartAtLogin(bool on) {
    if (on)
        EnableAutostart(AutostartPath(), QCoreApplication::applicationFilePath());
    else
        DisableAutostart(AutostartPath());
    ShowStartAtLogin();  // what is on disk now, also when the change failed
}

void CatcherWindow::ShowStartAtLogin() { startAtLoginAction->setChecked(AutostartEnabled(AutostartPath())); }

void CatcherWindow::BrowseGameFolder() {
    const auto prompt = [this] {
        const QString path = BrowseForFolder(this, QStringLiteral("TARQのインストール先を指定してください。"));
        if (!path.isEmpty()) gameFolderEdit->setText(path);
    };
    // The folders found in the Wine prefixes first, then the ordinary prompt.
    const std::vector<GameFolderCandidate> candidates = EditableCandidates(FindGameFolders());
    if (candidates.empty()) return prompt();
    if (gameFolderMenu_) gameFolderMenu_->deleteLater();
    gameFolderMenu_ = MakeGameFolderMenu(
        this, candidates, [this](const QString& path) { gameFolderEdit->setText(path); }, prompt);
    gameFolderMenu_->popup(gameFolderButton->mapToGlobal(QPoint(0, gameFolderButton->height())));
}

void CatcherWindow::BrowseArchiveFolder() {
    const QString path = BrowseForFolder(this, QStringLiteral("ログの保存先を指定してください。"));
    if (!path.isEmpty()) archiveFolderEdit->setText(path);
}

void CatcherWindow::ResetNameTemplate() { nameTemplateEdit->setText(kDefaultTemplate); }

void CatcherWindow::UpdateEnabledBoxes() {
    rotationTimeEdit->setEnabled(byTimeButton->isChecked());
    sizeLimitEdit->setEnabled(bySizeButton->isChecked());
}

void CatcherWindow::ValidateSizeLimit() {
    if (ParseIntOrMinusOne(sjis::Encode(sizeLimitEdit->text())) < 0) sizeLimitEdit->setText(QStringLiteral("100"));
}

void CatcherWindow::CaptureTick() {
    catcher_->Tick();
    UpdateSetupState();  // a folder may have come or gone
}

void CatcherWindow::ReadControls() {
    settings_.gameLogFolder = ToFileName(gameFolderEdit->text());
    settings_.archiveFolder = ToFileName(archiveFolderEdit->text());
    // The template in use is the one the settings file keeps: its first 1023
    // Shift-JIS bytes.
    settings_.fileNameTemplate = ToFileName(sjis::CutToBytes(nameTemplateEdit->text(), kMaxTemplateBytes));
    // A size box never corrected on leaving it counts as 100 when its text is no integer.
    settings_.sizeLimitKb = ParseSizeText(sjis::Encode(sizeLimitEdit->text()));
    if (byTimeButton->isChecked())
        settings_.mode = RotationMode::RotateByTime;
    else if (bySizeButton->isChecked())
        settings_.mode = RotationMode::RotateBySize;
    else
        settings_.mode = RotationMode::RotateNever;
    const QTime time = rotationTimeEdit->time();
    settings_.rotationTime = {time.hour(), time.minute(), time.second()};
    UpdateSetupState();
}

void CatcherWindow::ShowInControls(const CatcherSettings& settings) {
    gameFolderEdit->setText(FromFileName(settings.gameLogFolder));
    archiveFolderEdit->setText(FromFileName(settings.archiveFolder));
    nameTemplateEdit->setText(FromFileName(settings.fileNameTemplate));
    sizeLimitEdit->setText(QString::number(settings.sizeLimitKb));
    switch (settings.mode) {
    case RotationMode::RotateByTime: byTimeButton->setChecked(true); break;
    case RotationMode::RotateBySize: bySizeButton->setChecked(true); break;
    default: neverButton->setChecked(true); break;
    }
    UpdateEnabledBoxes();
    const RotationInterval& time = settings.rotationTime;
    rotationTimeEdit->setTime(QTime(time.hours, time.minutes, time.seconds));
}

void CatcherWindow::LoadSettings() {
    if (!chatkeeper::LoadSettings(ToFileName(options_.settingsPath), record_)) {
        record_ = SettingsRecord{};
        return;  // every control keeps its initial state
    }
    settingsLoaded_ = true;
    const CatcherSettings loaded = SettingsFromRecord(record_);
    ShowInControls(loaded);
    catcher_->Engine().SetRotationInterval(loaded.rotationTime);
}

void CatcherWindow::SaveSettings() {
    SettingsRecord record = record_;  // reserved bytes carried over
    StoreSettingsInRecord(settings_, record);
    const QFileInfo file(options_.settingsPath);
    if (!file.absoluteDir().exists()) QDir().mkpath(file.absolutePath());
    chatkeeper::SaveSettings(ToFileName(options_.settingsPath), record);
}

}  // namespace chatkeeper::app
