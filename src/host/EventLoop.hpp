#pragma once

#include <functional>
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
    // Runs until stop() is called (from a callback).
    void run();
    void stop() { m_running = false; }

private:
    struct Watch {
        int fd;
        std::function<void()> onReadable;
    };
    std::vector<Watch> m_watches;
    std::function<void(bool)> m_afterTurn;
    bool m_running { false };
};

} // namespace host
