// Starts the viewer: its session and windows, and the event loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace chatscope {

class LibraryWindow;
class LogSession;
class MainWindow;
class SettingsDialog;
class StatisticsWindow;

// Creates the session, then the main window, the settings dialog and the
// statistics window in that order, opens the files named on the command line, and
// runs the event loop.
int RunViewer(int argc, char** argv);

// The viewer's model and its windows. Destroying it destroys the library
// window, the statistics window, the settings dialog, the main window, then the
// session (which writes the settings and filter files).
struct ViewerWindows {
    std::unique_ptr<LogSession> session;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<SettingsDialog> settingsDialog;
    std::unique_ptr<StatisticsWindow> statisticsWindow;
    std::unique_ptr<LibraryWindow> libraryWindow;

    ViewerWindows();
    ~ViewerWindows();
    ViewerWindows(const ViewerWindows&) = delete;
    ViewerWindows& operator=(const ViewerWindows&) = delete;
};

// Creates the session with the settings kept in the given files, and the
// windows as the viewer starts them (all hidden), the archive library last.
// Needs a QApplication.
std::unique_ptr<ViewerWindows> CreateViewerWindows(const std::string& settingsFile, const std::string& filterFile);

// The files of "chatscope FILE..." as absolute local paths for LogSession::Open,
// in the order given; empty when none was named. `argv` is what QApplication
// left of the command line.
std::vector<std::string> StartupFileArguments(int argc, char** argv);

}  // namespace chatscope
