#include <gtest/gtest.h>

#include <random>

#include "TransferSupport.h"
#include "support/TempDir.h"

namespace mw::test {
namespace {

// Transfers stopped at random moments, softly or by force, to memory and to files: each
// ends with exactly one OnAborted and nothing else, and leaves the component idle.
TEST(AbortStorm, EveryTransferEndsWithExactlyOneAbort) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(0, 40);
    std::uniform_int_distribution<int> coin(0, 1);
    TempDir dir;
    TransferHarness h;
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE("transfer " + std::to_string(i));
        h.Events.clear();
        h.Http.URL = Server("/stream");
        h.Http.OutputFileName = coin(random) != 0 ? dir.File("storm.bin") : "";
        const bool force = coin(random) != 0;
        const bool deleteFile = coin(random) != 0;
        ASSERT_TRUE(h.Http.Read());
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs(random));
        while (std::chrono::steady_clock::now() < until) {
            h.Main.WaitAndProcess(std::chrono::milliseconds(1));
        }
        h.Http.Abort(deleteFile, force);
        h.WaitIdle();
        ASSERT_EQ(h.EventNames(), "Aborted") << (force ? "forced" : "soft");
        ASSERT_FALSE(h.Http.Busy());
    }
    h.Main.ProcessPending();
    EXPECT_LE(TEventWinThread::LiveCount(), 2);
}

TEST(AbortStorm, ForcedAbortFromInsideAnEventAndThenANewTransfer) {
    TransferHarness h;
    h.Http.URL = Server("/stream");
    int progress = 0;
    h.Http.OnProgress = [&](TWinHTTP& sender, auto&&...) {
        if (++progress == 3) {
            sender.Abort(false, true);
        }
    };
    h.Run();
    EXPECT_EQ(h.EventNames(), "Aborted");
    EXPECT_EQ(progress, 3);
    h.Http.OnProgress = nullptr;
    h.Http.URL = Server("/body?size=1000");
    h.Run();
    EXPECT_EQ(h.EventNames(), "Aborted Done");
}

TEST(AbortStorm, DestroyingTheComponentMidTransferRaisesNothing) {
    HeadlessMainThread main;
    int events = 0;
    {
        TWinHTTP http;
        http.URL = Server("/stream");
        http.OnProgress = [&](auto&&...) {};
        http.OnAborted = [&](TWinHTTP&) { ++events; };
        http.OnAnyError = [&](TWinHTTP&) { ++events; };
        ASSERT_TRUE(http.Read());
        main.WaitAndProcess(std::chrono::milliseconds(30));
    }
    main.ProcessPending();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(TEventWinThread::LiveCount(), 0);
}

}  // namespace
}  // namespace mw::test
