#include <gtest/gtest.h>

#include <filesystem>

#include "support/DvdFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), MW_CLI);
    return test::RunProcess(args);
}

TEST(DvdConvertCommand, ConvertsTheChosenChaptersAndTrack) {
    test::TempDir dir;
    const std::string out = dir.File("out");
    const test::ProcessResult run =
        Cli({"convert", "--format", "MP4", "--out", out, "--dvd", test::DvdFixtureRoot(), "--title",
             "1", "--chapters", "2-3", "--audio", "0xC1", "--deinterlace"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_NE(run.Out.find("Succeeded: 1"), std::string::npos) << run.Out;
    const std::string output = out + "/Title1.mp4";
    ASSERT_TRUE(std::filesystem::exists(output));
    EXPECT_TRUE(test::DecodesCleanly(output));
    auto probe = test::FFprobe(output);
    EXPECT_NEAR(std::stod(probe["format.duration"]), 4.2, 0.1);
    EXPECT_EQ(probe["streams.stream.0.codec_type"], "video");
    EXPECT_EQ(probe["streams.stream.1.codec_type"], "audio");
}

TEST(DvdConvertCommand, TitlesChaptersAndStreamsTheDiscLacksFailTheCommand) {
    struct Case {
        std::vector<std::string> Args;
        std::string Says;
    };
    test::TempDir dir;
    const std::string root = test::DvdFixtureRoot();
    const std::vector<Case> cases = {
        {{"--dvd", dir.File("none/"), "--title", "1"}, "No DVD title(s) found."},
        {{"--dvd", root, "--title", "4"}, "has titles 1 to 3"},
        {{"--dvd", root, "--title", "1", "--chapters", "2-4"}, "title 1 has chapters 1 to 3"},
        {{"--dvd", root, "--title", "1", "--audio", "0x80"}, "title 1 has no audio stream 0x80"},
        {{"--dvd", root, "--title", "3", "--subtitle", "32"},
         "title 3 has no subtitle stream 0x20"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"convert", "--format", "MP4", "--out", dir.File("out")};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const test::ProcessResult run = Cli(args);
        EXPECT_EQ(run.ExitCode, 1) << c.Says;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out"))) << c.Says;
    }
}

}  // namespace
}  // namespace mw
