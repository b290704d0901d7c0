#include "headless.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

#include "catcher_text.h"
#include "settings_conversion.h"
#include "signal_bridge.h"

namespace chatkeeper::app {

HeadlessCatcher::HeadlessCatcher(const SettingsRecord& record, int tickIntervalMs, const std::string& intentPath,
                                 QObject* parent)
    : QObject(parent), settings_(SettingsFromRecord(record)), journal_(intentPath) {
    engine_ = std::make_unique<CaptureEngine>(settings_, clock_, files_);
    engine_->SetJournal(&journal_);
    engine_->SetRotationInterval(settings_.rotationTime);
    timer_ = new QTimer(this);
    timer_->setInterval(tickIntervalMs);
    connect(timer_, &QTimer::timeout, this, [this] { engine_->Tick(); });
}

HeadlessCatcher::~HeadlessCatcher() = default;

void HeadlessCatcher::Start() {
    engine_->TakeBaseline();
    timer_->start();
}

int RunHeadless(const QString& settingsPath, int tickIntervalMs, const QString& intentPath) {
    SettingsRecord record;
    if (!LoadSettings(ToFileName(settingsPath), record)) {
        std::fprintf(stderr, "chatkeeper: cannot read the settings file %s\n", settingsPath.toLocal8Bit().constData());
        return 1;
    }
    SignalBridge signalBridge({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalBridge, &SignalBridge::Received, qApp, [] { QCoreApplication::exit(0); });
    HeadlessCatcher catcher(record, tickIntervalMs, ToFileName(intentPath));
    catcher.Start();
    return QCoreApplication::exec();
}

}  // namespace chatkeeper::app
