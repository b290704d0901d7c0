// The running catcher, with or without a window: the capture engine, the
// timer that ticks it and the capture journal it records its intents in.
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

class QTimer;

namespace chatkeeper::app {

class Catcher final : public QObject {
    Q_OBJECT
public:
    // `settings` is read by the engine, never written, and must outlive the
    // catcher: its owner keeps it current. intentPath: the capture journal's
    // file (see CaptureEngine::TakeBaseline); empty: none.
    Catcher(const CatcherSettings& settings, int tickIntervalMs, const QString& intentPath, QObject* parent = nullptr);
    ~Catcher() override;

    // Takes the baseline and starts the timer.
    void Start();
    // Stops the timer: no capture starts after this.
    void Stop();
    // One capture step now, as the timer runs it.
    void Tick();

    CaptureEngine& Engine() { return *engine_; }
    const CaptureEngine& Engine() const { return *engine_; }
    QTimer* Timer() const { return timer_; }

signals:
    // StartNewArchive named another archive file (empty: no archive folder).
    void ArchiveNamed(const std::string& archivePath);

private:
    SystemClock clock_;
    PosixFileSystem files_;
    std::unique_ptr<FileCaptureJournal> journal_;
    std::unique_ptr<CaptureEngine> engine_;
    QTimer* timer_ = nullptr;
};

}  // namespace chatkeeper::app
