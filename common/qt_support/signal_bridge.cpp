#include "qt_support/signal_bridge.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace chatlog {

namespace {

int g_fds[2] = {-1, -1};

extern "C" void HandleSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: if the socket is full the signal is already pending anyway.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalBridge::SignalBridge(std::initializer_list<int> signalNumbers, QObject* parent) : QObject(parent) {
    if (g_fds[0] >= 0) return;  // one bridge per process
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0) {
        g_fds[0] = g_fds[1] = -1;
        return;  // the signals keep their default action
    }
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::ReadPending);

    struct sigaction action {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers) {
        Installed entry{signalNumber, {}};
        if (::sigaction(signalNumber, &action, &entry.former) == 0) installed_.push_back(entry);
    }
}

SignalBridge::~SignalBridge() {
    if (!notifier_) return;
    for (const Installed& entry : installed_) ::sigaction(entry.signalNumber, &entry.former, nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void SignalBridge::ReadPending() {
    unsigned char buffer[16];
    for (;;) {
        const ssize_t n = ::read(g_fds[1], buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) emit Received(static_cast<int>(buffer[i]));
    }
}

}  // namespace chatlog
