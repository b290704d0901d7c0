// Lcmain: the catcher window TForm1.
//
// The window holds the settings of the capture engine in its controls, is
// reached through the notification-area icon, and runs the capture step on
// its timer whether it is shown or hidden. Closing it only hides it; the
// popup command "終了" ends the catcher and writes the settings file.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/clock.h"
#include "chatkeeper/engine_settings.h"
#include "chatkeeper/file_system.h"
#include "chatkeeper/settings_record.h"

class QAction;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;
class QTimeEdit;
class QTimer;

namespace chatkeeper::app {

// The catcher's own icon (tray, window, desktop entry).
QIcon CatcherIcon();

class TForm1 final : public QWidget, public CaptureSettingsSource {
    Q_OBJECT
public:
    struct Options {
        QString settingsPath;        // the catcher settings file
        bool trayIcon = true;        // false where the desktop has no tray
        int tickIntervalMs = 10000;  // Timer1
    };

    explicit TForm1(const Options& options, QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls.
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* Button3 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QTimeEdit* Time1 = nullptr;
    QLabel* Label5 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label4 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* Popup1 = nullptr;
    QAction* Config1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;

    // Events.
    void Config1Click();
    void Exit1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void RadioButton2Click();
    void Edit4Exit();
    void Timer1Timer();

    // Writes the settings file from the controls (atomic replace). Called by
    // FormDestroy, and when the desktop session asks programs to save.
    void SaveSettings();

    // The folder prompt: returns the chosen folder, or an empty text on
    // Cancel. Replaceable so that tests need no dialog.
    std::function<QString(QWidget* owner, const QString& title)> BrowseForFolder;

    bool ExitRequested() const { return exitRequested_; }
    bool HasTrayIcon() const { return trayIcon_ != nullptr; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
    const CaptureEngine& Engine() const { return *engine_; }

    // CaptureSettingsSource: the texts of the boxes in the file-name encoding.
    std::string GameLogFolder() const override;
    std::string ArchiveFolder() const override;
    std::string FileNameTemplate() const override;
    RotationMode Mode() const override;
    std::string SizeLimitText() const override;

signals:
    // The close was allowed ("終了"): the catcher is to end.
    void ExitConfirmed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void LoadSettings();
    void TrayIconMessage(int reason);

    Options options_;
    bool exitRequested_ = false;
    bool destroyed_ = false;
    SettingsRecord record_;  // as loaded; keeps the reserved bytes
    QSystemTrayIcon* trayIcon_ = nullptr;
    SystemClock clock_;
    PosixFileSystem files_;
    std::unique_ptr<CaptureEngine> engine_;
};

}  // namespace chatkeeper::app
