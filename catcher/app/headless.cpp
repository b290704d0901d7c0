#include "headless.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include "catcher_text.h"
#include "qt_support/signal_bridge.h"
#include "settings_conversion.h"

namespace chatkeeper::app {

HeadlessCatcher::HeadlessCatcher(const SettingsRecord& record, int tickIntervalMs, const QString& intentPath,
                                 QObject* parent)
    : QObject(parent), settings_(SettingsFromRecord(record)), catcher_(settings_, tickIntervalMs, intentPath) {
    catcher_.Engine().SetRotationInterval(settings_.rotationTime);
}

HeadlessCatcher::~HeadlessCatcher() = default;

int RunHeadless(const QString& settingsPath, int tickIntervalMs, const QString& intentPath) {
    SettingsRecord record;
    if (!LoadSettings(ToFileName(settingsPath), record)) {
        std::fprintf(stderr, "chatkeeper: cannot read the settings file %s\n", settingsPath.toLocal8Bit().constData());
        return 1;
    }
    chatlog::SignalBridge signalBridge({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalBridge, &chatlog::SignalBridge::Received, qApp, [] { QCoreApplication::exit(0); });
    HeadlessCatcher catcher(record, tickIntervalMs, intentPath);
    catcher.Start();
    return QCoreApplication::exec();
}

}  // namespace chatkeeper::app
