// The catcher without window or icon: the capture engine on a timer, with
// the settings read once from the settings file (never written back).
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/capture_journal.h"
#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/clock.h"
#include "chatkeeper/file_system.h"
#include "chatkeeper/settings_record.h"

class QTimer;

namespace chatkeeper::app {

class HeadlessCatcher final : public QObject {
    Q_OBJECT
public:
    // intentPath: the capture journal's file (see CaptureEngine::TakeBaseline).
    HeadlessCatcher(const SettingsRecord& record, int tickIntervalMs, const std::string& intentPath,
                    QObject* parent = nullptr);
    ~HeadlessCatcher() override;

    // Takes the baseline and starts the timer.
    void Start();
    const CaptureEngine& Engine() const { return *engine_; }

private:
    CatcherSettings settings_;
    SystemClock clock_;
    PosixFileSystem files_;
    FileCaptureJournal journal_;
    std::unique_ptr<CaptureEngine> engine_;
    QTimer* timer_ = nullptr;
};

// Runs the headless catcher in the current QCoreApplication until SIGTERM,
// SIGINT or SIGHUP; returns the exit status (0, or 1 when the settings file
// cannot be read).
int RunHeadless(const QString& settingsPath, int tickIntervalMs, const QString& intentPath);

}  // namespace chatkeeper::app
