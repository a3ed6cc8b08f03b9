#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>

#include "RunHarness.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "youtube/QualityPreference.h"
#include "youtube/YtDlpJson.h"
#include "youtube/YtDlpResolver.h"

namespace mw {
namespace {

using test::MediaAnswer;
using test::VideoSite;

// The shape of yt-dlp's answer for a watch link: formats from the worst to the best, each
// with its code, address, codecs and headers; 37 is missing.
std::string WatchAnswer(const std::string& id) {
    const std::string base =
        "http://www.youtube.com/get_video?video_id=" + id + "&t=" + VideoSite::Token(id) + "&fmt=";
    return R"({"id": ")" + id + R"(", "title": "Tom & Jerry", "formats": [
        {"format_id": "140", "url": ")" +
           base + R"(140", "ext": "m4a", "acodec": "mp4a.40.2",
         "vcodec": "none", "http_headers": {"User-Agent": "agent/1"}},
        {"format_id": "18", "url": ")" +
           base + R"(18", "ext": "mp4", "acodec": "mp4a.40.2",
         "vcodec": "avc1.42001E", "http_headers": {"User-Agent": "agent/18", "Accept": "*/*"}},
        {"format_id": "22", "url": ")" +
           base + R"(22", "ext": "webm", "acodec": "opus",
         "vcodec": "vp9", "http_headers": {"User-Agent": "agent/22"}},
        {"format_id": "137", "url": ")" +
           base + R"(137", "ext": "mp4", "acodec": "none",
         "vcodec": "avc1.640028"}
    ]})";
}

TEST(YtDlpJson, FormatCodesTheDefaultAndTheHeaders) {
    std::string problem;
    const std::optional<Resolution> watch = ParseYtDlpJson(WatchAnswer("v"), problem);
    ASSERT_TRUE(watch) << problem;
    EXPECT_EQ(watch->Title, "Tom & Jerry");
    ASSERT_EQ(watch->Formats.count(18), 1U);
    EXPECT_EQ(watch->Formats.count(37), 0U);
    EXPECT_TRUE(watch->Formats.at(18).Url.ends_with("&fmt=18"));
    EXPECT_EQ(watch->Formats.at(18).Extension, ".mp4");
    EXPECT_EQ(watch->Formats.at(18).Headers,
              (std::vector<std::string>{"Accept: */*", "User-Agent: agent/18"}));
    // The best entry with sound and picture, not the last one (picture only).
    ASSERT_TRUE(watch->Default);
    EXPECT_TRUE(watch->Default->Url.ends_with("&fmt=22"));
    EXPECT_EQ(watch->Default->Extension, ".webm");

    // Codes outside the quality table are no quality of it.
    EXPECT_EQ(watch->Formats.count(140), 0U);
    // The generic extractor names no codecs: its one format is the default.
    const std::optional<Resolution> generic = ParseYtDlpJson(
        R"({"title": "Page", "formats": [{"format_id": "0", "url": "http://h/m.mp4",
            "ext": "mp4", "acodec": null}]})",
        problem);
    ASSERT_TRUE(generic) << problem;
    EXPECT_TRUE(generic->Formats.empty());
    ASSERT_TRUE(generic->Default);
    EXPECT_EQ(generic->Default->Url, "http://h/m.mp4");

    const struct {
        const char* Text;
        const char* Problem;
    } refused[] = {
        {"not json at all", "yt-dlp printed no JSON object"},
        {"[1, 2]", "yt-dlp printed no JSON object"},
        {R"({"title": "x"})", "yt-dlp's answer lists no formats"},
        {R"({"formats": [{"format_id": "18"}, 7]})",
         "yt-dlp's answer has no format with an address"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(ParseYtDlpJson(c.Text, problem)) << c.Text;
        EXPECT_EQ(problem, c.Problem) << c.Text;
    }
}

// A yt-dlp of the test's own on the PATH: a shell script standing in for the program.
class YtDlpRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::LoadEngineLibraries(); }
    static MediaAnswer FlvAnswer() { return MediaAnswer::OfFile(test::SiteClip()); }
    static std::string Flv() { return test::SiteClip(); }

    void Script(const std::string& body) {
        const std::string path = m_bin.File("yt-dlp");
        test::WriteTextFile(path, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
    }
    std::vector<std::string> RequestsSince(std::size_t before) {
        const std::vector<std::string> all = VideoSite::Instance().MediaRequests();
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }
    test::TempDir m_bin;
    test::ScopedEnv m_path{"PATH", m_bin.Path() + ":/usr/bin:/bin"};
    test::TempDir m_dir;
    test::RunHarness m_run;
};

TEST_F(YtDlpRunTest, TheAnswerGivesTheAddressOfEachQuality) {
    VideoSite::Instance().Add(
        {"yt1",
         "from the page",
         {{"22", MediaAnswer::Of(MediaAnswer::Kind::NotFound)}, {"18", FlvAnswer()}}});
    test::WriteTextFile(m_bin.File("answer.json"), WatchAnswer("yt1"));
    Script("cat '" + m_bin.File("answer.json") + "'");
    const std::size_t before = VideoSite::Instance().MediaRequests().size();
    m_run.RunToEnd({VideoSite::Link("yt1")}, m_dir.Path(), true,
                   AttemptOrder(kBestAvailableQualityOrder));

    // 37 and 35 are missing from the answer and fail without a request.
    EXPECT_EQ(RequestsSince(before), (std::vector<std::string>{"yt1 22", "yt1 18"}));
    // Each request carries the headers the answer gives for its format.
    const std::vector<std::string> agents = VideoSite::Instance().MediaAgents();
    EXPECT_EQ(std::vector<std::string>(agents.end() - 2, agents.end()),
              (std::vector<std::string>{"agent/22", "agent/18"}));
    EXPECT_EQ(m_run.Reports, std::vector<std::string>{"Resolved by yt-dlp"});
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"Tom && Jerry.mp4"});
    test::ExpectTheSiteClip(m_dir.File("Tom && Jerry.mp4"));
    const DownloadItem& row = m_run.Run.Rows().at(0);
    EXPECT_EQ(row.URL, VideoSite::Link("yt1"));
    EXPECT_EQ(row.Status, "Finish.");
    EXPECT_NE(std::find(m_run.QualityLabels.begin(), m_run.QualityLabels.end(),
                        "[HQ37] failed, try next: [HQ22]"),
              m_run.QualityLabels.end());
}

TEST_F(YtDlpRunTest, TheDefaultQualityIsTheBestWithSoundAndPicture) {
    VideoSite::Instance().Add({"yt2", "x", {{"22", FlvAnswer()}}});
    test::WriteTextFile(m_bin.File("answer.json"), WatchAnswer("yt2"));
    Script("cat '" + m_bin.File("answer.json") + "'");
    const std::size_t before = VideoSite::Instance().MediaRequests().size();
    m_run.RunToEnd({VideoSite::Link("yt2")}, m_dir.Path(), false,
                   AttemptOrder(kDefaultQualityOrder));
    EXPECT_EQ(RequestsSince(before), std::vector<std::string>{"yt2 22"});
    // The extension of the default quality is the answer's.
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"Tom && Jerry.webm"});
}

TEST_F(YtDlpRunTest, AYtDlpThatFailsGivesWayToTheWatchPage) {
    const struct {
        const char* Id;
        std::string Body;
        std::string Says;
    } cases[] = {
        {"ytfail",
         "echo 'WARNING: a warning' >&2; echo 'ERROR: [generic] Unsupported URL' >&2; exit 1",
         "ERROR: [generic] Unsupported URL"},
        {"ytgarbage", "echo 'Traceback (most recent call last):'", "yt-dlp printed no JSON object"},
        {"ythang", "exec sleep 30", "yt-dlp gave no answer within 1 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Id);
        VideoSite::Instance().Add({c.Id, c.Id, {{"", FlvAnswer()}}});
        Script(c.Body);
        test::TempDir dir;
        test::RunHarness run;
        run.Run.YtDlp().SetTimeLimit(std::chrono::seconds(1));
        run.RunToEnd({VideoSite::Link(c.Id)}, dir.Path(), false,
                     AttemptOrder(kDefaultQualityOrder));
        ASSERT_EQ(run.Reports.size(), 2U);
        EXPECT_EQ(run.Reports[0],
                  "yt-dlp did not resolve the link (" + c.Says + "); reading the watch page");
        EXPECT_EQ(run.Reports[1], "Resolved from the watch page");
        EXPECT_EQ(VideoSite::Instance().MediaAgents().back(), "[MediaWizard]");
        EXPECT_EQ(test::FolderNames(dir.Path()),
                  std::vector<std::string>{std::string(c.Id) + ".flv"});
        test::ExpectTheSiteClip(dir.File(std::string(c.Id) + ".flv"));
    }
}

TEST_F(YtDlpRunTest, CancelDuringAResolutionKillsTheProgram) {
    const std::string pidFile = m_bin.File("pid");
    Script("echo $$ > '" + pidFile + "'; exec sleep 30");
    m_run.Run.Start({VideoSite::Link("ytcancel"), VideoSite::Link("ytcancel2")}, m_dir.Path(),
                    false, AttemptOrder(kDefaultQualityOrder));
    m_run.RunUntil([&] { return !test::ReadTextFile(pidFile).empty(); });
    const std::string pid =
        test::ReadTextFile(pidFile).substr(0, test::ReadTextFile(pidFile).find('\n'));
    ASSERT_FALSE(pid.empty());
    const auto started = std::chrono::steady_clock::now();
    m_run.Run.Cancel();
    m_run.RunUntil([] { return false; });
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(m_run.Ends, 1);
    EXPECT_EQ(m_run.Run.Failed(), 2);
    // Neither running nor left as a zombie: ps knows no such process.
    const test::ProcessResult ps = test::RunProcess({"ps", "-o", "pid=,stat=", "-p", pid});
    EXPECT_EQ(ps.Out, "") << ps.Out;
    EXPECT_TRUE(test::FolderNames(m_dir.Path()).empty());
}

// The yt-dlp that ./x setup installs, through its generic extractor: a page with a video
// element on this machine.
TEST(YtDlpProgram, ResolvesAPlainPageWithAVideo) {
    const std::string program = FindYtDlp();
    ASSERT_FALSE(program.empty()) << "./x setup installs yt-dlp";
    test::TempDir media;
    test::FixturePlan flv;
    flv.VideoCodec = "flv";
    flv.AudioCodec = "libmp3lame";
    flv.Seconds = 1.0;
    test::WriteFixture(media.File("clip.flv"), flv);
    VideoSite::Instance().Add(
        {"plainpage", "A page of its own", {{"", MediaAnswer::OfFile(media.File("clip.flv"))}}});

    HeadlessMainThread main;
    YtDlpResolver resolver;
    std::optional<Resolution> answer;
    std::string problem = "no answer";
    bool done = false;
    resolver.Start(program, VideoSite::Instance().PageUrl("plainpage"),
                   [&](const std::optional<Resolution>& got, const std::string& why) {
                       answer = got;
                       problem = why;
                       done = true;
                   });
    main.ProcessUntil([&] { return done; });
    ASSERT_TRUE(answer) << problem;
    // This yt-dlp numbers the video elements of a page in their titles.
    EXPECT_EQ(answer->Title, "A page of its own (1)");
    ASSERT_TRUE(answer->Default);
    EXPECT_EQ(answer->Default->Url,
              "http://127.0.0.1:" + std::to_string(VideoSite::Instance().Port()) +
                  "/media/plainpage.flv");
    EXPECT_EQ(answer->Default->Extension, ".flv");
    EXPECT_FALSE(resolver.Busy());
}

}  // namespace
}  // namespace mw
