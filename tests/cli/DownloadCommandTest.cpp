#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/VideoSite.h"

namespace mw {
namespace {

using test::MediaAnswer;
using test::VideoSite;

// The site is the proxy of this process, and so of the command it starts.
[[maybe_unused]] const VideoSite& g_site = VideoSite::Instance();

test::ProcessResult Download(std::vector<std::string> args) {
    args.insert(args.begin(), {MW_CLI, "download"});
    return test::RunProcess(args);
}

class DownloadCommandTest : public ::testing::Test {
protected:
    static std::string Flv() { return test::SiteClip(); }
    static MediaAnswer FlvAnswer() { return MediaAnswer::OfFile(test::SiteClip()); }

    VideoSite& Site() { return VideoSite::Instance(); }
    test::TempDir m_dir;
};

TEST_F(DownloadCommandTest, QualitiesAreTriedInTheChosenOrder) {
    Site().Add({"cli18",
                "Eighteen fails",
                {{"18", MediaAnswer::Of(MediaAnswer::Kind::NotFound)},
                 {"35", FlvAnswer()},
                 {"", FlvAnswer()}}});
    Site().Add({"cli22",
                "Hd",
                {{"22", MediaAnswer::Of(MediaAnswer::Kind::Cut, 100000)}, {"18", FlvAnswer()}}});
    struct Case {
        std::string Id;
        std::vector<std::string> Quality;
        std::string Saved;
        std::vector<std::string> Says;
    };
    const Case cases[] = {
        {"cli18",
         {},
         "Eighteen fails.flv",
         {"Quality: [HQ18] - Format: MP4; Video: 480x360; Audio: Sterro\n"
          "Attempt failed: HTTP status 404\n"
          "Quality: [HQ18] failed, try next: [HQ35]\n"
          "Status: Finish.\n"}},
        {"cli18",
         {"--quality", "default"},
         "Eighteen fails.flv",
         {"Quality: [Default Quality - HQ5]\nStatus: Finish.\n"}},
        {"cli22",
         {"--quality", "22,18"},
         "Hd.mp4",
         {"Quality: [HQ22] - Format: MP4; Video: 1280x720; Audio: Sterro\nAttempt failed: ",
          "Quality: [HQ22] failed, try next: [HQ18]\nStatus: Finish.\n"}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::vector<std::string> args = c.Quality;
        args.insert(args.end(), {"--out", dir.Path(), VideoSite::Link(c.Id)});
        const test::ProcessResult result = Download(args);
        EXPECT_EQ(result.ExitCode, 0) << c.Id << result.Err;
        EXPECT_EQ(test::FolderNames(dir.Path()), std::vector<std::string>{c.Saved}) << c.Id;
        test::ExpectTheSiteClip(dir.File(c.Saved));
        EXPECT_EQ(result.Out.rfind("Link: " + VideoSite::Link(c.Id) + "\n", 0), 0U) << result.Out;
        EXPECT_NE(result.Out.find("Resolver: Resolved from the watch page\nTitle: "),
                  std::string::npos)
            << result.Out;
        for (const std::string& part : c.Says) {
            EXPECT_NE(result.Out.find(part), std::string::npos) << c.Id << ": " << result.Out;
        }
        EXPECT_TRUE(result.Out.ends_with("Saved: " + dir.File(c.Saved) +
                                         "\nTotal files: 1\nSucceeded: 1\nFailed: 0\n"))
            << result.Out;
    }
}

TEST_F(DownloadCommandTest, AnyLinkNotSavedFailsTheCommand) {
    Site().Add({"cligood", "Good", {{"", FlvAnswer()}}});
    Site().Add({"clinone", "None", {}});
    const test::ProcessResult result = Download(
        {"--quality", "default", "--out", m_dir.File("made/here"), "http://example.com/v",
         VideoSite::Link("clinone"), VideoSite::Link("cligood"), VideoSite::Link("cligood")});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Err, "http://example.com/v: This is not a YouTube video link.\n" +
                              VideoSite::Link("cligood") +
                              ": This video is already in the download list.\n");
    EXPECT_NE(result.Out.find("Title: None\nQuality: [Default Quality - HQ5]\n"
                              "Attempt failed: HTTP status 404\nStatus: Failed.\n"),
              std::string::npos)
        << result.Out;
    EXPECT_TRUE(result.Out.ends_with("Total files: 2\nSucceeded: 1\nFailed: 1\n")) << result.Out;
    EXPECT_EQ(test::FolderNames(m_dir.File("made/here")), std::vector<std::string>{"Good.flv"});

    const test::ProcessResult missingPage =
        Download({"--out", m_dir.Path(), VideoSite::Link("nopage")});
    EXPECT_EQ(missingPage.ExitCode, 1);
    EXPECT_TRUE(
        missingPage.Out.ends_with("Status: Failed.\nTotal files: 1\nSucceeded: 0\nFailed: 1\n"))
        << missingPage.Out;

    test::WriteTextFile(m_dir.File("file"), "in the way");
    const test::ProcessResult noFolder =
        Download({"--out", m_dir.File("file/sub"), VideoSite::Link("cligood")});
    EXPECT_EQ(noFolder.ExitCode, 1);
    EXPECT_EQ(noFolder.Err,
              "Fail to create directory! Please check if output folder have the right format!\n");
    EXPECT_EQ(test::ReadTextFile(m_dir.File("file")), "in the way");
}

TEST_F(DownloadCommandTest, ConvertHandsTheSavedFilesToAConversion) {
    Site().Add({"climp3", "Song", {{"18", FlvAnswer()}}});
    const test::ProcessResult result =
        Download({"--convert", "MP3", "--out", m_dir.Path(), VideoSite::Link("climp3")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err << result.Out;
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (std::vector<std::string>{"Song.mp3", "Song.mp4"}));
    // The fmt 18 attempt names the file .mp4 whatever the site sends.
    EXPECT_TRUE(test::ReadTextFile(m_dir.File("Song.mp4")) == test::ReadTextFile(Flv()));
    EXPECT_NE(result.Out.find("Song.mp4: Finish."), std::string::npos) << result.Out;
    EXPECT_TRUE(result.Out.ends_with("Total files: 1\nSucceeded: 1\nFailed: 0\n")) << result.Out;
    const std::string mp3 = m_dir.File("Song.mp3");
    const auto probe = test::FFprobe(mp3, {"-count_packets"});
    EXPECT_EQ(probe.at("streams.stream.0.codec_name"), "mp3");
    EXPECT_EQ(probe.count("streams.stream.1.codec_name"), 0U);
    EXPECT_GT(std::stoi(probe.at("streams.stream.0.nb_read_packets")), 30);
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 1.0, 0.15);
    EXPECT_TRUE(test::DecodesCleanly(mp3));

    const test::ProcessResult nothing = Download(
        {"--quality", "37", "--convert", "MP3", "--out", m_dir.Path(), VideoSite::Link("climp3")});
    EXPECT_EQ(nothing.ExitCode, 1);
    EXPECT_EQ(nothing.Err, "No file downloaded! Please try again.\n");
    EXPECT_EQ(test::FolderNames(m_dir.Path()).size(), 2U);
}

TEST_F(DownloadCommandTest, InterruptDuringTheSecondOfThreeEndsTheRunWithoutAPart) {
    Site().Add({"clifirst", "First", {{"", FlvAnswer()}}});
    Site().Add({"clislow", "Slow", {{"", MediaAnswer::Of(MediaAnswer::Kind::Slow, 50 << 20)}}});
    Site().Add({"clithird", "Third", {{"", FlvAnswer()}}});
    const std::string folder = m_dir.File("out");
    std::filesystem::create_directory(folder);
    const std::string outPath = m_dir.File("out.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        execl(MW_CLI, MW_CLI, "download", "--quality", "default", "--out", folder.c_str(),
              VideoSite::Link("clifirst").c_str(), VideoSite::Link("clislow").c_str(),
              VideoSite::Link("clithird").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The first file saved and the second one's partial file beside it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (test::FolderNames(folder).size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string out = test::ReadTextFile(outPath);
    EXPECT_TRUE(out.ends_with("Total files: 3\nSucceeded: 1\nFailed: 2\n")) << out;
    EXPECT_EQ(out.find("clithird"), std::string::npos) << out;
    EXPECT_EQ(test::FolderNames(folder), std::vector<std::string>{"First.flv"});
    test::ExpectTheSiteClip(folder + "/First.flv");
}

TEST_F(DownloadCommandTest, YtDlpResolvesALinkWhenItIsOnThePath) {
    Site().Add({"cliytdlp", "Plain page", {{"", FlvAnswer()}}});
    // A link of another site that names the video site passes the link test.
    const std::string link = Site().PageUrl("cliytdlp") + "#www.youtube.com";
    const test::ProcessResult result =
        Download({"--quality", "default", "--out", m_dir.Path(), link});
    EXPECT_EQ(result.ExitCode, 0) << result.Err << result.Out;
    EXPECT_NE(result.Out.find("Link: " + link + "\nResolver: Resolved by yt-dlp\n"),
              std::string::npos)
        << result.Out;
    const std::vector<std::string> saved = test::FolderNames(m_dir.Path());
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0], "Plain page (1).flv");
    test::ExpectTheSiteClip(m_dir.File(saved[0]));

    // Without yt-dlp the watch page is read, and a page that has none fails.
    test::TempDir other;
    Site().Add({"clinoytdlp", "No helper", {{"", FlvAnswer()}}});
    test::ProcessResult withoutIt;
    {
        const test::ScopedEnv path("PATH", other.Path());
        withoutIt = Download(
            {"--quality", "default", "--out", other.Path(), VideoSite::Link("clinoytdlp")});
    }
    EXPECT_EQ(withoutIt.ExitCode, 0) << withoutIt.Err;
    EXPECT_NE(withoutIt.Out.find("Link: " + VideoSite::Link("clinoytdlp") +
                                 "\nResolver: Resolved from the watch page\nTitle: No helper\n"),
              std::string::npos)
        << withoutIt.Out;
    test::ExpectTheSiteClip(other.File("No helper.flv"));
}

}  // namespace
}  // namespace mw
