#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "DvdTestSupport.h"
#include "support/DvdFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using namespace mw::dvd;

// Where a stream's decoded frames start and end, in seconds, and how many there are.
struct Span {
    double Start = 1e9;
    double End = -1e9;
    int Frames = 0;
};

// The spans of a program stream's streams by the ids ffprobe gives them.
std::map<int, Span> StreamSpans(const std::string& path) {
    const test::ProcessResult streams = test::RunProcess(
        {"ffprobe", "-v", "error", "-show_entries", "stream=index,id", "-of", "csv=p=0", path});
    EXPECT_EQ(streams.ExitCode, 0) << streams.Err;
    std::map<int, int> ids;
    std::istringstream streamLines(streams.Out);
    std::string line;
    while (std::getline(streamLines, line)) {
        int index = 0;
        unsigned id = 0;
        if (std::sscanf(line.c_str(), "%d,0x%x", &index, &id) == 2) {
            ids[index] = static_cast<int>(id);
        }
    }
    const test::ProcessResult frames =
        test::RunProcess({"ffprobe", "-v", "error", "-show_entries",
                          "frame=stream_index,best_effort_timestamp_time,pkt_duration_time", "-of",
                          "csv=p=0", path});
    EXPECT_EQ(frames.ExitCode, 0) << frames.Err;
    std::map<int, Span> spans;
    std::istringstream frameLines(frames.Out);
    while (std::getline(frameLines, line)) {
        int index = 0;
        double time = 0, duration = 0;
        if (std::sscanf(line.c_str(), "%d,%lf,%lf", &index, &time, &duration) == 3) {
            Span& span = spans[ids[index]];
            span.Start = std::min(span.Start, time);
            span.End = std::max(span.End, time + duration);
            ++span.Frames;
        }
    }
    return spans;
}

// Reads the whole open chapter stream into a file, in the largest requests the reader takes.
void ReadStream(DVDPlugIn& plugIn, const TDVDChapterStream& info, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> buffer(static_cast<std::size_t>(kMaxReadSectors) * kSectorSize);
    std::uint32_t sector = 0;
    while (true) {
        const int read = plugIn.DVDReadChapters(sector, kMaxReadSectors, buffer.data());
        ASSERT_GE(read, 0);
        if (read == 0) {
            break;
        }
        out.write(buffer.data(), std::streamsize{read} * kSectorSize);
        sector += static_cast<std::uint32_t>(read);
    }
    EXPECT_EQ(sector, static_cast<std::uint32_t>(info.SectorCount));
}

TEST(DvdChapters, ARangeReadsAsOneProgramStreamWithTheWindowsOfItsChapters) {
    struct Case {
        int Title, From, To;
        std::vector<int> AudioIds;  // as ffprobe writes them
    };
    const std::vector<Case> cases = {
        {0, 0, 2, {0x1C0, 0x1C1}},  // a whole title of three cells in one VOB
        {0, 1, 2, {0x1C0, 0x1C1}},  // starting at a chapter amid the VOB
        {0, 1, 1, {0x1C0, 0x1C1}},  // one chapter amid the VOB, ending before the next
        {1, 0, 1, {0x1C0}},         // two cells from two files, each with its own clock
        {2, 0, 0, {0x80, 0xA0}},    // NTSC, AC-3 and LPCM
    };
    const std::string root = test::DvdFixtureRoot();
    test::TempDir dir;
    DVDPlugIn plugIn = test::ProgramPlugIn();
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    ASSERT_EQ(plugIn.DVDEnumTitle(root), 3);
    for (const Case& c : cases) {
        SCOPED_TRACE("title " + std::to_string(c.Title + 1) + " chapters " +
                     std::to_string(c.From + 1) + "-" + std::to_string(c.To + 1));
        TDVDTitle record;
        ASSERT_TRUE(plugIn.DVDGetTitle(c.Title, record));
        double length = 0;
        for (int chapter = c.From; chapter <= c.To; ++chapter) {
            length += record.Chapters[chapter];
        }
        TDVDChapterStream info;
        ASSERT_TRUE(plugIn.DVDOpenChapters(c.Title, c.From, c.To, info)) << plugIn.LastTitleError();
        EXPECT_NEAR(info.Length, length, 0.05);
        const std::string path = dir.File("range.mpg");
        ReadStream(plugIn, info, path);

        // The disc's own audio has damaged frames, so only a failing decode counts.
        const test::ProcessResult decoded = test::RunProcess(
            {"ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-map", "0:a", "-f", "null", "-"});
        EXPECT_EQ(decoded.ExitCode, 0) << decoded.Err;
        const std::map<int, Span> spans = StreamSpans(path);
        ASSERT_TRUE(spans.contains(0x1E0));
        const Span& video = spans.at(0x1E0);
        const double rate = record.Norm == 0 ? 25.0 : 30000.0 / 1001.0;
        EXPECT_NEAR(video.Frames, length * rate, 1.0);

        // The windows cover the stream in order, from where its pictures start, for as long as
        // the chapters play.
        const std::vector<TDVDStreamWindow> windows = plugIn.DVDGetChapterWindows();
        ASSERT_FALSE(windows.empty());
        std::int32_t sector = 0;
        for (const TDVDStreamWindow& window : windows) {
            EXPECT_EQ(window.FirstSector, sector);
            EXPECT_LT(window.Start, window.End);
            sector += window.SectorCount;
        }
        EXPECT_EQ(sector, info.SectorCount);
        EXPECT_NEAR(windows.front().Start, video.Start, 0.001);
        EXPECT_NEAR(windows.back().End - windows.front().Start, length, 0.05);
        for (const int id : c.AudioIds) {
            SCOPED_TRACE("audio " + std::to_string(id));
            ASSERT_TRUE(spans.contains(id));
            // The audio the chapters play is there whole, and little beyond it.
            const Span& audio = spans.at(id);
            EXPECT_LE(audio.Start, windows.front().Start + 0.001);
            EXPECT_GE(audio.Start, windows.front().Start - 0.6);
            EXPECT_GE(audio.End, windows.back().End - 0.03);
            EXPECT_LE(audio.End, windows.back().End + 0.6);
        }
    }
}

TEST(DvdChapters, RangesTheTitleDoesNotHaveAreRefusedAndTheEndReadsEmpty) {
    struct Case {
        int Title, From, To;
    };
    const std::vector<Case> refused = {{0, 1, 0}, {0, 0, 3}, {0, -1, 0}, {3, 0, 0}, {-1, 0, 0}};
    DVDPlugIn plugIn = test::ProgramPlugIn();
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    ASSERT_EQ(plugIn.DVDEnumTitle(test::DvdFixtureRoot()), 3);
    TDVDChapterStream info;
    for (const Case& c : refused) {
        SCOPED_TRACE(std::to_string(c.Title) + ":" + std::to_string(c.From) + "-" +
                     std::to_string(c.To));
        EXPECT_FALSE(plugIn.DVDOpenChapters(c.Title, c.From, c.To, info));
        EXPECT_FALSE(plugIn.LastTitleError().empty());
    }
    ASSERT_TRUE(plugIn.DVDOpenChapters(0, 2, 2, info));
    std::vector<char> buffer(static_cast<std::size_t>(kMaxReadSectors) * kSectorSize);
    const auto end = static_cast<std::uint32_t>(info.SectorCount);
    EXPECT_EQ(plugIn.DVDReadChapters(end, 1, buffer.data()), 0);
    EXPECT_EQ(plugIn.DVDReadChapters(end - 1, kMaxReadSectors, buffer.data()), 1);
    EXPECT_EQ(plugIn.DVDReadChapters(0, kMaxReadSectors + 1, buffer.data()), -1);
}

}  // namespace
}  // namespace mw
