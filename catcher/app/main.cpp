// chatkeeper: appends changed game log files to archive files, from the
// notification area (or, with --headless, from a service).

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catcher_window.h"
#include "command_line.h"
#include "game_folder_menu.h"
#include "headless.h"
#include "intent_location.h"
#include "qt_support/signal_bridge.h"
#include "settings_location.h"
#include "single_instance.h"

using namespace chatkeeper::app;

namespace {

// Test hook: CHATKEEPER_TICK_MS shortens the 10-second capture tick so that
// the end-to-end tests need not wait. Not meant for users.
int TickIntervalMs() {
    constexpr int kTickMs = 10000;
    const char* text = std::getenv("CHATKEEPER_TICK_MS");
    if (!text || !*text) return kTickMs;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > 3600000) return kTickMs;
    return static_cast<int>(value);
}

void SilentMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
    // A file-size limit (set by a service manager, say) makes a write fail
    // with EFBIG, which the capture undoes and retries, instead of killing
    // the catcher in the middle of an append.
    std::signal(SIGXFSZ, SIG_IGN);

    const CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    switch (commandLine.action) {
    case CommandLine::Action::Error:
        std::fprintf(stderr, "chatkeeper: %s\n%s\n", commandLine.error.c_str(), UsageLine().c_str());
        return 2;
    case CommandLine::Action::Help: std::fputs(HelpText().c_str(), stdout); return 0;
    case CommandLine::Action::Version: std::printf("%s\n", VersionText().c_str()); return 0;
    case CommandLine::Action::FindGameFolders: return PrintGameFolders(stdout);
    case CommandLine::Action::Run: break;
    }

    // The lock records the program's name beside its process id, so that a
    // lock whose id now belongs to another program counts as stale.
    QCoreApplication::setApplicationName(
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).fileName());

    // Single instance, before any connection to the display: a second start
    // ends here, silently, with exit code 1.
    QtMessageHandler previousHandler = qInstallMessageHandler(SilentMessages);
    SingleInstanceLock lock;
    const bool locked = lock.TryLock();
    qInstallMessageHandler(previousHandler);
    if (!locked) return 1;

    const int tickMs = TickIntervalMs();
    const QString intentPath = DefaultIntentPath();
    const QString cnf = QString::fromLocal8Bit(commandLine.settingsFile.c_str());

    if (commandLine.headless) {
        QCoreApplication app(argc, argv);
        return RunHeadless(cnf.isEmpty() ? DefaultSettingsPath() : cnf, tickMs, intentPath);
    }

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(CatcherIcon());

    // SIGTERM, SIGINT, SIGHUP (logout, Ctrl+C): end in order, as "終了" does.
    chatlog::SignalBridge signalBridge({SIGTERM, SIGINT, SIGHUP});

    CatcherWindow::Options options;
    options.settingsPath = cnf.isEmpty() ? DefaultSettingsPath() : cnf;
    options.trayIcon = QSystemTrayIcon::isSystemTrayAvailable();
    options.tickIntervalMs = tickMs;
    options.intentPath = intentPath;
    CatcherWindow window(options);
    window.GuideFirstStart();  // only without a settings file

    QObject::connect(&window, &CatcherWindow::ExitConfirmed, &app, &QCoreApplication::quit);
    QObject::connect(&signalBridge, &chatlog::SignalBridge::Received, &window, &CatcherWindow::RequestExit);
    // The session may end the process without a further chance: save when asked.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.SaveSettings(); });

    // Without a tray the window is the only way in: show it at once.
    if (!options.trayIcon) window.show();
    return QApplication::exec();
}
