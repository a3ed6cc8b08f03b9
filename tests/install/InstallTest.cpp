#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAppId = "org.mediawizard.MediaWizard";

// Every path below the folder, relative to it; links are listed, not followed.
std::set<std::string> TreeOf(const fs::path& root) {
    std::set<std::string> paths;
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::end(entry); ++entry) {
        paths.insert(entry->path().lexically_relative(root).string());
    }
    return paths;
}

// One install into a fresh prefix, shared by the tests of this file.
class InstallTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefix = new test::TempDir;
        s_install = new test::ProcessResult(
            test::RunProcess({MW_CMAKE, "--install", MW_BUILD_DIR, "--prefix", s_prefix->Path()}));
    }
    static void TearDownTestSuite() {
        delete s_install;
        delete s_prefix;
    }
    void SetUp() override { ASSERT_EQ(s_install->ExitCode, 0) << s_install->Out << s_install->Err; }

    static fs::path Prefix() { return s_prefix->Path(); }

    static test::TempDir* s_prefix;
    static test::ProcessResult* s_install;
};

test::TempDir* InstallTest::s_prefix = nullptr;
test::ProcessResult* InstallTest::s_install = nullptr;

TEST_F(InstallTest, TheProgramDirectoryCommandsAndDesktopFilesAndNothingElse) {
    const fs::path program = Prefix() / "lib/mediawizard";
    // Everything the build laid out, links between the help pages included.
    const std::set<std::string> built = TreeOf(MW_PROGRAM_DIR);
    EXPECT_EQ(TreeOf(program), built);
    for (const std::string& path : built) {
        const fs::path original = fs::path(MW_PROGRAM_DIR) / path;
        if (fs::is_symlink(original)) {
            EXPECT_TRUE(fs::is_symlink(program / path)) << path;
            EXPECT_EQ(fs::read_symlink(program / path), fs::read_symlink(original)) << path;
        }
    }

    std::set<std::string> outside;
    for (const std::string& path : TreeOf(Prefix())) {
        if (!path.starts_with("lib/mediawizard")) {
            outside.insert(path);
        }
    }
    const std::string icon = std::string("share/icons/hicolor/64x64/apps/") + kAppId + ".png";
    EXPECT_EQ(outside, (std::set<std::string>{
                           "bin",
                           "bin/mediawizard",
                           "bin/mediawizard-cli",
                           "lib",
                           "share",
                           "share/applications",
                           std::string("share/applications/") + kAppId + ".desktop",
                           "share/icons",
                           "share/icons/hicolor",
                           "share/icons/hicolor/64x64",
                           "share/icons/hicolor/64x64/apps",
                           icon,
                           "share/metainfo",
                           std::string("share/metainfo/") + kAppId + ".metainfo.xml",
                       }));
    for (const char* command : {"mediawizard", "mediawizard-cli"}) {
        EXPECT_TRUE(fs::equivalent(Prefix() / "bin" / command, program / command)) << command;
    }
}

TEST_F(InstallTest, DesktopEntryAndMetadataValidate) {
    const std::string entry = (Prefix() / "share/applications" / kAppId).string() + ".desktop";
    const test::ProcessResult desktop = test::RunProcess({"desktop-file-validate", entry});
    EXPECT_EQ(desktop.ExitCode, 0) << desktop.Out << desktop.Err;
    EXPECT_EQ(desktop.Out + desktop.Err, "");

    const std::string metainfo = (Prefix() / "share/metainfo" / kAppId).string() + ".metainfo.xml";
    const test::ProcessResult appstream =
        test::RunProcess({"appstreamcli", "validate", "--no-net", metainfo});
    EXPECT_EQ(appstream.ExitCode, 0) << appstream.Out << appstream.Err;
}

TEST_F(InstallTest, TheInstalledCommandFindsItsDirectoryAndConverts) {
    const std::string cli = (Prefix() / "bin/mediawizard-cli").string();
    const test::ProcessResult edition = test::RunProcess({cli, "edition"});
    EXPECT_EQ(edition.ExitCode, 0) << edition.Err;
    EXPECT_NE(edition.Out.find("Name:           MediaWizard\n"), std::string::npos) << edition.Out;
    EXPECT_NE(edition.Out.find((Prefix() / "lib/mediawizard/sounds/res0/").string()),
              std::string::npos)
        << edition.Out;

    test::TempDir dir;
    test::FixturePlan song;
    song.AudioCodec = "pcm_s16le";
    song.Seconds = 1.0;
    test::WriteFixture(dir.File("song.wav"), song);
    const test::ProcessResult converted = test::RunProcess(
        {cli, "convert", "--format", "MP3", "--out", dir.File("out"), dir.File("song.wav")});
    ASSERT_EQ(converted.ExitCode, 0) << converted.Out << converted.Err;
    EXPECT_TRUE(converted.Out.ends_with("Total files: 1\nSucceeded: 1\nFailed: 0\n"))
        << converted.Out;

    const std::string out = dir.File("out/song.mp3");
    auto probe = test::FFprobe(out, {"-count_packets"});
    EXPECT_EQ(probe["streams.stream.0.codec_name"], "mp3");
    EXPECT_EQ(probe["streams.stream.0.channels"], "2");
    EXPECT_GT(std::stoi(probe["streams.stream.0.nb_read_packets"]), 30);
    EXPECT_NEAR(std::stod(probe["format.duration"]), 1.0, 0.1);
    EXPECT_EQ(probe.count("streams.stream.1.codec_name"), 0u);
    const test::ProcessResult decoded =
        test::RunProcess({"ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"});
    EXPECT_EQ(decoded.ExitCode, 0);
    EXPECT_EQ(decoded.Err, "");
}

}  // namespace
}  // namespace mw
