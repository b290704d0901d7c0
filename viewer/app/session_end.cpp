#include "session_end.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace chatscope {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

int signalWriteFd = -1;

// Only what is safe in a signal handler: one byte into the socket.
void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalWriteFd, &byte, 1);
    errno = saved;
}

}  // namespace

SessionEnd::SessionEnd() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;  // the signals keep their default action
    }
    signalWriteFd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &old_[i]);
}

SessionEnd::~SessionEnd() {
    if (fds_[0] < 0) return;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &old_[i], nullptr);
    signalWriteFd = -1;
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void SessionEnd::Drain() {
    char bytes[16];
    while (::read(fds_[0], bytes, sizeof bytes) > 0) {}
    if (end_) end_();
}

}  // namespace chatscope
