#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "RunHarness.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "youtube/QualityPreference.h"

namespace mw {
namespace {

using test::MediaAnswer;
using test::VideoSite;

const std::vector<int> kDefaultOrder = AttemptOrder(kDefaultQualityOrder);

class DownloadRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::LoadEngineLibraries(); }
    static std::string Flv() { return test::SiteClip(); }
    static MediaAnswer FlvAnswer() { return MediaAnswer::OfFile(test::SiteClip()); }

    VideoSite& Site() { return VideoSite::Instance(); }
    std::vector<std::string> RequestsSince(std::size_t before) {
        const std::vector<std::string> all = Site().MediaRequests();
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }

    test::TempDir m_dir;
    test::RunHarness m_run;
};

TEST_F(DownloadRunTest, WithoutThePreferenceOneTryOfTheDefaultEncoding) {
    Site().Add({"plain", "Plain video", {{"", FlvAnswer()}, {"18", FlvAnswer()}}});
    m_run.RunToEnd({VideoSite::Link("plain")}, m_dir.Path(), false, kDefaultOrder);

    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"Plain video.flv"});
    test::ExpectTheSiteClip(m_dir.File("Plain video.flv"));
    EXPECT_EQ(m_run.Run.DownloadedFiles(), std::vector<std::string>{m_dir.File("Plain video.flv")});
    EXPECT_EQ(Site().MediaRequests().back(), "plain -");
    EXPECT_EQ(m_run.QualityLabels[1], "[Default Quality - HQ5]");
    const DownloadItem& row = m_run.Run.Rows().at(0);
    EXPECT_EQ(row.Name, "Plain video");
    EXPECT_EQ(row.Status, "Finish.");
    // Over within its first second, so no progress was ever shown: the row still tells the
    // whole size and 100%.
    char size[32];
    std::snprintf(size, sizeof size, "%.2fMB",
                  static_cast<double>(std::filesystem::file_size(test::SiteClip())) / 1048576.0);
    EXPECT_EQ(row.Size, size);
    EXPECT_EQ(row.Progress, "100%");
    EXPECT_EQ(row.URL, "http://www.youtube.com/get_video?video_id=plain&&t=" +
                           VideoSite::Token("plain") + "&");
    EXPECT_EQ(m_run.Run.Total(), 1);
    EXPECT_EQ(m_run.Run.Succeeded(), 1);
    EXPECT_EQ(m_run.Run.Failed(), 0);
    EXPECT_EQ(m_run.Ends, 1);
}

TEST_F(DownloadRunTest, AFailingQualityGivesWayToTheNextInTheOrder) {
    const struct {
        const char* Id;
        MediaAnswer First;
    } cases[] = {
        {"missing18", MediaAnswer::Of(MediaAnswer::Kind::NotFound)},
        {"cut18", MediaAnswer::Of(MediaAnswer::Kind::Cut, 200000)},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::RunHarness run;
        Site().Add({c.Id, c.Id, {{"18", c.First}, {"35", FlvAnswer()}}});
        const std::size_t before = Site().MediaRequests().size();
        run.RunToEnd({VideoSite::Link(c.Id)}, dir.Path(), true, kDefaultOrder);

        const std::string saved = std::string(c.Id) + ".flv";
        EXPECT_EQ(test::FolderNames(dir.Path()), std::vector<std::string>{saved}) << c.Id;
        test::ExpectTheSiteClip(dir.File(saved));
        const std::vector<std::string> requests = RequestsSince(before);
        EXPECT_EQ(requests,
                  (std::vector<std::string>{std::string(c.Id) + " 18", std::string(c.Id) + " 35"}));
        EXPECT_EQ(
            run.QualityLabels,
            (std::vector<std::string>{"...", "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro",
                                      "[HQ18] failed, try next: [HQ35]",
                                      "[HQ35] - Format: FLV; Video: 640x360; Audio: Mono", "..."}))
            << c.Id;
        EXPECT_EQ(run.Run.Succeeded(), 1);
    }
}

TEST_F(DownloadRunTest, FileNamesFromTitlesNeverTakeAnExistingName) {
    Site().Add({"odd", "a: b?", {{"", FlvAnswer()}}});
    Site().Add({"same1", "Same", {{"", FlvAnswer()}}});
    Site().Add({"same2", "Same", {{"", FlvAnswer()}}});
    Site().AddPage("untitled",
                   "<html>video_id=untitled&&t=" + VideoSite::Token("untitled") + "&</html>");
    Site().Add({"untitled", "", {{"", FlvAnswer()}}});
    Site().AddPage("untitled2",
                   "<html>video_id=untitled&&t=" + VideoSite::Token("untitled") + "&</html>");
    test::WriteTextFile(m_dir.File("Same.flv"), "the user's own file");

    m_run.RunToEnd({VideoSite::Link("odd"), VideoSite::Link("same1"), VideoSite::Link("same2"),
                    VideoSite::Link("untitled"), VideoSite::Link("untitled2")},
                   m_dir.Path(), false, kDefaultOrder);

    EXPECT_EQ(test::FolderNames(m_dir.Path()),
              (std::vector<std::string>{"(1).flv", ".flv", "Same(1).flv", "Same(2).flv", "Same.flv",
                                        "a_ b_.flv"}));
    EXPECT_EQ(test::ReadTextFile(m_dir.File("Same.flv")), "the user's own file");
    for (const char* name : {"(1).flv", ".flv", "Same(1).flv", "Same(2).flv", "a_ b_.flv"}) {
        test::ExpectTheSiteClip(m_dir.File(name));
    }
    EXPECT_EQ(m_run.Saved,
              (std::vector<std::string>{m_dir.File("a_ b_.flv"), m_dir.File("Same(1).flv"),
                                        m_dir.File("Same(2).flv"), m_dir.File(".flv"),
                                        m_dir.File("(1).flv")}));
    EXPECT_EQ(m_run.Run.Rows().at(0).Name, "a: b?");
    EXPECT_EQ(m_run.Run.Rows().at(3).Name, "");
}

TEST_F(DownloadRunTest, ItemsFailWhenNoQualityWorksOrThePageIsMissing) {
    Site().Add({"nowhere", "Nowhere", {}});
    Site().Add({"works", "Works", {{"37", FlvAnswer()}}});
    const std::size_t before = Site().MediaRequests().size();
    m_run.RunToEnd(
        {VideoSite::Link("nowhere"), VideoSite::Link("nosuchpage"), VideoSite::Link("works")},
        m_dir.Path(), true, kDefaultOrder);

    const std::vector<std::string> requests = RequestsSince(before);
    EXPECT_EQ(requests,
              (std::vector<std::string>{"nowhere 18", "nowhere 35", "nowhere 22", "nowhere 6",
                                        "nowhere 13", "nowhere 17", "nowhere 34", "nowhere 37",
                                        "works 18", "works 35", "works 22", "works 6", "works 13",
                                        "works 17", "works 34", "works 37"}));
    EXPECT_EQ(m_run.Run.Rows().at(0).Status, "Failed.");
    EXPECT_EQ(m_run.Run.Rows().at(1).Status, "Failed.");
    EXPECT_EQ(m_run.Run.Rows().at(2).Status, "Finish.");
    // The quality of the attempt names the file: fmt 37 is MP4.
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"Works.mp4"});
    EXPECT_EQ(m_run.Run.Total(), 3);
    EXPECT_EQ(m_run.Run.Succeeded(), 1);
    EXPECT_EQ(m_run.Run.Failed(), 2);
}

TEST_F(DownloadRunTest, AFolderThatCannotBeWrittenFailsTheItemAndWritesNothing) {
    Site().Add({"unwritable", "Unwritable", {{"", FlvAnswer()}}});
    const std::string missing = m_dir.File("gone/");
    m_run.RunToEnd({VideoSite::Link("unwritable")}, missing, false, kDefaultOrder);
    EXPECT_EQ(m_run.Run.Rows().at(0).Status, "Failed.");
    EXPECT_TRUE(m_run.Run.DownloadedFiles().empty());
    EXPECT_TRUE(test::FolderNames(m_dir.Path()).empty());
}

TEST_F(DownloadRunTest, CancelInTheSecondOfThreeCountsTheRestAsFailedAndLeavesNoPart) {
    Site().Add({"first", "First", {{"", FlvAnswer()}}});
    Site().Add({"slow", "Slow", {{"", MediaAnswer::Of(MediaAnswer::Kind::Slow, 50 << 20)}}});
    Site().Add({"third", "Third", {{"", FlvAnswer()}}});
    m_run.Run.Start({VideoSite::Link("first"), VideoSite::Link("slow"), VideoSite::Link("third")},
                    m_dir.Path(), false, kDefaultOrder);
    // The first file saved and the second one's partial file beside it.
    m_run.RunUntil([&] { return test::FolderNames(m_dir.Path()).size() == 2; });
    ASSERT_TRUE(m_run.Run.Running());
    EXPECT_EQ(m_run.Run.Status().CurrentFile, "Slow");
    m_run.Run.Cancel();
    m_run.RunUntil([] { return false; });

    EXPECT_EQ(m_run.Ends, 1);
    EXPECT_TRUE(m_run.Run.Cancelled());
    EXPECT_EQ(m_run.Run.Total(), 3);
    EXPECT_EQ(m_run.Run.Succeeded(), 1);
    EXPECT_EQ(m_run.Run.Failed(), 2);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"First.flv"});
    EXPECT_EQ(m_run.Run.Rows().at(2).Status, "Waiting...");
    for (const std::string& request : Site().MediaRequests()) {
        EXPECT_NE(request, "third -");
    }
}

TEST_F(DownloadRunTest, ClosingDuringADownloadLeavesNoPartialFile) {
    Site().Add({"closing", "Closing", {{"", MediaAnswer::Of(MediaAnswer::Kind::Slow, 50 << 20)}}});
    auto run = std::make_unique<test::RunHarness>();
    run->Run.Start({VideoSite::Link("closing")}, m_dir.Path(), false, kDefaultOrder);
    run->RunUntil([&] { return test::FolderNames(m_dir.Path()).size() == 1; });
    ASSERT_TRUE(run->Run.Running());
    run.reset();
    EXPECT_TRUE(test::FolderNames(m_dir.Path()).empty());
}

}  // namespace
}  // namespace mw
