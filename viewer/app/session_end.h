// The viewer asked to end from outside the window: SIGTERM (what a desktop
// session sends at logout), SIGHUP and SIGINT. Each runs the given action on
// the event loop, as closing the main window does, so the settings files are
// written exactly as at a normal exit.
#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace chatscope {

class SessionEnd {
public:
    // Catches the signals from now on; a signal that comes before the event
    // loop runs is acted on once it does.
    SessionEnd();
    ~SessionEnd();  // the signals' former handling again
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // What a signal does; nothing until set.
    void OnEnd(std::function<void()> end) { end_ = std::move(end); }

private:
    void Drain();
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> end_;
    struct sigaction old_[3];
};

}  // namespace chatscope
