#include "foundation/Dispatch.hpp"

#include "foundation/ChildReaper.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fw {

namespace {

// A block that keeps queueing itself must not keep one drain() from ever returning: the rest
// waits for the next turn of the event loop.
constexpr int maxBlocksPerDrain = 10000;
constexpr std::size_t maxWorkers = 3;

struct MainQueueState {
    std::mutex mutex;
    std::deque<Block> blocks;
    int wakeFd { eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) };

    void signal() const
    {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = write(wakeFd, &one, sizeof one);
    }
    void reset() const
    {
        std::uint64_t count = 0;
        [[maybe_unused]] auto got = read(wakeFd, &count, sizeof count);
    }
};

// Never destroyed: background jobs may still hand results back while the process exits.
MainQueueState& mainQueue()
{
    static auto* state = new MainQueueState;
    return *state;
}

struct Worker {
    std::thread thread;
    bool idle { true };
};

struct GlobalQueueState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Block> jobs;
    std::vector<std::shared_ptr<Worker>> workers;
    int running { 0 };
    bool stopping { false };
};

std::shared_ptr<GlobalQueueState> globalQueue();

void runJob(const Block& job)
{
    try {
        job();
    } catch (...) {
        // A worker thread has no one to report to; the failure surfaces on the main queue
        // like any other result of the job.
        DispatchMainQueue::async(
            [error = std::current_exception()] { std::rethrow_exception(error); });
    }
}

void workerLoop(std::shared_ptr<GlobalQueueState> state, std::shared_ptr<Worker> self)
{
    std::unique_lock lock(state->mutex);
    while (true) {
        state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
        if (state->stopping)
            return;
        Block job = std::move(state->jobs.front());
        state->jobs.pop_front();
        self->idle = false;
        ++state->running;
        lock.unlock();
        runJob(job);
        job = nullptr; // captured objects are released before the job counts as finished
        lock.lock();
        --state->running;
        self->idle = true;
        // settle() waits on the main queue's descriptor; a finished job is news for it.
        mainQueue().signal();
    }
}

// At exit idle workers are joined; a worker still inside a job (waiting for a child process,
// say) is left detached so the exit never hangs. It owns a reference to the shared state.
struct GlobalQueueShutdown {
    std::shared_ptr<GlobalQueueState> state;
    ~GlobalQueueShutdown()
    {
        std::vector<std::pair<std::shared_ptr<Worker>, bool>> workers;
        {
            std::lock_guard lock(state->mutex);
            state->stopping = true;
            for (auto& worker : state->workers)
                workers.emplace_back(worker, worker->idle);
        }
        state->wake.notify_all();
        // A worker idle now sees `stopping` before it could take another job, so it returns.
        for (auto& [worker, idle] : workers) {
            if (idle)
                worker->thread.join();
            else
                worker->thread.detach();
        }
    }
};

std::shared_ptr<GlobalQueueState> globalQueue()
{
    static GlobalQueueShutdown shutdown { std::make_shared<GlobalQueueState>() };
    return shutdown.state;
}

bool globalQueueIsIdle()
{
    auto state = globalQueue();
    std::lock_guard lock(state->mutex);
    return state->jobs.empty() && state->running == 0;
}

} // namespace

void DispatchMainQueue::async(Block block)
{
    auto& queue = mainQueue();
    {
        std::lock_guard lock(queue.mutex);
        queue.blocks.push_back(std::move(block));
    }
    queue.signal();
}

int DispatchMainQueue::drain()
{
    ChildReaper::reapFinished();
    auto& queue = mainQueue();
    queue.reset();
    int ran = 0;
    // Whatever stops the loop (the limit, a throwing block), what is left still wakes the loop.
    struct Resignal {
        MainQueueState& queue;
        ~Resignal()
        {
            if (!DispatchMainQueue::isEmpty())
                queue.signal();
        }
    } resignal { queue };
    while (ran < maxBlocksPerDrain) {
        Block block;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.blocks.empty())
                break;
            block = std::move(queue.blocks.front());
            queue.blocks.pop_front();
        }
        ++ran;
        if (block)
            block();
    }
    return ran;
}

bool DispatchMainQueue::isEmpty()
{
    auto& queue = mainQueue();
    std::lock_guard lock(queue.mutex);
    return queue.blocks.empty();
}

int DispatchMainQueue::wakeDescriptor()
{
    return mainQueue().wakeFd;
}

void DispatchGlobalQueue::async(Block block)
{
    auto state = globalQueue();
    {
        std::lock_guard lock(state->mutex);
        state->jobs.push_back(std::move(block));
        auto busy = static_cast<std::size_t>(state->running) + state->jobs.size();
        if (state->workers.size() < std::min(busy, maxWorkers)) {
            auto worker = std::make_shared<Worker>();
            worker->thread = std::thread(workerLoop, state, worker);
            state->workers.push_back(std::move(worker));
        }
    }
    state->wake.notify_one();
}

int DispatchGlobalQueue::runningJobs()
{
    auto state = globalQueue();
    std::lock_guard lock(state->mutex);
    return state->running + static_cast<int>(state->jobs.size());
}

bool settle(std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    while (true) {
        DispatchMainQueue::drain();
        if (globalQueueIsIdle() && DispatchMainQueue::isEmpty())
            return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        // Both a queued block and a finished background job make the descriptor readable.
        pollfd wake { DispatchMainQueue::wakeDescriptor(), POLLIN, 0 };
        poll(&wake, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    }
}

} // namespace fw
