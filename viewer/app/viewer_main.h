// Starts the viewer's windows and runs the event loop.
#pragma once

#include <memory>
#include <string>

#include "viewer_state.h"

namespace chatscope {

class MainWindow;
class SettingsDialog;
class StatisticsWindow;

// Creates the main window, the settings dialog and the statistics window in
// that order, loads a file named on the command line, and runs the event loop.
int RunViewer(int argc, char** argv);

// The viewer's three windows and what they share. Destroying it destroys the
// statistics window, then the settings dialog (which writes the settings and
// filter files), then the main window.
struct ViewerWindows {
    ViewerState state;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<SettingsDialog> settingsDialog;
    std::unique_ptr<StatisticsWindow> statisticsWindow;

    ViewerWindows();
    ~ViewerWindows();
    ViewerWindows(const ViewerWindows&) = delete;
    ViewerWindows& operator=(const ViewerWindows&) = delete;
};

// Creates the windows as the viewer starts them (all hidden), with the settings
// kept in the given files. Needs a QApplication.
std::unique_ptr<ViewerWindows> CreateViewerWindows(const std::string& settingsFile, const std::string& filterFile);

// The file of "chatscope FILE" as a local path for LoadLogFile; empty when none
// was named. `argv` is what QApplication left of the command line.
std::string StartupFileArgument(int argc, char** argv);

}  // namespace chatscope
