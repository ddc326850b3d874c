#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace host {

// The host's main thread: runs the main queue's blocks and handles notifications from other
// processes as they arrive, together with whatever descriptors the front end watches.
class EventLoop {
public:
    // Connects the notification bus; says once on standard error when there is none.
    EventLoop();

    // Calls `onReadable` whenever `fd` can be read (or has hung up).
    void watch(int fd, std::function<void()> onReadable);
    // Called after every turn of the loop, told whether the turn ran any work (for pushing
    // changed screens).
    void afterEachTurn(std::function<void(bool didWork)> callback)
    {
        m_afterTurn = std::move(callback);
    }
    // Makes a turn happen by `when` even with nothing to read (once; the earliest asked wins).
    void wakeBy(std::chrono::steady_clock::time_point when);
    // Runs until stop() is called (from a callback).
    void run();
    void stop() { m_running = false; }

private:
    // Until the next turn must happen; takes the `wakeBy` asked.
    int pollTimeoutMs();

    struct Watch {
        int fd;
        std::function<void()> onReadable;
    };
    std::vector<Watch> m_watches;
    std::function<void(bool)> m_afterTurn;
    bool m_running { false };
    std::optional<std::chrono::steady_clock::time_point> m_wakeBy;
};

} // namespace host
