// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread.
//
// The handler only writes the signal number into one end of a socket pair
// (async-signal-safe); a QSocketNotifier on the other end emits Received.
#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace chatkeeper::app {

class SignalBridge final : public QObject {
    Q_OBJECT
public:
    // Installs the handler for the given signals. One bridge per process.
    explicit SignalBridge(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalBridge() override;

    bool IsValid() const { return notifier_ != nullptr; }

signals:
    void Received(int signalNumber);

private:
    void ReadPending();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace chatkeeper::app
