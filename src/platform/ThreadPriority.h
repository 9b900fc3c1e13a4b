#pragma once

#include <optional>

// Background threads (live sampling, history writes) yield to the interface and to the
// user's own work. On Linux the ordinary scheduler ignores QThread's priorities, so the
// thread's own nice value is raised instead: setpriority on its thread id affects that
// thread alone.
namespace ThreadPriority {

// The nice value background threads run at.
inline constexpr int kBackgroundNice = 10;

// Raises the calling thread's nice value to `niceness`; a thread that already runs nicer
// is left alone (an unprivileged process could not lower it again anyway). False when
// the system refused.
bool lowerCurrentThread(int niceness = kBackgroundNice);

// The calling thread's nice value; absent when it cannot be read.
std::optional<int> currentThreadNice();

}  // namespace ThreadPriority
