#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "core/MainThread.h"
#include "http/WinThread.h"

namespace mw {
namespace {

using namespace std::chrono_literals;

// Lets the main thread run until the condition holds (or a generous limit passes).
template <class F>
bool PumpUntil(HeadlessMainThread& main, F done) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        main.WaitAndProcess(2ms);
    }
    return true;
}

TEST(WinThread, JobRunsInTheWorkerAndFinishOnTheMainThread) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    std::thread::id jobThread, finishThread, syncThread;
    int finished = 0;
    thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t param) {
        EXPECT_EQ(param, 0);
        jobThread = std::this_thread::get_id();
        EXPECT_TRUE(sender.Executing());
        sender.Synchronize([&] { syncThread = std::this_thread::get_id(); });
    });
    thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) {
        finishThread = std::this_thread::get_id();
        ++finished;
    });
    for (int run = 1; run <= 3; ++run) {
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(PumpUntil(main, [&] { return finished == run && !thread.Executing(); }));
        EXPECT_NE(jobThread, std::this_thread::get_id());
        EXPECT_EQ(syncThread, std::this_thread::get_id());
        EXPECT_EQ(finishThread, std::this_thread::get_id());
    }
}

TEST(WinThread, StartWhileExecutingAbandonsTheRunningJob) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    std::atomic<int> started{0};
    std::atomic<int> passedCheckpoint{0};
    int finished = 0;
    thread.SetOnExecute([&](TCustomWinThread&, std::intptr_t) {
        const int run = ++started;
        if (run == 1) {
            // Waits at checkpoints until it is given up.
            for (;;) {
                TEventWinThread::Current()->Checkpoint();
                std::this_thread::sleep_for(1ms);
            }
        }
        TEventWinThread::Current()->Checkpoint();
        ++passedCheckpoint;
    });
    thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) { ++finished; });
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PumpUntil(main, [&] { return started == 1; }));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PumpUntil(main, [&] { return finished == 1; }));
    EXPECT_EQ(started, 2);
    EXPECT_EQ(passedCheckpoint, 1);
    EXPECT_EQ(TEventWinThread::LiveCount(), 1);
}

TEST(WinThread, BlockingStartWithoutLimitKeepsCallsFlowingUntilTheEnd) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    thread.WaitThread = true;
    int calls = 0;
    thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t) {
        for (int i = 0; i < 20; ++i) {
            sender.Synchronize([&] { ++calls; });
            std::this_thread::sleep_for(1ms);
        }
    });
    bool finished = false;
    thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) { finished = true; });
    EXPECT_TRUE(thread.Start());
    EXPECT_EQ(calls, 20);
    EXPECT_TRUE(finished);
}

TEST(WinThread, BlockingStartTimeout) {
    for (bool terminate : {true, false}) {
        HeadlessMainThread main;
        TCustomWinThread thread;
        thread.WaitThread = true;
        thread.WaitTimeout = 50;
        std::atomic<bool> release{false};
        std::atomic<bool> workAfterWait{false};
        thread.SetOnExecute([&](TCustomWinThread&, std::intptr_t) {
            while (!release) {
                TEventWinThread::Current()->Checkpoint();
                std::this_thread::sleep_for(1ms);
            }
            TEventWinThread::Current()->Checkpoint();
            workAfterWait = true;
        });
        int expired = 0;
        thread.OnWaitTimeoutExpired = [&](TCustomWinThread&, bool& terminateThread) {
            ++expired;
            EXPECT_TRUE(terminateThread);
            terminateThread = terminate;
        };
        EXPECT_EQ(thread.Start(), !terminate);
        EXPECT_EQ(expired, 1);
        release = true;
        if (terminate) {
            EXPECT_FALSE(thread.Executing());
            EXPECT_FALSE(workAfterWait);
        } else {
            EXPECT_TRUE(PumpUntil(main, [&] { return workAfterWait.load(); }));
        }
    }
}

TEST(WinThread, EachCallRestartsTheWaitLimit) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    thread.WaitThread = true;
    thread.WaitTimeout = 300;
    thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t) {
        // Longer than the limit in all, never longer between two calls.
        for (int i = 0; i < 12; ++i) {
            std::this_thread::sleep_for(50ms);
            sender.Synchronize([] {});
        }
    });
    int expired = 0;
    thread.OnWaitTimeoutExpired = [&](TCustomWinThread&, bool&) { ++expired; };
    EXPECT_TRUE(thread.Start());
    EXPECT_EQ(expired, 0);
}

TEST(WinThread, PriorityReadsBackThroughTheTable) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    for (TThreadPriority priority : {tpIdle, tpLowest, tpLower, tpNormal}) {
        thread.SetPriority(priority);
        EXPECT_EQ(thread.Priority(), priority);
    }
    std::atomic<int> tid{0};
    std::atomic<bool> release{false};
    thread.SetOnExecute([&](TCustomWinThread&, std::intptr_t) {
        tid = static_cast<int>(gettid());
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
    });
    thread.SetPriority(tpLower);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(PumpUntil(main, [&] { return tid != 0; }));
    EXPECT_EQ(thread.Priority(), tpLower);
    // A niceness set by other means that the table does not know reads as normal.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid.load()), 3);
    EXPECT_EQ(thread.Priority(), tpNormal);
    release = true;
    ASSERT_TRUE(PumpUntil(main, [&] { return !thread.Executing(); }));
}

TEST(WinThread, ThreadThatNeverRanEndsWithoutTheJob) {
    HeadlessMainThread main;
    std::atomic<bool> ran{false};
    {
        TCustomWinThread thread;
        thread.SetOnExecute([&](TCustomWinThread&, std::intptr_t) { ran = true; });
        EXPECT_TRUE(thread.Suspended());
        EXPECT_EQ(TEventWinThread::LiveCount(), 1);
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(TEventWinThread::LiveCount(), 0);
}

TEST(WinThread, ExceptionsOfTheJob) {
    for (bool handle : {true, false}) {
        HeadlessMainThread main;
        TCustomWinThread thread;
        thread.SetHandleExceptions(handle);
        std::thread::id reportThread;
        int reports = 0;
        bool finished = false;
        thread.SetOnExecute([](TCustomWinThread&, std::intptr_t) { throw std::runtime_error("job"); });
        thread.SetOnException([&] {
            ++reports;
            reportThread = std::this_thread::get_id();
        });
        thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) { finished = true; });
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(PumpUntil(main, [&] { return thread.Thread().Ended(); }));
        main.ProcessPending();
        EXPECT_EQ(reports, handle ? 1 : 0);
        EXPECT_EQ(finished, handle);
        if (handle) {
            EXPECT_EQ(reportThread, std::this_thread::get_id());
        }
    }
}

TEST(WinThread, ExceptionOfASynchronizedCallIsDroppedOrReachesTheJob) {
    for (bool handle : {true, false}) {
        HeadlessMainThread main;
        TCustomWinThread thread;
        thread.SetHandleExceptions(handle);
        std::atomic<bool> continued{false};
        thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t) {
            sender.Synchronize([] { throw std::runtime_error("handler"); });
            continued = true;
        });
        int finishReports = 0;
        thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) { throw std::runtime_error("finish"); });
        thread.SetOnException([&] { ++finishReports; });
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(PumpUntil(main, [&] { return thread.Thread().Ended(); }));
        EXPECT_EQ(continued.load(), handle);
        EXPECT_EQ(finishReports, handle ? 1 : 0);
    }
}

TEST(WinThread, SuspendHoldsTheWorkerAtItsCheckpointsUntilTheLastResume) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};
    thread.SetOnExecute([&](TCustomWinThread&, std::intptr_t) {
        while (!stop) {
            TEventWinThread::Current()->Checkpoint();
            ++steps;
            std::this_thread::sleep_for(1ms);
        }
    });
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Suspended());
    ASSERT_TRUE(PumpUntil(main, [&] { return steps > 0; }));
    thread.Suspend();
    thread.SetSuspended(true);  // already suspended: no second suspension
    thread.Suspend();
    EXPECT_TRUE(thread.Suspended());
    std::this_thread::sleep_for(20ms);
    const int held = steps;
    std::this_thread::sleep_for(50ms);
    EXPECT_LE(steps - held, 1);
    thread.Resume();
    EXPECT_TRUE(thread.Suspended());
    thread.SetSuspended(false);
    EXPECT_FALSE(thread.Suspended());
    ASSERT_TRUE(PumpUntil(main, [&] { return steps > held + 2; }));
    stop = true;
    ASSERT_TRUE(PumpUntil(main, [&] { return !thread.Executing(); }));
}

TEST(WinThread, SynchronizedCallsAreSkippedOnceTheOwnerIsBeingDestroyed) {
    HeadlessMainThread main;
    std::atomic<bool> carriedOn{false};
    std::atomic<bool> inJob{false};
    std::atomic<bool> proceed{false};
    int calls = 0;
    {
        TCustomWinThread thread;
        thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t) {
            inJob = true;
            while (!proceed) {
                std::this_thread::sleep_for(1ms);
            }
            sender.Synchronize([&] { ++calls; });
            carriedOn = true;
        });
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(PumpUntil(main, [&] { return inJob.load(); }));
        thread.BeginDestroy();
        proceed = true;
        ASSERT_TRUE(PumpUntil(main, [&] { return carriedOn.load(); }));
    }
    EXPECT_EQ(calls, 0);
}

TEST(WinThread, SoftTerminateOnlyRequests) {
    HeadlessMainThread main;
    TCustomWinThread thread;
    std::atomic<bool> sawRequest{false};
    thread.SetOnExecute([&](TCustomWinThread& sender, std::intptr_t) {
        while (!sender.Thread().Terminated()) {
            std::this_thread::sleep_for(1ms);
        }
        sawRequest = true;
    });
    bool finished = false;
    thread.SetOnFinish([&](TCustomWinThread&, std::intptr_t) { finished = true; });
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Terminated());
    thread.Terminate(false);
    EXPECT_TRUE(thread.Terminated());
    ASSERT_TRUE(PumpUntil(main, [&] { return finished; }));
    EXPECT_TRUE(sawRequest);
}

}  // namespace
}  // namespace mw
