#include "catcher.h"

#include <QTimer>

#include "catcher_text.h"

namespace chatkeeper::app {

Catcher::Catcher(const CatcherSettings& settings, int tickIntervalMs, const QString& intentPath, QObject* parent)
    : QObject(parent), engine_(std::make_unique<CaptureEngine>(settings, clock_, files_)) {
    if (!intentPath.isEmpty()) {
        journal_ = std::make_unique<FileCaptureJournal>(ToFileName(intentPath));
        engine_->SetJournal(journal_.get());
    }
    engine_->onArchiveNamed = [this](const std::string& path) { emit ArchiveNamed(path); };
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("captureTimer"));
    timer_->setInterval(tickIntervalMs);
    connect(timer_, &QTimer::timeout, this, &Catcher::Tick);
}

Catcher::~Catcher() = default;

void Catcher::Start() {
    engine_->TakeBaseline();
    timer_->start();
}

void Catcher::Stop() { timer_->stop(); }

void Catcher::Tick() { engine_->Tick(); }

}  // namespace chatkeeper::app
