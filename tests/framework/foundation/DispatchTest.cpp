#include "foundation/Dispatch.hpp"

#include "foundation/Device.hpp"
#include "foundation/FileFaults.hpp"
#include "foundation/Journal.hpp"

#include <algorithm>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <latch>
#include <numeric>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

bool wakeDescriptorReadable()
{
    pollfd wake { fw::DispatchMainQueue::wakeDescriptor(), POLLIN, 0 };
    return poll(&wake, 1, 0) == 1;
}

} // namespace

TEST(DispatchMainQueue, RunsBlocksInOrderAndThoseTheyQueueAfterThem)
{
    std::vector<std::string> ran;
    fw::DispatchMainQueue::async([&] {
        ran.push_back("first");
        fw::DispatchMainQueue::async([&] { ran.push_back("nested"); });
    });
    fw::DispatchMainQueue::async([&] { ran.push_back("second"); });

    EXPECT_EQ(fw::DispatchMainQueue::drain(), 3);
    EXPECT_EQ(ran, (std::vector<std::string> { "first", "second", "nested" }));
    EXPECT_TRUE(fw::DispatchMainQueue::isEmpty());
}

TEST(DispatchMainQueue, WakeDescriptorSignalsQueuedBlocksUntilDrained)
{
    fw::DispatchMainQueue::drain();
    EXPECT_FALSE(wakeDescriptorReadable());

    std::thread([] { fw::DispatchMainQueue::async([] {}); }).join();
    EXPECT_TRUE(wakeDescriptorReadable());

    fw::DispatchMainQueue::drain();
    EXPECT_FALSE(wakeDescriptorReadable());
}

TEST(DispatchMainQueue, SelfRequeueingBlockDoesNotHoldOneDrainForever)
{
    bool keepGoing = true;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        if (keepGoing)
            fw::DispatchMainQueue::async(again);
    };
    fw::DispatchMainQueue::async(again);

    int ran = fw::DispatchMainQueue::drain();
    EXPECT_GT(ran, 0);
    EXPECT_EQ(ran, runs);
    EXPECT_FALSE(fw::DispatchMainQueue::isEmpty());
    EXPECT_TRUE(wakeDescriptorReadable()) << "what is left must wake the event loop again";

    keepGoing = false;
    fw::DispatchMainQueue::drain();
    EXPECT_TRUE(fw::DispatchMainQueue::isEmpty());
}

TEST(DispatchGlobalQueue, JobResultComesBackOnTheMainQueue)
{
    const auto mainThread = std::this_thread::get_id();
    std::thread::id workerThread;
    std::thread::id resultThread;
    int result = 0;

    fw::DispatchGlobalQueue::async([&] {
        workerThread = std::this_thread::get_id();
        fw::DispatchMainQueue::async([&] {
            resultThread = std::this_thread::get_id();
            result = 42;
        });
    });

    ASSERT_TRUE(fw::settle(10s));
    EXPECT_EQ(result, 42);
    EXPECT_NE(workerThread, mainThread);
    EXPECT_EQ(resultThread, mainThread);
    EXPECT_EQ(fw::DispatchGlobalQueue::runningJobs(), 0);
}

TEST(DispatchGlobalQueue, RunsJobsSideBySideAndFinishesEveryOne)
{
    // The first three jobs only finish together: a pool that never runs three at once would
    // not settle.
    std::latch together(3);
    std::vector<int> results;
    for (int i = 0; i < 12; ++i) {
        fw::DispatchGlobalQueue::async([i, &results, &together] {
            if (i < 3)
                together.arrive_and_wait();
            fw::DispatchMainQueue::async([i, &results] { results.push_back(i); });
        });
    }

    ASSERT_TRUE(fw::settle(10s));
    std::sort(results.begin(), results.end());
    std::vector<int> expected(12);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(results, expected);
}

TEST(Settle, ReportsAJobStillRunningAndSettlesOnceItEnds)
{
    std::promise<void> release;
    auto released = release.get_future().share();
    bool handedBack = false;
    fw::DispatchGlobalQueue::async([released, &handedBack] {
        released.wait();
        fw::DispatchMainQueue::async([&handedBack] { handedBack = true; });
    });

    EXPECT_FALSE(fw::settle(20ms));
    EXPECT_EQ(fw::DispatchGlobalQueue::runningJobs(), 1);
    EXPECT_FALSE(handedBack);

    release.set_value();
    EXPECT_TRUE(fw::settle(10s));
    EXPECT_TRUE(handedBack);
}

TEST(Settle, AFailingJobSurfacesOnTheMainQueue)
{
    fw::DispatchGlobalQueue::async([] { throw std::runtime_error("job failed"); });

    EXPECT_THROW(fw::settle(10s), std::runtime_error);
    EXPECT_TRUE(fw::settle(10s));
}

TEST(DispatchGlobalQueue, ProcessExitsWhileAJobStillRuns)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::promise<void> never;
            auto forever = never.get_future().share();
            fw::DispatchGlobalQueue::async([forever] { forever.wait(); });
            fw::DispatchGlobalQueue::async([] {});
            fw::settle(std::chrono::milliseconds(50));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// A job still running at exit (the header's version lookup waiting for its shell) keeps using
// the process-wide state of the file layer while static objects are torn down.
TEST(DispatchGlobalQueue, AJobRunningAtExitMayStillUseTheFileLayer)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::atomic<bool> started { false };
            fw::Device::setRoot("/tmp/qln-exit-test");
            fw::DispatchGlobalQueue::async([] {
                for (;;) {
                    fw::Journal::recordPosted("still running");
                    fw::Journal::take();
                    (void)fw::Device::resolve("/var/mobile");
                    (void)fw::FileFaults::shouldFail(fw::FileOp::Write, "/var/mobile/x");
                    started = true;
                }
            });
            while (!started)
                std::this_thread::yield();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
