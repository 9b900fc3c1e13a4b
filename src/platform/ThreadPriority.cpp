#include "platform/ThreadPriority.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
id_t currentThreadId() { return id_t(::syscall(SYS_gettid)); }
}  // namespace

namespace ThreadPriority {

std::optional<int> currentThreadNice()
{
    // -1 is also a valid nice value: only errno tells a failure apart.
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, currentThreadId());
    if (nice == -1 && errno != 0) return std::nullopt;
    return nice;
}

bool lowerCurrentThread(int niceness)
{
    if (const auto now = currentThreadNice(); now && *now >= niceness) return true;
    return ::setpriority(PRIO_PROCESS, currentThreadId(), niceness) == 0;
}

}  // namespace ThreadPriority
