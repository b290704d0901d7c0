// The catcher without window or icon: the capture engine on a timer, with
// the settings read once from the settings file (never written back).
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/clock.h"
#include "chatkeeper/engine_settings.h"
#include "chatkeeper/file_system.h"
#include "chatkeeper/settings_record.h"

class QTimer;

namespace chatkeeper::app {

// The settings of a loaded record, as the engine reads them: the texts
// converted from Shift-JIS to the file-name encoding once.
class RecordSettings final : public CaptureSettingsSource {
public:
    explicit RecordSettings(const SettingsRecord& record);

    std::string GameLogFolder() const override { return gameLogFolder_; }
    std::string ArchiveFolder() const override { return archiveFolder_; }
    std::string FileNameTemplate() const override { return fileNameTemplate_; }
    RotationMode Mode() const override { return mode_; }
    std::string SizeLimitText() const override { return sizeLimitText_; }

private:
    std::string gameLogFolder_;
    std::string archiveFolder_;
    std::string fileNameTemplate_;
    RotationMode mode_;
    std::string sizeLimitText_;
};

class HeadlessCatcher final : public QObject {
    Q_OBJECT
public:
    HeadlessCatcher(const SettingsRecord& record, int tickIntervalMs, QObject* parent = nullptr);
    ~HeadlessCatcher() override;

    // Takes the baseline and starts the timer.
    void Start();
    const CaptureEngine& Engine() const { return *engine_; }

private:
    RecordSettings settings_;
    SystemClock clock_;
    PosixFileSystem files_;
    std::unique_ptr<CaptureEngine> engine_;
    QTimer* timer_ = nullptr;
};

// Runs the headless catcher in the current QCoreApplication until SIGTERM,
// SIGINT or SIGHUP; returns the exit status (0, or 1 when the settings file
// cannot be read).
int RunHeadless(const QString& settingsPath, int tickIntervalMs);

}  // namespace chatkeeper::app
