// The catcher without window or icon: the capture engine on a timer, with
// the settings read once from the settings file (never written back).
#pragma once

#include <QObject>
#include <QString>

#include "catcher.h"
#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/settings_record.h"

namespace chatkeeper::app {

class HeadlessCatcher final : public QObject {
    Q_OBJECT
public:
    // intentPath: the capture journal's file (see CaptureEngine::TakeBaseline).
    HeadlessCatcher(const SettingsRecord& record, int tickIntervalMs, const QString& intentPath,
                    QObject* parent = nullptr);
    ~HeadlessCatcher() override;

    // Takes the baseline and starts the timer.
    void Start() { catcher_.Start(); }
    const CaptureEngine& Engine() const { return catcher_.Engine(); }

private:
    CatcherSettings settings_;
    Catcher catcher_;
};

// Runs the headless catcher in the current QCoreApplication until SIGTERM,
// SIGINT or SIGHUP; returns the exit status (0, or 1 when the settings file
// cannot be read).
int RunHeadless(const QString& settingsPath, int tickIntervalMs, const QString& intentPath);

}  // namespace chatkeeper::app
