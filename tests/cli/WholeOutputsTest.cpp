#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ConvertArgs(const std::string& out, std::vector<std::string> files) {
    std::vector<std::string> args = {MW_CLI, "convert", "--format", "MP3", "--out", out};
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

void WriteTone(const std::string& path, double seconds) {
    test::FixturePlan tone;
    tone.AudioCodec = "pcm_s16le";
    tone.Format = "wav";
    tone.Seconds = seconds;
    test::WriteFixture(path, tone);
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A finished MP3 of a tone: one audio stream as long as its input, decoding cleanly.
void ExpectWholeMp3(const std::string& path, double seconds) {
    SCOPED_TRACE(path);
    ASSERT_GT(fs::file_size(path), 0u);
    auto info = test::FFprobe(path);
    EXPECT_EQ(info["format.nb_streams"], "1");
    EXPECT_EQ(info["streams.stream.0.codec_type"], "audio");
    EXPECT_NEAR(std::stod(info["format.duration"]), seconds, 0.1);
    EXPECT_TRUE(test::DecodesCleanly(path));
}

TEST(WholeOutputs, AnOutputNeverReplacesOneOfItsInputs) {
    test::TempDir dir;
    test::FixturePlan clip;
    clip.VideoCodec = "mpeg4";
    clip.AudioCodec = "libmp3lame";
    clip.Format = "avi";
    clip.Seconds = 1.0;
    const std::string input = dir.File("in.avi");
    test::WriteFixture(input, clip);
    test::WriteFixture(dir.File("other.avi"), clip);
    fs::create_symlink(input, dir.File("link.avi"));
    fs::create_hard_link(input, dir.File("hard.avi"));
    const std::string original = test::ReadTextFile(input);
    const std::set<std::string> before = Names(dir.Path());

    // Every way to name the input again, each through every command that writes a file.
    const std::string inFolder = "cd '" + dir.Path() + "' && exec '" + MW_CLI + "' ";
    const std::vector<std::vector<std::string>> attempts = {
        {MW_CLI, "transcode", "-o", input, input},
        {MW_CLI, "transcode", "-o", dir.Path() + "./in.avi", input},
        {MW_CLI, "transcode", "-o", dir.Path() + "/in.avi", input},
        {MW_CLI, "transcode", "-o", dir.File("link.avi"), input},
        {MW_CLI, "transcode", "-o", dir.File("hard.avi"), input},
        {"sh", "-c", inFolder + "transcode -o ./in.avi in.avi"},
        {MW_CLI, "transcode", "--join", "-o", dir.File("link.avi"), dir.File("other.avi"), input},
        {MW_CLI, "thumbnail", input, input},
        {MW_CLI, "thumbnail", input, dir.File("hard.avi")},
        {"sh", "-c", inFolder + "thumbnail in.avi ./link.avi"},
    };
    for (const std::vector<std::string>& attempt : attempts) {
        const test::ProcessResult result = test::RunProcess(attempt);
        SCOPED_TRACE(attempt[1] + " " + attempt.back());
        EXPECT_EQ(result.ExitCode, 1) << result.Out;
        EXPECT_NE(result.Err.find("would be overwritten"), std::string::npos) << result.Err;
        EXPECT_EQ(Names(dir.Path()), before);
    }
    EXPECT_TRUE(test::ReadTextFile(input) == original);
    EXPECT_TRUE(fs::is_symlink(dir.File("link.avi")));
    EXPECT_NEAR(std::stod(test::FFprobe(input)["format.duration"]), 1.0, 0.1);
}

TEST(WholeOutputs, StoppedOrKilledRunsLeaveOnlyWholeFiles) {
    test::TempDir dir;
    constexpr double kSeconds = 12.0;
    std::vector<std::string> inputs;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        inputs.push_back(dir.File(name));
        WriteTone(inputs.back(), kSeconds);
    }
    // The moments are drawn once from a fixed seed; whatever a moment hits, the rules hold.
    std::mt19937 random(22);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
    for (int round = 0; round < 12; ++round) {
        const int signal = signals[round % 4];
        const std::string out = dir.File("out" + std::to_string(round));
        fs::create_directory(out);
        const std::string errors = dir.File("errors" + std::to_string(round));
        test::ChildProcess run(ConvertArgs(out, inputs), errors);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 900));
        run.Signal(signal);
        const int code = run.Wait();
        SCOPED_TRACE("round " + std::to_string(round) + ", signal " + std::to_string(signal));
        int whole = 0;
        for (const std::string& name : Names(out)) {
            if (signal == SIGKILL && name.starts_with(".")) {
                continue;  // a killed process cannot clean up; its file is hidden
            }
            ASSERT_TRUE(name == "a.mp3" || name == "b.mp3" || name == "c.mp3") << name;
            ExpectWholeMp3(out + "/" + name, kSeconds);
            ++whole;
        }
        // A signal that comes before the command set up its handling ends it at once.
        if (signal == SIGKILL) {
            // On a loaded machine the run may have ended before the signal came.
            EXPECT_TRUE(code == 128 + SIGKILL || (code == 0 && whole == 3)) << code;
        } else if (code == 128 + signal) {
            // Before the handling was set up nothing was written; after the run ended
            // every file was.
            EXPECT_TRUE(whole == 0 || whole == 3) << whole;
        } else {
            EXPECT_EQ(code, whole == 3 ? 0 : 1);
            // A stopped run says why its last files failed.
            EXPECT_EQ(test::ReadTextFile(errors).find("Stopped on request") != std::string::npos,
                      whole < 3);
        }
    }
    // The next run into a folder removes what a killed one left behind.
    const std::string killed = dir.File("out3");
    const test::ProcessResult again = test::RunProcess(ConvertArgs(killed, {inputs[0]}));
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    for (const std::string& name : Names(killed)) {
        EXPECT_FALSE(name.starts_with(".")) << name;
    }
}

TEST(WholeOutputs, TwoRunsIntoOneFolderNeverShareAName) {
    test::TempDir dir;
    const std::string input = dir.File("tone.wav");
    WriteTone(input, 0.3);
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::string out = dir.File("out" + std::to_string(attempt));
        fs::create_directory(out);
        test::ChildProcess first(ConvertArgs(out, {input}));
        test::ChildProcess second(ConvertArgs(out, {input}));
        ASSERT_EQ(first.Wait(), 0);
        ASSERT_EQ(second.Wait(), 0);
        ASSERT_EQ(Names(out), (std::set<std::string>{"tone.mp3", "tone(1).mp3"}))
            << "attempt " << attempt;
    }
    for (const char* name : {"out49/tone.mp3", "out49/tone(1).mp3"}) {
        ExpectWholeMp3(dir.File(name), 0.3);
    }
}

// A file system of a few hundred kilobytes, mounted for the test and gone with it.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : m_folder(folder) {
        fs::create_directory(folder);
        m_mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            umount(m_folder.c_str());
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    std::string m_folder;
    bool m_mounted = false;
};

TEST(WholeOutputs, AFullDiskFailsTheTaskAndLeavesNothingOfIt) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    test::TempDir dir;
    SmallDisk disk(dir.File("disk"));
    if (!disk.Mounted()) {
        GTEST_SKIP() << "this system refuses to mount a tmpfs here";
    }
    WriteTone(dir.File("short.wav"), 2.0);
    WriteTone(dir.File("long.wav"), 30.0);
    WriteTone(dir.File("last.wav"), 2.0);
    const test::ProcessResult run = test::RunProcess(ConvertArgs(
        dir.File("disk"), {dir.File("short.wav"), dir.File("long.wav"), dir.File("last.wav")}));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("File (1): " + dir.File("long.wav") + ": "), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("No space left on device"), std::string::npos) << run.Err;
    EXPECT_TRUE(run.Out.ends_with("Total files: 3\nSucceeded: 2\nFailed: 1\n")) << run.Out;
    EXPECT_EQ(Names(dir.File("disk")), (std::set<std::string>{"short.mp3", "last.mp3"}));
    ExpectWholeMp3(dir.File("disk/short.mp3"), 2.0);
    ExpectWholeMp3(dir.File("disk/last.mp3"), 2.0);
}

}  // namespace
}  // namespace mw
