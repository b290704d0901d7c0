// Turns process signals (SIGTERM at logout, SIGINT, SIGHUP, ...) into a Qt
// signal on the event loop's thread, for both programs.
//
// The handler only writes the signal number into one end of a socket pair
// (async-signal-safe); a QSocketNotifier on the other end emits Received. A
// signal that comes before the event loop runs is delivered once it does.
#pragma once

#include <QObject>

#include <csignal>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace chatlog {

class SignalBridge final : public QObject {
    Q_OBJECT
public:
    // Catches the given signals from now on. One bridge per process: a second
    // one is not valid and catches nothing.
    explicit SignalBridge(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalBridge() override;  // the signals' former handling again
    SignalBridge(const SignalBridge&) = delete;
    SignalBridge& operator=(const SignalBridge&) = delete;

    bool IsValid() const { return notifier_ != nullptr; }

signals:
    void Received(int signalNumber);

private:
    void ReadPending();

    QSocketNotifier* notifier_ = nullptr;
    struct Installed {
        int signalNumber;
        struct sigaction former;
    };
    std::vector<Installed> installed_;
};

}  // namespace chatlog
