// The catcher window.
//
// The window edits the catcher's settings value, is reached through the
// notification-area icon, and keeps the catcher (engine, timer, journal)
// running whether it is shown or hidden. The capture engine reads the settings value, never the
// controls. Closing the window only hides it; the tray menu's "終了" ends the
// catcher and writes the settings file.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/game_folder_finder.h"
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

namespace chatkeeper::app {

class Catcher;

// The catcher's own icon (tray, window, desktop entry).
QIcon CatcherIcon();

// Where the folder prompts start: the user's desktop folder, or the home
// folder when there is none.
QString FolderPromptStart();

class CatcherWindow final : public QWidget {
    Q_OBJECT
public:
    struct Options {
        QString settingsPath;        // the catcher settings file
        bool trayIcon = true;        // false where the desktop has no tray
        int tickIntervalMs = 10000;  // the capture timer
        QString autostartEntryPath;  // empty: the user's autostart folder
        QString intentPath;          // the capture journal's file; empty: none
    };

    explicit CatcherWindow(const Options& options, QWidget* parent = nullptr);
    ~CatcherWindow() override;

    // "終了": ends the catcher.
    void RequestExit();
    // On leaving the size box: text that is no integer, or a negative one, becomes "100".
    void ValidateSizeLimit();
    void CaptureTick();

    // Writes the settings file from the settings value (atomic replace).
    // Called when the window is destroyed, and when the desktop session asks
    // programs to save.
    void SaveSettings();

    // The folder prompt: returns the chosen folder, or an empty text on
    // Cancel. Replaceable so that tests need no dialog.
    std::function<QString(QWidget* owner, const QString& title)> BrowseForFolder;

    // The game log folders that the game folder's "参照" offers first (see
    // game_folder_menu.h). Replaceable so that tests need no Wine prefix.
    std::function<std::vector<GameFolderCandidate>()> FindGameFolders;

    // The first start, when no settings file was loaded and the game log
    // folder is empty (first_start.cpp): the archive folder becomes
    // DefaultArchiveFolder(), made by the first capture; one game log folder
    // found is filled in and named in a tray message; with several or none
    // the window is shown once with a line saying what to set.
    void GuideFirstStart();

    bool ExitRequested() const { return exitRequested_; }
    bool HasTrayIcon() const { return trayIcon_ != nullptr; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
    const CaptureEngine& Engine() const;
    // The settings as the controls show them now.
    const CatcherSettings& Settings() const { return settings_; }

signals:
    // The close was allowed ("終了"): the catcher is to end.
    void ExitConfirmed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "設定": shows the window in front.
    void ShowSettings();
    // "ログイン時に起動": writes or removes the autostart entry.
    void SetStartAtLogin(bool on);
    // Checks "ログイン時に起動" when the autostart entry exists.
    void ShowStartAtLogin();
    void BrowseGameFolder();
    void BrowseArchiveFolder();
    void ResetNameTemplate();
    // Enables the time box and the size box by the checked radio button.
    void UpdateEnabledBoxes();
    void CreateControls();
    void StartUp();
    void ShutDown();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void LoadSettings();
    void ShowInControls(const CatcherSettings& settings);
    void ReadControls();
    void OnTrayActivated(int reason);
    QString AutostartPath() const;
    // The tray tooltip, and the line under the controls, say which folder is
    // still to be set (first_start.cpp).
    void UpdateSetupState();

    // Controls, timer and tray menu; tests and tools find them by their
    // object names (the member's name).
    QLabel* gameFolderLabel = nullptr;
    QLineEdit* gameFolderEdit = nullptr;
    QPushButton* gameFolderButton = nullptr;
    QLabel* archiveFolderLabel = nullptr;
    QLineEdit* archiveFolderEdit = nullptr;
    QPushButton* archiveFolderButton = nullptr;
    QLabel* nameTemplateLabel = nullptr;
    QLineEdit* nameTemplateEdit = nullptr;
    QPushButton* resetTemplateButton = nullptr;
    QGroupBox* rotationGroup = nullptr;
    QRadioButton* byTimeButton = nullptr;
    QTimeEdit* rotationTimeEdit = nullptr;
    QLabel* everyLabel = nullptr;
    QRadioButton* bySizeButton = nullptr;
    QLineEdit* sizeLimitEdit = nullptr;
    QLabel* kbyteLabel = nullptr;
    QRadioButton* neverButton = nullptr;
    QMenu* trayMenu = nullptr;
    QAction* settingsAction = nullptr;
    QAction* startAtLoginAction = nullptr;
    QAction* menuSeparator = nullptr;
    QAction* exitAction = nullptr;

    Options options_;
    bool exitRequested_ = false;
    bool shutDown_ = false;
    CatcherSettings settings_;
    SettingsRecord record_;  // as loaded; keeps the reserved bytes
    QSystemTrayIcon* trayIcon_ = nullptr;
    Catcher* catcher_ = nullptr;  // the engine, its timer and journal

    // First start and setup state (first_start.cpp).
    bool settingsLoaded_ = false;
    bool setupLineWanted_ = false;  // shown with a tray too, after a first start
    int candidatesFound_ = -1;      // at the first start; -1: not looked
    QString firstStartNote_;        // what the first start filled in
    QString archiveFolderToCreate_;
    QLabel* setupLine_ = nullptr;
    QMenu* gameFolderMenu_ = nullptr;
};

}  // namespace chatkeeper::app
