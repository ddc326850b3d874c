#include "web/SlowWorker.hpp"

namespace web {

SlowWorker::SlowWorker()
    : m_thread([this] { work(); })
{
}

SlowWorker::~SlowWorker()
{
    stop();
}

void SlowWorker::run(std::function<void()> job)
{
    std::lock_guard lock(m_mutex);
    if (!m_stopping)
        m_jobs.push_back(std::move(job));
    m_ready.notify_one();
}

void SlowWorker::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_ready.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SlowWorker::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

} // namespace web
