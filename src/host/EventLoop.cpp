#include "host/EventLoop.hpp"

#include "foundation/Dispatch.hpp"
#include "foundation/Notifications.hpp"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <poll.h>

namespace host {

EventLoop::EventLoop()
{
    std::string whyNot;
    if (!fw::NotificationBus::connect(&whyNot))
        std::cerr << "quillane: no session bus (" << whyNot
                  << "); notifications stay within this process\n";
}

void EventLoop::watch(int fd, std::function<void()> onReadable)
{
    m_watches.push_back({ fd, std::move(onReadable) });
}

void EventLoop::wakeBy(std::chrono::steady_clock::time_point when)
{
    if (!m_wakeBy || when < *m_wakeBy)
        m_wakeBy = when;
}

// A short timeout also reaps finished children and catches bus work sd-bus buffered.
int EventLoop::pollTimeoutMs()
{
    constexpr int kLongest = 200;
    if (!m_wakeBy)
        return kLongest;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(
        *m_wakeBy - std::chrono::steady_clock::now());
    m_wakeBy.reset();
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, kLongest));
}

void EventLoop::run()
{
    m_running = true;
    while (m_running) {
        std::vector<pollfd> fds;
        fds.push_back({ fw::DispatchMainQueue::wakeDescriptor(), POLLIN, 0 });
        int busFd = fw::NotificationBus::descriptor();
        fds.push_back({ busFd, POLLIN, 0 });
        for (auto& watch : m_watches)
            fds.push_back({ watch.fd, POLLIN, 0 });
        int ready = poll(fds.data(), fds.size(), pollTimeoutMs());
        if (ready < 0 && errno != EINTR)
            break;
        if (busFd >= 0)
            fw::NotificationBus::processIncoming();
        int work = fw::DispatchMainQueue::drain();
        for (std::size_t i = 0; i < m_watches.size() && m_running; ++i) {
            if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR))
                m_watches[i].onReadable();
        }
        work += fw::DispatchMainQueue::drain();
        if (m_afterTurn)
            m_afterTurn(work > 0);
    }
}

} // namespace host
