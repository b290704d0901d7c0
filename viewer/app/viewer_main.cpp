// The viewer's start-up: the session, the three windows in their order and
// their wiring, the event loop, and the saves of the session's end.
#include "viewer_main.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <csignal>

#include <unistd.h>

#include "chatscope/paths.h"
#include "library/library_window.h"
#include "local_path.h"
#include "log_session.h"
#include "main_window.h"
#include "qt_support/signal_bridge.h"
#include "settings_dialog.h"
#include "statistics_window.h"

namespace chatscope {

namespace {

std::string ExecutablePath() {
    const QString fromQt = QCoreApplication::applicationFilePath();
    if (!fromQt.isEmpty()) return ToLocalPath(fromQt);
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

SettingsPaths FindSettingsFiles() {
    SettingsLocation where;
    where.executablePath = ExecutablePath();
    where.xdgConfigHome = qgetenv("XDG_CONFIG_HOME").toStdString();
    where.home = ToLocalPath(QDir::homePath());
    where.fileExists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
    where.folderWritable = [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
    return LocateSettingsFiles(where);
}

int RunWindows(int argc, char** argv) {
    const SettingsPaths paths = FindSettingsFiles();
    // Before the windows, so that it outlives them: a signal that comes while
    // they are destroyed and the settings written does not cut that short.
    chatlog::SignalBridge signalBridge({SIGTERM, SIGHUP, SIGINT});
    const auto windows = CreateViewerWindows(paths.settingsFile, paths.filterFile);
    MainWindow* const mainWindow = windows->mainWindow.get();
    // The viewer ends when its main window closes, whatever side window is open.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(mainWindow, &MainWindow::Closed, mainWindow, [] { QCoreApplication::exit(0); });
    // Logout, SIGTERM, SIGHUP and SIGINT end the viewer as closing its main window does.
    QObject::connect(&signalBridge, &chatlog::SignalBridge::Received, mainWindow,
                     [mainWindow] { mainWindow->close(); });
    LogSession* const session = windows->session.get();
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, mainWindow, [mainWindow, session] {
        // The session may end as soon as this returns: the files are written first.
        session->SaveSettingsFiles();
        mainWindow->close();
    });
    windows->mainWindow->show();
    // "chatscope FILE...": load the files as one log, in the order given.
    const std::vector<std::string> files = StartupFileArguments(argc, argv);
    if (!files.empty()) windows->session->Open(files);
    const int status = QApplication::exec();
    signalBridge.disconnect();  // the windows go now
    return status;
}

}  // namespace

ViewerWindows::ViewerWindows() = default;

ViewerWindows::~ViewerWindows() {
    libraryWindow.reset();
    statisticsWindow.reset();
    settingsDialog.reset();
    mainWindow.reset();
    session.reset();
}

std::unique_ptr<ViewerWindows> CreateViewerWindows(const std::string& settingsFile, const std::string& filterFile) {
    auto windows = std::make_unique<ViewerWindows>();
    windows->session = std::make_unique<LogSession>(settingsFile, filterFile);
    LogSession& session = *windows->session;
    windows->mainWindow = std::make_unique<MainWindow>(session);
    MainWindow* const mainWindow = windows->mainWindow.get();
    windows->settingsDialog = std::make_unique<SettingsDialog>(session, mainWindow);
    windows->statisticsWindow = std::make_unique<StatisticsWindow>(session.Statistics(), mainWindow);
    QObject::connect(&session, &LogSession::StatisticsChanged, windows->statisticsWindow.get(),
                     &StatisticsWindow::RefreshStatistics);
    mainWindow->SetSideWindows(windows->settingsDialog.get(), windows->statisticsWindow.get());
    // The close boxes of the side windows work as the main window's toggles.
    QObject::connect(windows->settingsDialog.get(), &SettingsDialog::CloseRequested, mainWindow,
                     &MainWindow::ToggleSettingsDialog);
    QObject::connect(windows->statisticsWindow.get(), &StatisticsWindow::CloseRequested, mainWindow,
                     &MainWindow::ToggleStatisticsWindow);
    windows->libraryWindow = std::make_unique<LibraryWindow>(session, mainWindow);
    mainWindow->SetLibraryWindow(windows->libraryWindow.get());
    // A selection none of whose files is there any more: the status bar says so.
    QObject::connect(windows->libraryWindow.get(), &LibraryWindow::NotOpened, mainWindow, &MainWindow::ReportNotOpened);
    QObject::connect(windows->libraryWindow.get(), &LibraryWindow::ResultChosen, mainWindow,
                     &MainWindow::ShowSearchResult);
    return windows;
}

std::vector<std::string> StartupFileArguments(int argc, char** argv) {
    // "--" ends the options: what follows are files, even those that start with "-".
    int index = 1;
    if (index < argc && argv[index] && std::string_view(argv[index]) == "--") ++index;
    std::vector<std::string> files;
    for (; index < argc && argv[index]; ++index) {
        if (argv[index][0] == '\0') continue;
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(argv[index], ec);
        files.push_back(ec ? std::string(argv[index]) : absolute.lexically_normal().string());
    }
    return files;
}

int RunViewer(int argc, char** argv) {
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("chatscope"));
    QGuiApplication::setDesktopFileName(QStringLiteral("chatscope"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("chatscope")));
    try {
        return RunWindows(argc, argv);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("chatscope"), QString::fromLocal8Bit(e.what()));
    }
    return 1;
}

}  // namespace chatscope
