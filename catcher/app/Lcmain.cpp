#include "Lcmain.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimeEdit>
#include <QTimer>

#include "catcher_text.h"
#include "chatkeeper/file_name_template.h"

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

QIcon CatcherIcon() {
    static const bool registered = (InitCatcherResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/chatkeeper/chatkeeper-%1.png").arg(size), QSize(size, size));
    return icon;
}

TForm1::TForm1(const Options& options, QWidget* parent) : QWidget(parent), options_(options) {
    // A fixed-size dialog-style window. With a tray icon it is a tool window,
    // which desktops keep off the taskbar; without one it keeps its taskbar
    // entry so that the user can reach it.
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    flags |= options_.trayIcon ? Qt::Tool : Qt::Window;
    setWindowFlags(flags);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kCatcherCaption.data(), static_cast<qsizetype>(kCatcherCaption.size())));
    setWindowIcon(CatcherIcon());
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(365, 173);
    move(135, 41);

    BrowseForFolder = [](QWidget* owner, const QString& title) {
        return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
    };

    CreateControls();

    engine_ = std::make_unique<CaptureEngine>(*this, clock_, files_);
    engine_->onCaptionChanged = [this](const std::string& caption) { setWindowTitle(FromFileName(caption)); };

    FormCreate();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(options_.tickIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::CreateControls() {
    Label1 = MakeLabel(this, "Label1", QStringLiteral("TARQ内ログフォルダ"), 4, 4);
    Edit1 = Place(new QLineEdit(this), "Edit1", 4, 18, 309, 20);
    Button1 = Place(new QPushButton(QStringLiteral("参照"), this), "Button1", 319, 20, 42, 17);

    Label2 = MakeLabel(this, "Label2", QStringLiteral("ログ保存フォルダ"), 4, 44);
    Edit2 = Place(new QLineEdit(this), "Edit2", 4, 58, 309, 20);
    Button2 = Place(new QPushButton(QStringLiteral("参照"), this), "Button2", 319, 60, 42, 17);

    Label3 = MakeLabel(this, "Label3", QStringLiteral("ログファイル名設定"), 4, 84);
    Edit3 = Place(new QLineEdit(kDefaultTemplate, this), "Edit3", 4, 100, 309, 20);
    Button3 = Place(new QPushButton(QStringLiteral("初期化"), this), "Button3", 320, 101, 42, 17);

    GroupBox1 = Place(new QGroupBox(QStringLiteral("ログファイル更新タイミング"), this), "GroupBox1", 4, 128, 357, 41);
    RadioButton1 = Place(new QRadioButton(QStringLiteral("時間"), GroupBox1), "RadioButton1", 8, 15, 49, 17);
    Time1 = Place(new QTimeEdit(QTime(2, 0, 0), GroupBox1), "Time1", 52, 14, 62, 20);
    Time1->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    Time1->setEnabled(false);
    Label5 = MakeLabel(GroupBox1, "Label5", QStringLiteral("毎"), 118, 17);
    RadioButton2 = Place(new QRadioButton(QStringLiteral("容量"), GroupBox1), "RadioButton2", 136, 15, 49, 17);
    Edit4 = Place(new QLineEdit(QStringLiteral("100"), GroupBox1), "Edit4", 184, 14, 30, 20);
    Edit4->setEnabled(false);
    Label4 = MakeLabel(GroupBox1, "Label4", QStringLiteral("Kbyte程度"), 216, 17);
    RadioButton3 = Place(new QRadioButton(QStringLiteral("更新しない"), GroupBox1), "RadioButton3", 276, 15, 75, 17);
    RadioButton3->setChecked(true);

    // The controls are small; keep their texts readable in any style. The
    // group box frame runs through the middle of its title, so that the row
    // of controls at the top of the box lies inside the frame.
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
    }
    GroupBox1->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 6px; padding: 0px 2px; }"));
    // 62 pixels hold "HH:mm:ss" but not the step arrows as well; the time is
    // stepped with the arrow keys or the mouse wheel.
    Time1->setButtonSymbols(QAbstractSpinBox::NoButtons);
    Time1->setAlignment(Qt::AlignCenter);

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    for (QRadioButton* radio : {RadioButton1, RadioButton2, RadioButton3})
        connect(radio, &QRadioButton::clicked, this, &TForm1::RadioButton2Click);
    Edit4->installEventFilter(this);
    connect(Edit4, &QLineEdit::returnPressed, this, &TForm1::Edit4Exit);

    Popup1 = new QMenu(this);
    Popup1->setObjectName(QStringLiteral("Popup1"));
    Config1 = Popup1->addAction(QStringLiteral("設定"));
    Config1->setObjectName(QStringLiteral("Config1"));
    N1 = Popup1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Exit1 = Popup1->addAction(QStringLiteral("終了"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Config1, &QAction::triggered, this, &TForm1::Config1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
}

void TForm1::FormCreate() {
    AddTrayIcon();
    LoadSettings();
    engine_->TakeBaseline();
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (Timer1) Timer1->stop();
    RemoveTrayIcon();
    SaveSettings();
}

void TForm1::AddTrayIcon() {
    if (!options_.trayIcon || trayIcon_) return;
    trayIcon_ = new QSystemTrayIcon(CatcherIcon(), this);
    trayIcon_->setObjectName(QStringLiteral("TrayIcon"));
    trayIcon_->setToolTip(QStringLiteral("chatkeeper"));
    // The popup is opened here rather than through setContextMenu, so that a
    // right click behaves the same whether the window is shown or not.
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayIconMessage(static_cast<int>(reason)); });
    trayIcon_->show();
}

void TForm1::RemoveTrayIcon() {
    if (!trayIcon_) return;
    trayIcon_->hide();
    delete trayIcon_;
    trayIcon_ = nullptr;
}

void TForm1::TrayIconMessage(int reason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
        if (isVisible())
            hide();
        else
            show();
        break;
    case QSystemTrayIcon::Context: Popup1->popup(QCursor::pos()); break;
    default: break;
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
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

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the box; not when its own context menu takes the focus for a moment.
    if (watched == Edit4 && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        Edit4Exit();
    return QWidget::eventFilter(watched, event);
}

void TForm1::Config1Click() {
    show();
    raise();
    activateWindow();
}

void TForm1::Exit1Click() {
    exitRequested_ = true;
    close();
}

void TForm1::Button1Click() {
    const QString path = BrowseForFolder(this, QStringLiteral("TARQのインストール先を指定してください。"));
    if (!path.isEmpty()) Edit1->setText(path);
}

void TForm1::Button2Click() {
    const QString path = BrowseForFolder(this, QStringLiteral("ログの保存先を指定してください。"));
    if (!path.isEmpty()) Edit2->setText(path);
}

void TForm1::Button3Click() { Edit3->setText(kDefaultTemplate); }

void TForm1::RadioButton2Click() {
    Time1->setEnabled(RadioButton1->isChecked());
    Edit4->setEnabled(RadioButton2->isChecked());
}

void TForm1::Edit4Exit() {
    if (ParseIntOrMinusOne(ToShiftJis(Edit4->text())) < 0) Edit4->setText(QStringLiteral("100"));
}

void TForm1::Timer1Timer() { engine_->Timer1Timer(); }

void TForm1::LoadSettings() {
    if (!chatkeeper::LoadSettings(ToFileName(options_.settingsPath), record_)) {
        record_ = SettingsRecord{};
        return;  // every control keeps its initial state
    }
    Edit1->setText(FromShiftJis(record_.GameLogFolder()));
    Edit2->setText(FromShiftJis(record_.ArchiveFolder()));
    Edit3->setText(FromShiftJis(record_.FileNameTemplate()));
    Edit4->setText(QString::number(record_.SizeLimitKb()));
    switch (record_.Mode()) {
    case RotationMode::RotateByTime: RadioButton1->setChecked(true); break;
    case RotationMode::RotateBySize: RadioButton2->setChecked(true); break;
    default: RadioButton3->setChecked(true); break;
    }
    RadioButton2Click();
    const RotationInterval interval = record_.Interval();
    engine_->SetRotationInterval(interval);
    Time1->setTime(QTime(interval.hours, interval.minutes, interval.seconds));
}

void TForm1::SaveSettings() {
    SettingsRecord record = record_;  // reserved bytes carried over
    record.SetGameLogFolder(ToShiftJis(Edit1->text()));
    record.SetArchiveFolder(ToShiftJis(Edit2->text()));
    record.SetFileNameTemplate(ToShiftJis(CutToShiftJisBytes(Edit3->text(), kMaxTemplateBytes)));
    record.SetSizeLimitKb(ParseSizeText(ToShiftJis(Edit4->text())));
    record.SetMode(Mode());
    const QTime time = Time1->time();
    record.SetInterval({time.hour(), time.minute(), time.second()});
    const QFileInfo file(options_.settingsPath);
    if (!file.absoluteDir().exists()) QDir().mkpath(file.absolutePath());
    chatkeeper::SaveSettings(ToFileName(options_.settingsPath), record);
}

std::string TForm1::GameLogFolder() const { return ToFileName(Edit1->text()); }

std::string TForm1::ArchiveFolder() const { return ToFileName(Edit2->text()); }

std::string TForm1::FileNameTemplate() const {
    // The template in use is the one the settings file keeps: its first 1023
    // Shift-JIS bytes.
    return ToFileName(CutToShiftJisBytes(Edit3->text(), kMaxTemplateBytes));
}

RotationMode TForm1::Mode() const {
    if (RadioButton1->isChecked()) return RotationMode::RotateByTime;
    if (RadioButton2->isChecked()) return RotationMode::RotateBySize;
    return RotationMode::RotateNever;
}

std::string TForm1::SizeLimitText() const { return ToShiftJis(Edit4->text()); }

}  // namespace chatkeeper::app
