#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/MainThread.h"

namespace mw {
namespace {

TEST(MainThread, WorkersBlockUntilTheMainThreadRanTheirCalls) {
    HeadlessMainThread mainThread;
    ASSERT_EQ(MainThread::Instance(), &mainThread);
    const auto mainId = std::this_thread::get_id();

    constexpr int kWorkers = 8;
    constexpr int kCallsEach = 200;
    int counter = 0;  // touched on the main thread only
    std::atomic<int> wrongThread{0};
    std::atomic<int> notYetRun{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < kCallsEach; ++i) {
                bool ran = false;
                mainThread.Invoke([&] {
                    if (std::this_thread::get_id() != mainId) {
                        ++wrongThread;
                    }
                    ++counter;
                    ran = true;
                });
                if (!ran) {
                    ++notYetRun;
                }
            }
            ++finished;
        });
    }
    while (finished.load() < kWorkers) {
        mainThread.WaitAndProcess(std::chrono::milliseconds(20));
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(counter, kWorkers * kCallsEach);
    EXPECT_EQ(wrongThread.load(), 0);
    EXPECT_EQ(notYetRun.load(), 0);
}

TEST(MainThread, CallsOnTheMainThreadRunDirectlyAndErrorsReachTheCaller) {
    HeadlessMainThread mainThread;
    bool ran = false;
    mainThread.Invoke([&] { ran = true; });
    EXPECT_TRUE(ran);

    std::string caught;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            mainThread.Invoke([] { throw std::runtime_error("handler failed"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        done = true;
    });
    while (!done) {
        mainThread.WaitAndProcess(std::chrono::milliseconds(5));
    }
    worker.join();
    EXPECT_EQ(caught, "handler failed");
}

TEST(MainThread, InstanceIsRestoredWhenAnImplementationEnds) {
    HeadlessMainThread outer;
    {
        HeadlessMainThread inner;
        EXPECT_EQ(MainThread::Instance(), &inner);
    }
    EXPECT_EQ(MainThread::Instance(), &outer);
}

}  // namespace
}  // namespace mw
