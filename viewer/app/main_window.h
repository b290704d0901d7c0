// The viewer's main window: the display, the status bar and the menus.
#pragma once

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "local_path.h"

class QAction;
class QLabel;
class QMenu;

namespace chatscope {

class DisplaySink;
class FindBar;
class FindSession;
class LogDisplay;
class LogSession;
class RecentFilesMenu;

// The seven channels of the "フィルター" menu, in menu order; each is the filter
// bit of its index.
enum class Channel { Say, Tell, Party, LinkShell, Shout, Emote, Etc };
inline constexpr int kChannelCount = 7;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // A view of `session`: its display is the one the session's passes fill.
    explicit MainWindow(LogSession& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The side windows the "データ" and "オプション" commands show and hide;
    // wired once they exist (they are created after the main window).
    void SetSideWindows(QWidget* settingsDialog, QWidget* statisticsWindow);
    // The window "ファイル" → "アーカイブ一覧..." shows and brings to the front.
    void SetLibraryWindow(QWidget* libraryWindow) { libraryWindow_ = libraryWindow; }
    void ShowLibraryWindow();
    // Names in the status bar files a command could not open (gone or no chat
    // log any more) when nothing else changed.
    void ReportNotOpened(const std::vector<std::string>& paths);

    const LogSession& Session() const { return session_; }

    // Show/hide toggles of the side windows; their close buttons call these too.
    void ToggleStatisticsWindow();
    void ToggleSettingsDialog();

    // The save command after its dialog: by the extension of `chosenPath`, the
    // HTML export of the loaded log, or the display as ".doc" or ".txt".
    void SaveToPath(const QString& chosenPath);
    // The name the save dialog offers next (the loaded log with ".htm", or the last choice).
    QString SaveDialogPreset() const;

    // A result of the search across a folder: opens `path` (as the open command
    // does), selects the first match of `text` in the shown line numbered
    // `lineNumber` (from 1) and scrolls it into view, and puts the search into
    // the find bar. False when the file did not open.
    bool ShowSearchResult(const std::string& path, qint64 lineNumber, const QString& text, bool exact);

    // The parts a user meets go by their object names: the commands
    // "openAction", "libraryAction", "saveAction", "exitAction", "channelAction<bit>" and
    // "popupChannelAction<bit>" (bit: the Channel), "statisticsAction",
    // "popupStatisticsAction", "settingsAction", "popupSettingsAction",
    // "copyAction", "findAction", "findNextAction", "findPreviousAction",
    // "matchingLinesAction", "followAction"; the menus "recentFiles" and
    // "contextMenu"; the widgets "display", "findBar", "experiencePanel",
    // "channelCountPanel" and "leftOutPanel"; the find session "find".

    // Paths are handed to the core as local 8-bit file names.
    static std::string ToLocalPath(const QString& path) { return chatscope::ToLocalPath(path); }
    static QString FromLocalPath(const std::string& path) { return chatscope::FromLocalPath(path); }

signals:
    // The main window was closed: the viewer ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OpenWithDialog();
    void SaveWithDialog();
    void CopySelection();
    // Shows or hides one channel (both check marks follow) and re-reads the log.
    void ToggleChannel(Channel channel);
    // "表示" → "末尾を追う": while on, records appended to the loaded file are
    // shown as they come (only what was appended is read).
    void SetFollowing(bool on);
    void BuildMenus();
    void BuildViewMenu();
    void SetChannelChecks();
    void UpdateDisplayBackground();
    void UpdateStatusTexts();
    // The files the last load left out, named in the status bar.
    void UpdateLeftOutPanel();
    // One look at the loaded file (the watch and the poll call it): shows what was
    // appended, or loads the file again when it shrank or was replaced. Does
    // nothing while following is off or the display holds edits.
    void FollowTick();

    LogSession& session_;
    LogDisplay* display_ = nullptr;
    FindBar* findBar_ = nullptr;
    FindSession* find_ = nullptr;
    QLabel* experiencePanel_ = nullptr;
    QLabel* channelCountPanel_ = nullptr;
    QLabel* leftOutPanel_ = nullptr;
    QWidget* settingsDialog_ = nullptr;
    QWidget* statisticsWindow_ = nullptr;
    QWidget* libraryWindow_ = nullptr;
    std::unique_ptr<DisplaySink> displaySink_;
    QString saveDialogName_;
    struct Menus;
    std::unique_ptr<Menus> menus_;
};

}  // namespace chatscope
