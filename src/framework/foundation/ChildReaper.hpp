#pragma once

#include <sys/types.h>

namespace fw {

// Reaps child processes that nobody waits for, without a SIGCHLD handler or waitpid(-1): those
// would take the exit status of tasks that are still waited for by their owner.
class ChildReaper {
public:
    // Takes over a child: it is reaped as soon as it ends.
    static void watch(pid_t pid);
    // Reaps the watched children that have ended and have no reaper thread of their own.
    static void reapFinished();
};

} // namespace fw
