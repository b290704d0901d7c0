// The library's background threads (counting, searching) run a little below
// the interface, so on a busy machine the event loop keeps its turns while
// every core reads archives.
#pragma once

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace chatscope {

inline constexpr int kBackgroundNicer = 5;

// Lowers the calling thread's priority (a nice value is a thread's own on
// Linux); false when the system refuses.
inline bool LowerThisThread() {
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, self);
    return errno == 0 && ::setpriority(PRIO_PROCESS, self, std::min(nice + kBackgroundNicer, 19)) == 0;
}

}  // namespace chatscope
