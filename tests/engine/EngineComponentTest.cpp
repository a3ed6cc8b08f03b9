#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "core/MainThread.h"
#include "engine/EngineError.h"
#include "engine/FFmpegVCL.h"
#include "engine/probe/AVProbe.h"
#include "support/Errors.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using test::ErrorOf;

// An engine on a headless main thread that records every termination report.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        test::FixturePlan fixture;
        fixture.Format = "avi";
        fixture.VideoCodec = "mpeg4";
        fixture.AudioCodec = "libmp3lame";
        fixture.Width = 160;
        fixture.Height = 120;
        fixture.Seconds = 1;
        m_clip = m_dir.File("clip.avi");
        test::WriteFixture(m_clip, fixture);
        m_engine.SetOnTerminate([this](const TTerminateInfo& info) {
            std::lock_guard guard(m_mutex);
            m_reports.push_back(info);
        });
    }

    void TearDown() override { m_engine.StopTasks(true); }

    int Queue(const std::string& output, const std::string& input = "") {
        const int index = m_engine.AddTask(input.empty() ? m_clip : input);
        EXPECT_GE(index, 0) << m_engine.LastErrorMessage();
        EXPECT_TRUE(m_engine.SetOutputFile(index, m_dir.File(output)))
            << m_engine.LastErrorMessage();
        return index;
    }

    std::vector<TTerminateInfo> Reports() {
        std::lock_guard guard(m_mutex);
        return m_reports;
    }

    void WaitForFinalReport() {
        for (;;) {
            const std::vector<TTerminateInfo> reports = Reports();
            if (!reports.empty() && static_cast<int>(reports.size()) > m_engine.TaskCount()) {
                bool final = false;
                for (const TTerminateInfo& report : reports) {
                    final = final || report.TaskIndex == -1;
                }
                if (final) {
                    return;
                }
            }
            m_mainThread.WaitAndProcess(std::chrono::milliseconds(10));
        }
    }

    HeadlessMainThread m_mainThread;
    test::TempDir m_dir;
    std::string m_clip;
    TFFmpegVCL m_engine;
    std::mutex m_mutex;
    std::vector<TTerminateInfo> m_reports;
};

TEST_F(EngineTest, OneAtATimeInQueueOrderEachInItsOwnThread) {
    for (int i = 0; i < 3; ++i) {
        Queue("out" + std::to_string(i) + ".mp3");
    }
    // Kernel thread ids: a finished worker is joined when the next one starts, so the next
    // may be given the same std::thread::id.
    std::mutex lock;
    std::map<int, std::set<pid_t>> threadsOfTask;
    std::vector<int> order;
    m_engine.SetTriggerEventInMainThread(false);
    m_engine.SetOnProgress([&](PProgressInfo info) {
        std::lock_guard guard(lock);
        threadsOfTask[info->TaskIndex].insert(gettid());
        if (order.empty() || order.back() != info->TaskIndex) {
            order.push_back(info->TaskIndex);
        }
    });
    m_engine.StartTask(1);
    WaitForFinalReport();
    std::vector<int> terminated;
    for (const TTerminateInfo& report : Reports()) {
        terminated.push_back(report.TaskIndex);
        EXPECT_TRUE(report.Finished);
        EXPECT_FALSE(report.ErrorRaised) << report.ErrorMessage;
    }
    EXPECT_EQ(terminated.size(), 4u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    std::set<pid_t> all;
    for (const auto& [task, threads] : threadsOfTask) {
        EXPECT_EQ(threads.size(), 1u);
        EXPECT_EQ(threads.count(gettid()), 0u);
        all.insert(threads.begin(), threads.end());
    }
    EXPECT_EQ(all.size(), 3u);
    m_engine.ClearTasks();
    EXPECT_EQ(m_engine.TaskCount(), 0);
}

TEST_F(EngineTest, SynchronousRunReturnsAfterTheFinalReport) {
    Queue("a.mp3");
    Queue("b.mp3");
    std::set<std::thread::id> threads;
    m_engine.SetOnProgress([&](PProgressInfo) { threads.insert(std::this_thread::get_id()); });
    m_engine.StartTask(0);
    const std::vector<TTerminateInfo> reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].TaskIndex, 0);
    EXPECT_EQ(reports[1].TaskIndex, 1);
    EXPECT_EQ(reports[2].TaskIndex, -1);
    EXPECT_EQ(threads, (std::set<std::thread::id>{std::this_thread::get_id()}));
}

TEST_F(EngineTest, BusyRuleAndIndexErrors) {
    const int task = Queue("a.mp3");
    EXPECT_EQ(ErrorOf([&] { m_engine.SetOutputFile(5, m_dir.File("x.mp3")); }),
              "List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { m_engine.RemoveTask(-1); }), "List index out of bounds (-1)");
    m_engine.StartTask(1);
    EXPECT_EQ(ErrorOf([&] { m_engine.ClearTasks(); }), "Cannot ClearTasks while working.");
    WaitForFinalReport();
    EXPECT_EQ(ErrorOf([&] { m_engine.AddTask(m_clip); }), "Cannot AddTask while working.");
    EXPECT_EQ(ErrorOf([&] { m_engine.AddInputFile(task, m_clip); }),
              "Cannot AddInputFile while working.");
    EXPECT_EQ(ErrorOf([&] { m_engine.SetOutputFile(task, m_dir.File("b.mp3")); }),
              "Cannot SetOutputFile while working.");
    EXPECT_EQ(ErrorOf([&] { m_engine.RemoveTask(task); }), "Cannot RemoveTask while working.");
    EXPECT_EQ(ErrorOf([&] { m_engine.StartTask(1); }), "Cannot StartTask while working.");
    EXPECT_EQ(ErrorOf([&] { m_engine.ClearTasks(); }), "(no error)");
    EXPECT_GE(m_engine.AddTask(m_clip), 0);
}

TEST_F(EngineTest, SlotLimitsRecordsAndMissingOutputs) {
    TInputOptions input;
    const int task = m_engine.AddTask(m_clip, &input);
    ASSERT_EQ(task, 0);
    EXPECT_EQ(input.FileName, m_clip);  // the one write-back into the caller's record
    for (int i = 1; i < 20; ++i) {
        ASSERT_TRUE(m_engine.AddInputFile(task, m_clip)) << i;
    }
    EXPECT_FALSE(m_engine.AddInputFile(task, m_clip));
    EXPECT_EQ(m_engine.LastErrorMessage(), "max input files 20 reached");
    for (int i = 0; i < 20; ++i) {
        TOutputOptions output;
        output.DisableVideo = true;
        ASSERT_TRUE(
            m_engine.SetOutputFile(task, m_dir.File("o" + std::to_string(i) + ".mp3"), &output))
            << m_engine.LastErrorMessage();
        EXPECT_EQ(output.FileName, m_dir.File("o" + std::to_string(i) + ".mp3"));
    }
    EXPECT_FALSE(m_engine.SetOutputFile(task, m_dir.File("o20.mp3")));
    EXPECT_EQ(m_engine.LastErrorMessage(), "max output files 20 reached");

    EXPECT_EQ(m_engine.AddTask(m_dir.File("missing.avi")), -1);
    EXPECT_EQ(m_engine.LastErrorMessage(),
              m_dir.File("missing.avi") + ": no such file or directory");
    const int orphan = m_engine.AddTask(m_clip);
    EXPECT_FALSE(m_engine.SetOutputFile(orphan, m_dir.File("out.unknownext")));
    m_engine.RemoveTask(task);
    m_engine.StartTask(1);
    WaitForFinalReport();
    std::vector<TTerminateInfo> reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    std::sort(reports.begin(), reports.end(), [](const TTerminateInfo& a, const TTerminateInfo& b) {
        return a.TaskIndex > b.TaskIndex;
    });
    EXPECT_EQ(reports[0].TaskIndex, 0);
    EXPECT_TRUE(reports[0].ErrorRaised);
    EXPECT_FALSE(reports[0].Finished);
    EXPECT_EQ(reports[0].ErrorMessage, "At least one output file must be specified");
    EXPECT_EQ(reports[1].TaskIndex, -1);

    m_engine.SetProgressInterval(50);
    EXPECT_EQ(m_engine.ProgressInterval(), 100);
}

TEST_F(EngineTest, StopWithOneRunningAndTwoWaiting) {
    test::FixturePlan fixture;
    fixture.Format = "avi";
    fixture.VideoCodec = "mpeg4";
    fixture.Width = 640;
    fixture.Height = 480;
    fixture.Seconds = 20;
    const std::string longClip = m_dir.File("long.avi");
    test::WriteFixture(longClip, fixture);
    for (int i = 0; i < 3; ++i) {
        const int index = m_engine.AddTask(longClip);
        TOutputOptions output;
        output.VideoCodec = "libx264";
        ASSERT_TRUE(
            m_engine.SetOutputFile(index, m_dir.File("s" + std::to_string(i) + ".mp4"), &output));
    }
    std::atomic<bool> progressed{false};
    m_engine.SetOnProgress([&](PProgressInfo) { progressed = true; });
    m_engine.StartTask(1);
    while (!progressed) {
        m_mainThread.WaitAndProcess(std::chrono::milliseconds(10));
    }
    m_engine.StopTasks(true);
    WaitForFinalReport();
    const std::vector<TTerminateInfo> reports = Reports();
    // Reports run in threads of their own and may arrive in any order.
    ASSERT_EQ(reports.size(), 4u);
    std::multiset<int> tasks;
    for (const TTerminateInfo& report : reports) {
        tasks.insert(report.TaskIndex);
        if (report.TaskIndex >= 0) {
            EXPECT_FALSE(report.Finished) << report.TaskIndex;
            EXPECT_FALSE(report.ErrorRaised) << report.ErrorMessage;
        }
    }
    EXPECT_EQ(tasks, (std::multiset<int>{-1, 0, 1, 2}));
    // The stopped output is removed, and the tasks that never started created nothing.
    m_engine.ClearTasks();
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"clip.avi", "long.avi"}));
}

TEST_F(EngineTest, ManyShortTasksStoppedHalfWay) {
    test::FixturePlan fixture;
    fixture.Format = "wav";
    fixture.AudioCodec = "pcm_s16le";
    fixture.Seconds = 0.1;
    const std::string tone = m_dir.File("tone.wav");
    test::WriteFixture(tone, fixture);
    constexpr int kTasks = 200;
    for (int i = 0; i < kTasks; ++i) {
        const int index = m_engine.AddTask(tone);
        ASSERT_TRUE(m_engine.SetOutputFile(index, m_dir.File("t" + std::to_string(i) + ".wav")));
    }
    std::atomic<int> counted{0};
    std::atomic<bool> stopped{false};
    m_engine.SetOnTerminate([&](const TTerminateInfo& info) {
        std::lock_guard guard(m_mutex);
        m_reports.push_back(info);
        if (info.TaskIndex >= 0) {
            ++counted;
        }
    });
    m_engine.StartTask(2);
    while (counted < kTasks / 2) {
        m_mainThread.WaitAndProcess(std::chrono::milliseconds(1));
    }
    m_engine.StopTasks(true);
    stopped = true;
    WaitForFinalReport();
    const std::vector<TTerminateInfo> reports = Reports();
    std::map<int, int> perTask;
    int finalCount = 0;
    for (const TTerminateInfo& report : reports) {
        if (report.TaskIndex < 0) {
            ++finalCount;
        } else {
            ++perTask[report.TaskIndex];
        }
    }
    EXPECT_EQ(finalCount, 1);
    ASSERT_EQ(perTask.size(), static_cast<std::size_t>(kTasks));
    for (const auto& [task, count] : perTask) {
        EXPECT_EQ(count, 1) << task;
    }
    EXPECT_EQ(counted.load(), kTasks);
    m_engine.ClearTasks();
}

int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
}

TEST_F(EngineTest, QueuedTasksHoldNoFilesUntilTheyStart) {
    const int before = OpenDescriptors();
    constexpr int kTasks = 40;
    for (int i = 0; i < kTasks; ++i) {
        Queue("q" + std::to_string(i) + ".mp3");
    }
    // At most the task being set up last holds its input; nothing is created yet.
    EXPECT_LE(OpenDescriptors(), before + 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("q0.mp3")));
    // A file that vanishes while queued fails its own task with the reason.
    const std::string doomed = m_dir.File("doomed.avi");
    std::filesystem::copy_file(m_clip, doomed);
    Queue("doomed.mp3", doomed);
    std::filesystem::remove(doomed);
    m_engine.StartTask(1);
    WaitForFinalReport();
    for (const TTerminateInfo& report : Reports()) {
        if (report.TaskIndex == kTasks) {
            EXPECT_FALSE(report.Finished);
            EXPECT_NE(report.ErrorMessage.find("doomed.avi"), std::string::npos);
        } else if (report.TaskIndex >= 0) {
            EXPECT_TRUE(report.Finished) << report.TaskIndex << ": " << report.ErrorMessage;
            EXPECT_EQ(report.OutputFiles, std::vector<std::string>{m_dir.File(
                                              "q" + std::to_string(report.TaskIndex) + ".mp3")});
        }
    }
    m_engine.ClearTasks();
    EXPECT_EQ(OpenDescriptors(), before);
    for (const char* name : {"q0.mp3", "q39.mp3"}) {
        const std::string path = m_dir.File(name);
        auto info = test::FFprobe(path);
        EXPECT_EQ(info["streams.stream.0.codec_name"], "mp3");
        EXPECT_NEAR(std::stod(info["format.duration"]), 1.0, 0.1);
        EXPECT_TRUE(test::DecodesCleanly(path));
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("doomed.mp3")));
}

TEST_F(EngineTest, CustomHookDrawsIntoEveryPicture) {
    const int index = m_engine.AddTask(m_clip);
    TOutputOptions output;
    output.VideoCodec = "ffv1";
    output.DisableAudio = true;
    output.CustomHook = true;
    ASSERT_TRUE(m_engine.SetOutputFile(index, m_dir.File("marked.mkv"), &output));
    std::atomic<int> hooked{0};
    std::thread::id hookThread;
    m_engine.SetOnCustomHook([&](PHookInfo info) {
        hookThread = std::this_thread::get_id();
        Bitmap& picture = *info->Picture;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                std::uint8_t* p = picture.Row(y) + 3 * x;
                p[0] = 255;  // blue
                p[1] = 0;
                p[2] = 0;
            }
        }
        ++hooked;
    });
    m_engine.StartTask(1);
    WaitForFinalReport();
    EXPECT_EQ(hooked.load(), 25);
    EXPECT_NE(hookThread, std::this_thread::get_id());
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(m_dir.File("marked.mkv")));
    int pictures = 0;
    while (probe.DecodeNextFrame(-1)) {
        Bitmap picture;
        ASSERT_TRUE(probe.CopyToBitmap(picture));
        const std::uint8_t* marker = picture.Row(8) + 3 * 8;
        EXPECT_GT(marker[0], 200);
        EXPECT_LT(marker[2], 60);
        ++pictures;
    }
    EXPECT_EQ(pictures, 25);
    m_engine.ClearTasks();
}

// A task's stages run on threads of their own, each at the task's priority; the single-
// thread loop keeps every stage in the worker.
TEST_F(EngineTest, EveryStageThreadRunsAtTheTasksPriority) {
    // The stage threads of this process, by name, with their nice values.
    auto stageThreads = [] {
        std::multimap<std::string, int> found;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream comm(task.path() / "comm");
            std::string name;
            std::getline(comm, name);
            if (name.rfind("mw-", 0) != 0) {
                continue;
            }
            std::ifstream stat(task.path() / "stat");
            std::string line;
            std::getline(stat, line);
            std::istringstream fields(line.substr(line.rfind(')') + 2));
            std::string field;
            for (int i = 3; i <= 19; ++i) {
                fields >> field;
            }
            found.emplace(name, std::stoi(field));
        }
        return found;
    };
    for (const bool stages : {true, false}) {
        SCOPED_TRACE(stages ? "stage threads" : "single-thread loop");
        m_reports.clear();
        const int index = m_engine.AddTask(m_clip);
        TOutputOptions output;
        output.VideoCodec = "mpeg4";
        output.AudioCodec = "libmp3lame";
        output.CustomHook = true;
        ASSERT_TRUE(m_engine.SetOutputFile(
            index, m_dir.File(std::string(stages ? "staged" : "single") + ".avi"), &output));
        // Halfway through, every stream has had packets and so every stage has started.
        std::mutex lock;
        int pictures = 0;
        std::multimap<std::string, int> seen;
        m_engine.SetOnCustomHook([&](PHookInfo) {
            std::lock_guard guard(lock);
            if (++pictures == 12) {
                seen = stageThreads();
            }
        });
        m_engine.SetStageThreads(stages);
        m_engine.SetThreadPriority(tpLowest);
        m_engine.StartTask(1);
        WaitForFinalReport();
        ASSERT_TRUE(Reports().front().Finished) << Reports().front().ErrorMessage;
        std::multiset<std::string> names;
        for (const auto& [name, nice] : seen) {
            names.insert(name);
            EXPECT_EQ(nice, 10) << name;
        }
        if (stages) {
            // A decoder and an encoder per stream, and a muxer; the filter graphs' own
            // worker threads carry the name of the stage that made them.
            EXPECT_EQ(names.count("mw-decode"), 2u);
            EXPECT_EQ(names.count("mw-encode"), 2u);
            EXPECT_GE(names.count("mw-filter"), 2u);
            EXPECT_EQ(names.count("mw-mux"), 1u);
        } else {
            EXPECT_TRUE(names.empty());
        }
        m_engine.ClearTasks();
    }
    EXPECT_TRUE(stageThreads().empty());
}

TEST_F(EngineTest, PreviewBitmapsAndTheirLimits) {
    m_engine.SetPreview(true);
    EXPECT_FALSE(m_engine.Preview());  // no window to show it in
    m_engine.SetPreviewBitmap(true);
    const int copy = m_engine.AddTask(m_clip);
    TOutputOptions copyOptions;
    copyOptions.VideoCodec = "copy";
    copyOptions.DisableAudio = true;
    ASSERT_TRUE(m_engine.SetOutputFile(copy, m_dir.File("copy.avi"), &copyOptions));
    Queue("preview.avi");
    std::vector<TPreviewInfo> previews;
    m_engine.SetOnPreviewBitmap([&](const TPreviewInfo& info) {
        EXPECT_EQ(info.Picture->Width, 160);
        previews.push_back(info);
    });
    m_engine.StartTask(1);
    WaitForFinalReport();
    bool refused = false;
    for (const TTerminateInfo& report : Reports()) {
        refused = refused || (report.TaskIndex == 0 &&
                              report.ErrorMessage ==
                                  "-vcodec copy and PostHooks are incompatible (frames are not "
                                  "decoded)");
    }
    EXPECT_TRUE(refused);
    ASSERT_FALSE(previews.empty());
    EXPECT_EQ(previews.front().TaskIndex, 1);
    m_engine.ClearTasks();
}

// The desktop program replaces handlers and toggles the preview on the main thread while
// workers deliver reports, and destroys the engine in the middle of a run. No handler may
// run once the engine is gone, and the outputs are whole or absent.
TEST_F(EngineTest, HandlersReplacedAndEngineDestroyedWhileReportsAreUnderWay) {
    auto engine = std::make_unique<TFFmpegVCL>();
    std::atomic<bool> destroyed{false};
    std::atomic<int> progress{0};
    std::atomic<int> hooked{0};
    const auto onProgress = [&](PProgressInfo) {
        EXPECT_FALSE(destroyed.load());
        ++progress;
    };
    const auto onHook = [&](PHookInfo) {
        EXPECT_FALSE(destroyed.load());
        ++hooked;
    };
    const auto onTerminate = [&](const TTerminateInfo&) { EXPECT_FALSE(destroyed.load()); };
    engine->SetProgressInterval(100);
    engine->SetOnTerminate(onTerminate);
    for (const char* name : {"one.mkv", "two.mkv", "three.mkv"}) {
        const int index = engine->AddTask(m_clip);
        ASSERT_GE(index, 0) << engine->LastErrorMessage();
        TOutputOptions output;
        output.VideoCodec = "ffv1";
        output.DisableAudio = true;
        output.CustomHook = true;
        ASSERT_TRUE(engine->SetOutputFile(index, m_dir.File(name), &output))
            << engine->LastErrorMessage();
    }
    engine->StartTask(2);
    // Replaced for a while: until a few pictures were hooked, or for a bounded number of rounds.
    for (int round = 0; round < 2000 && (hooked.load() < 10 || progress.load() == 0); ++round) {
        engine->SetOnProgress(onProgress);
        engine->SetOnCustomHook(round % 2 ? nullptr : std::function<void(PHookInfo)>(onHook));
        engine->SetOnPreviewBitmap(
            round % 3 ? nullptr
                      : std::function<void(const TPreviewInfo&)>([](const TPreviewInfo&) {}));
        engine->SetPreviewBitmap(round % 2 == 0);
        engine->SetOnTerminate(round % 2 ? nullptr : std::function(onTerminate));
        m_mainThread.WaitAndProcess(std::chrono::milliseconds(1));
    }
    engine.reset();
    destroyed = true;
    m_mainThread.ProcessPending();
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.File(""))) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.front(), '.') << name;
        if (name.ends_with(".mkv")) {
            EXPECT_TRUE(test::DecodesCleanly(entry.path().string())) << name;
            EXPECT_EQ(test::FFprobe(entry.path().string(),
                                    {"-count_packets"})["streams.stream.0.nb_read_packets"],
                      "25")
                << name;
        }
    }
}

}  // namespace
}  // namespace mw
