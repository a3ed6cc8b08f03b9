#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "core/MainThread.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLogger.h"
#include "support/MediaFixture.h"

namespace mw {
namespace {

struct Line {
    std::uint32_t ThreadId;
    TLogLevel Level;
    std::string Text;
};

// The process-wide logger with a handler that records every line; state is restored after.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        m_logger = &TFFLogger::Instance();
        m_savedLevel = m_logger->LogLevel();
        m_logger->Install();
        m_logger->SetOnLog(
            [this](const void*, std::uint32_t id, TLogLevel level, const std::string& text) {
                std::lock_guard guard(m_mutex);
                m_lines.push_back({id, level, text});
            });
    }
    void TearDown() override {
        m_logger->SetOnLog(nullptr);
        m_logger->SetTriggerEventInMainThread(true);
        m_logger->SetLogLevel(m_savedLevel);
    }
    std::vector<Line> Lines() {
        std::lock_guard guard(m_mutex);
        return m_lines;
    }

    TFFLogger* m_logger = nullptr;
    TLogLevel m_savedLevel = llInfo;
    std::mutex m_mutex;
    std::vector<Line> m_lines;
};

struct LoggingObject {
    const AVClass* Class;
};

AVClass MakeTesterClass() {
    AVClass avClass{};
    avClass.class_name = "tester";
    avClass.item_name = av_default_item_name;
    avClass.version = LIBAVUTIL_VERSION_INT;
    return avClass;
}

const AVClass kTesterClass = MakeTesterClass();

TEST(LogLevels, MappingsInBothDirections) {
    const std::pair<TLogLevel, int> toLibrary[] = {{llQuiet, -8},   {llPanic, 0},    {llFatal, 8},
                                                   {llError, 16},   {llWarning, 24}, {llInfo, 32},
                                                   {llVerbose, 40}, {llDebug, 48}};
    for (const auto& [level, library] : toLibrary) {
        EXPECT_EQ(LibraryLevel(level), library);
        EXPECT_EQ(LogLevelFromLibrary(library), level);
    }
    const std::pair<int, TLogLevel> fromLibrary[] = {
        {-100, llQuiet}, {-9, llQuiet}, {-8, llQuiet}, {-7, llPanic},  {-1, llPanic},
        {7, llPanic},    {8, llFatal},  {15, llFatal}, {20, llError},  {31, llWarning},
        {47, llVerbose}, {48, llDebug}, {56, llDebug}, {1000, llDebug}};
    for (const auto& [library, level] : fromLibrary) {
        EXPECT_EQ(LogLevelFromLibrary(library), level) << library;
    }
}

TEST_F(LoggerTest, OnlyOneInstance) {
    try {
        TFFLogger second;
        FAIL() << "a second logger was created";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Allow creating only one instance of TFFLogger.");
    }
    EXPECT_EQ(TFFLogger::Current(), m_logger);
}

TEST_F(LoggerTest, LevelByName) {
    const std::pair<const char*, TLogLevel> cases[] = {{"Debug", llDebug},  {"20", llError},
                                                       {"QUIET", llQuiet},  {"info", llInfo},
                                                       {"0x28", llVerbose}, {"-3", llPanic}};
    for (const auto& [name, level] : cases) {
        EXPECT_TRUE(m_logger->SetLogLevelByName(name)) << name;
        EXPECT_EQ(m_logger->LogLevel(), level) << name;
    }
    EXPECT_FALSE(m_logger->SetLogLevelByName("loud"));
    EXPECT_EQ(m_logger->LogLevel(), llPanic);
    EXPECT_EQ(av_log_get_level(), 0);  // the library follows the level
}

TEST_F(LoggerTest, EngineMessagesFollowTheLevelRule) {
    m_logger->SetLogLevel(llWarning);
    m_logger->Log(nullptr, llVerbose, "verbose passes");
    m_logger->Log(nullptr, llInfo, "info is held back");
    m_logger->Log(nullptr, llError, "error passes");
    m_logger->LogF(nullptr, llWarning, "warning %d passes", 7);
    m_logger->SetLogLevel(llQuiet);
    m_logger->Log(nullptr, llVerbose, "verbose is held back when quiet");
    m_logger->Log(nullptr, llQuiet, "quiet always passes");
    std::vector<std::string> texts;
    for (const Line& line : Lines()) {
        texts.push_back(line.Text);
        EXPECT_EQ(line.ThreadId, CurrentThreadId());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"verbose passes", "error passes", "warning 7 passes",
                                               "quiet always passes"}));
}

TEST_F(LoggerTest, LibraryPiecesBecomeWholeLines) {
    m_logger->SetLogLevel(llInfo);
    LoggingObject object{&kTesterClass};
    av_log(&object, AV_LOG_INFO, "first half, ");
    EXPECT_TRUE(Lines().empty());
    av_log(nullptr, AV_LOG_INFO, "second half\nnext ");
    av_log(&object, AV_LOG_DEBUG, "filtered out\n");
    av_log(nullptr, AV_LOG_WARNING, "line\n");
    const std::string long_text(5000, 'x');
    av_log(nullptr, AV_LOG_ERROR, "%s\n", long_text.c_str());

    const std::vector<Line> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[tester @ %p]", static_cast<void*>(&object));
    EXPECT_EQ(lines[0].Text, std::string(prefix) + "first half, second half");
    EXPECT_EQ(lines[0].Level, llInfo);
    EXPECT_EQ(lines[1].Text, "next line");
    EXPECT_EQ(lines[1].Level, llWarning);
    EXPECT_EQ(lines[2].Text, long_text);  // long messages are never cut
}

TEST_F(LoggerTest, ThreadsNeverMixTheirLines) {
    m_logger->SetLogLevel(llInfo);
    m_logger->SetTriggerEventInMainThread(false);
    constexpr int kThreads = 6;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                av_log(nullptr, AV_LOG_INFO, "thread %d ", t);
                av_log(nullptr, AV_LOG_INFO, "line %d ", i);
                av_log(nullptr, AV_LOG_INFO, "end\n");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::vector<Line> lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    std::map<std::uint32_t, int> nextLine;
    std::map<std::uint32_t, int> threadOf;
    for (const Line& line : lines) {
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.Text.c_str(), "thread %d line %d end", &t, &i), 2) << line.Text;
        EXPECT_EQ(line.Text, "thread " + std::to_string(t) + " line " + std::to_string(i) + " end");
        auto [it, fresh] = threadOf.emplace(line.ThreadId, t);
        EXPECT_EQ(it->second, t);
        EXPECT_EQ(nextLine[line.ThreadId]++, i);
    }
}

TEST_F(LoggerTest, WorkerLinesAreDeliveredOnTheMainThread) {
    HeadlessMainThread mainThread;
    m_logger->SetLogLevel(llInfo);
    std::thread::id deliveredOn;
    m_logger->SetOnLog([&](const void*, std::uint32_t, TLogLevel, const std::string&) {
        deliveredOn = std::this_thread::get_id();
    });
    std::atomic<bool> returned{false};
    std::uint32_t workerId = 0;
    std::thread worker([&] {
        workerId = CurrentThreadId();
        av_log(nullptr, AV_LOG_ERROR, "from a worker\n");
        returned = true;
    });
    while (!returned) {
        mainThread.WaitAndProcess(std::chrono::milliseconds(10));
    }
    worker.join();
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
    EXPECT_NE(workerId, CurrentThreadId());
}

}  // namespace
}  // namespace mw
