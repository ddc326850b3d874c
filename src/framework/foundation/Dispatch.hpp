#pragma once

#include <chrono>
#include <functional>

namespace fw {

using Block = std::function<void()>;

// dispatch_get_main_queue: the host's single event-loop thread runs these blocks in order.
// Every page, cell and alert call happens there.
class DispatchMainQueue {
public:
    static void async(Block block); // callable from any thread
    // Runs every block queued so far (and those they queue), on the calling (main) thread.
    // Returns how many ran.
    static int drain();
    static bool isEmpty();
    // A descriptor that becomes readable whenever a block is queued, for the host's poll loop.
    static int wakeDescriptor();
};

// dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT): a small pool of worker threads.
class DispatchGlobalQueue {
public:
    static void async(Block block);
    static int runningJobs();
};

// Waits until background jobs have finished and the main queue is empty (draining it on the
// calling thread meanwhile), at most `timeout`. True when everything settled in time.
bool settle(std::chrono::milliseconds timeout);

} // namespace fw
