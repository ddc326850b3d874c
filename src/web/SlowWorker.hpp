#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace web {

// One thread for work that blocks for a while (decoding an image), one job after another, so
// that it holds up neither the server's connections nor the main queue.
class SlowWorker {
public:
    SlowWorker();
    ~SlowWorker();
    SlowWorker(const SlowWorker&) = delete;
    SlowWorker& operator=(const SlowWorker&) = delete;

    void run(std::function<void()> job);
    // Finishes the job under way, drops those waiting, ends the thread.
    void stop();

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping { false };
    std::thread m_thread;
};

} // namespace web
