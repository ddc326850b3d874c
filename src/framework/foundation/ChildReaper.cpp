#include "foundation/ChildReaper.hpp"

#include <cerrno>
#include <mutex>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <vector>

namespace fw {

namespace {

// Children whose reaper thread could not be started; swept from the event loop instead.
struct Leftovers {
    std::mutex mutex;
    std::vector<pid_t> pids;
};

Leftovers& leftovers()
{
    static auto* state = new Leftovers; // reaped from threads that may outlive static teardown
    return *state;
}

void waitFor(pid_t pid)
{
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
}

} // namespace

// One small thread per child blocks in waitpid() on that pid alone. Unwaited children are rare
// (a SpringBoard restart), and the thread ends with its child.
void ChildReaper::watch(pid_t pid)
{
    if (pid <= 0)
        return;
    try {
        std::thread(waitFor, pid).detach();
    } catch (const std::system_error&) {
        auto& state = leftovers();
        std::lock_guard lock(state.mutex);
        state.pids.push_back(pid);
    }
}

void ChildReaper::reapFinished()
{
    auto& state = leftovers();
    std::lock_guard lock(state.mutex);
    std::erase_if(state.pids, [](pid_t pid) {
        pid_t result;
        do {
            result = waitpid(pid, nullptr, WNOHANG);
        } while (result < 0 && errno == EINTR);
        return result != 0; // ended and reaped, or not our child any more
    });
}

} // namespace fw
