// The whole viewer start-up through RunViewer, as "chatscope FILE" runs it:
// settings read from beside the executable, the three windows with only the
// main one shown, FILE loaded, and the settings written when the viewer ends.
// RunViewer makes its own QApplication, so this test has its own main().
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QScrollBar>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>
#include <cstdlib>

#include "../core/log_builder.h"
#include "chatscope/paths.h"
#include "display/log_display.h"
#include "log_session.h"
#include "main_window.h"
#include "settings_dialog.h"
#include "statistics_window.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    if (!ok) ++failures;
}

std::string ExecutablePath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

using testsupport::ReadAll;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string logPath;

// Runs inside the viewer's event loop once it has started.
void InspectAndExit() {
    MainWindow* mainWindow = nullptr;
    SettingsDialog* settingsDialog = nullptr;
    StatisticsWindow* statisticsWindow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* f = qobject_cast<MainWindow*>(w)) mainWindow = f;
        if (auto* f = qobject_cast<SettingsDialog*>(w)) settingsDialog = f;
        if (auto* f = qobject_cast<StatisticsWindow*>(w)) statisticsWindow = f;
    }
    Check(mainWindow && settingsDialog && statisticsWindow, "the three windows exist");
    if (!mainWindow || !settingsDialog || !statisticsWindow) {
        QCoreApplication::exit(3);
        return;
    }
    Check(mainWindow->isVisible() && !settingsDialog->isVisible() && !statisticsWindow->isVisible(),
          "only the main window is shown");
    Check(mainWindow->Session().CurrentLogPath() == logPath, "FILE is loaded");
    Check(mainWindow->windowTitle() ==
              QStringLiteral("Tarq Log Viewer [") + MainWindow::FromLocalPath(logPath) + QStringLiteral("]"),
          "caption names FILE");
    Check(Part<LogDisplay>(*mainWindow, QStringLiteral("display"))->LineCount() == 1 &&
              Part<LogDisplay>(*mainWindow, QStringLiteral("display"))->LineText(0) == QStringLiteral("shown"),
          "the saved filter applies to the first pass (etc hides type 200)");
    Check(ChannelCommand(*mainWindow, Channel::Etc, false)->isChecked() &&
              ChannelCommand(*mainWindow, Channel::Etc, true)->isChecked() &&
              !ChannelCommand(*mainWindow, Channel::Say, false)->isChecked(),
          "check marks come from the saved filter word");
    Check(Part<QScrollBar>(*settingsDialog, QStringLiteral("redBar"))->value() == 0x20 &&
              Part<QScrollBar>(*settingsDialog, QStringLiteral("greenBar"))->value() == 0x40 &&
              Part<QScrollBar>(*settingsDialog, QStringLiteral("blueBar"))->value() == 0x60,
          "the settings dialog read the saved colour");
    ChannelCommand(*mainWindow, Channel::Say, false)->trigger();
    statisticsWindow->show();  // a visible side window must not keep the viewer running
    Command(*mainWindow, "exitAction")->trigger();
}

void QueueInspection() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &InspectAndExit, Qt::QueuedConnection);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string exe = ExecutablePath();
    const std::string cnf = ReplaceExtension(exe, ".cnf");
    const std::string flt = ReplaceExtension(exe, ".flt");
    const std::string folder = std::filesystem::path(exe).parent_path().string();
    if (std::filesystem::exists(cnf) || std::filesystem::exists(flt) || ::access(folder.c_str(), W_OK) != 0) {
        std::printf("SKIP: settings files beside %s cannot be used for this test\n", exe.c_str());
        return 0;
    }
    logtest::TempDir dir;
    logPath = dir.Write("start.log", logtest::Block({logtest::Record(200, "hidden"), logtest::Record(1, "shown")}));
    WriteBytes(cnf, std::string("\x20\x40\x60\x00\x40\x00\x00\x00", 8));  // colour 20 40 60, etc hidden

    // A viewer that does not end fails the test instead of hanging it.
    std::thread([cnf] {
        std::this_thread::sleep_for(std::chrono::seconds(60));
        std::printf("FAIL: the viewer did not end\n");
        std::filesystem::remove(cnf);
        std::_Exit(2);
    }).detach();

    // Runs in the QApplication constructor; the call it queues runs once the event loop does.
    qAddPreRoutine(&QueueInspection);

    std::vector<char*> args{argv[0]};
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        args.push_back(platform);
        args.push_back(offscreen);
    }
    args.push_back(logPath.data());
    args.push_back(nullptr);
    (void)argc;
    const int status = RunViewer(int(args.size()) - 1, args.data());

    Check(status == 0, "the viewer ends normally");
    Check(ReadAll(cnf) == std::string("\x20\x40\x60\x00\x41\x00\x00\x00", 8),
          "the settings file is written at exit with the filter word of the run");
    Check(!std::filesystem::exists(flt), "no filter file is made");
    std::filesystem::remove(cnf);
    std::printf("%s\n", failures ? "FAILED" : "ALL PASSED");
    return failures ? 1 : 0;
}
