#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "dvd/DvdTitles.h"

namespace mw {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using namespace mw::dvd;

TDVDTitle Blank() {
    TDVDTitle record;
    std::memset(&record, 0, sizeof record);
    return record;
}

TEST(DvdTitles, ChapterRangeKeepsFromAtMostTo) {
    struct Case {
        int Count;
        char Which;  // 'f' sets From, 't' sets To
        int Value;
        int From;
        int To;
    };
    const Case cases[] = {
        {8, 'f', 5, 5, 8},  // within the range
        {8, 't', 3, 1, 3},  // within the range
        {12, 'f', 13, 12, 12},
        {12, 't', 0, 1, 1},  // clamped to 1 .. count
    };
    for (const Case& c : cases) {
        ChapterRange range = ChapterRange::Whole(c.Count);
        (c.Which == 'f' ? range.SetFrom(c.Value) : range.SetTo(c.Value));
        EXPECT_EQ(range.From, c.From) << c.Which << c.Value;
        EXPECT_EQ(range.To, c.To) << c.Which << c.Value;
    }
    ChapterRange range = ChapterRange::Whole(8);
    range.SetTo(3);
    range.SetFrom(5);  // From above To moves To up with it
    EXPECT_EQ(range.To, 5);
    range.SetTo(2);  // To below From moves From down with it
    EXPECT_EQ(range.From, 2);
}

TEST(DvdTitles, StreamChoicesEndWithDisable) {
    TDVDTitle record = Blank();
    record.AudioCount = 2;
    record.Audio[0].Id = 0x80;
    std::strcpy(record.Audio[0].LanguageName, "English");
    record.Audio[1].Id = 0xC1;
    std::strcpy(record.Audio[1].LanguageName, "German");
    EXPECT_THAT(AudioChoices(record), ElementsAre(Field(&StreamChoice::Text, "English[0x80]"),
                                                  Field(&StreamChoice::Text, "German[0xC1]"),
                                                  Field(&StreamChoice::Text, "Disable")));
    EXPECT_EQ(AudioChoices(record).back().Id, 0);
    EXPECT_THAT(SubtitleChoices(record), ElementsAre(Field(&StreamChoice::Text, "Disable")));
}

// A record from a plug-in that breaks its own limits: counts beyond the arrays, fields
// without a terminating zero, an unknown code, too many chapters to list.
TEST(DvdTitles, ReportStaysWithinTheRecord) {
    TDVDTitle record = Blank();
    record.Length = 7384.256;
    record.VideoType = 9;
    record.Norm = 5;
    record.Aspect = 7;
    record.AudioCount = 40;
    record.SubtitleCount = 33;
    std::memset(record.Audio[0].LanguageName, 'x', sizeof record.Audio[0].LanguageName);
    record.ChapterCount = 100;

    EXPECT_EQ(TitleCaption(0, record), "Title #1 Length: 2:03:04");
    const std::vector<std::string> lines = TitleReport(1, record);
    EXPECT_EQ(lines[0], "Title #1 Length: 7384.26");
    EXPECT_EQ(lines[1],
              "  Video Type[Unknown], ID[0x0], Frame Size[0x0], Norm[Unknown], Aspect[Unknown]");
    EXPECT_EQ(lines[2], "  AduioCount: 40");
    EXPECT_EQ(lines[3],
              "    Audio #0 Type[Unknown], ID[0x0], SampleRate[0], Channels[0], "
              "Language[, " +
                  std::string(64, 'x') + "]");
    EXPECT_EQ(lines[3 + 8], "  SubtitleCount: 33");
    EXPECT_EQ(lines[3 + 8 + 1 + 32], "  ChapterCount: 100");
    EXPECT_EQ(lines.back(), "  IsValid: False");
    EXPECT_EQ(lines.size(), 3u + 8 + 1 + 32 + 1 + 1);
    EXPECT_EQ(AudioChoices(record).size(), 9u);
}

TEST(DvdTitles, RowTextsNameRootTitleChaptersAndStreams) {
    DvdTitleChoice choice;
    choice.Root = "/media/disc/";
    choice.TitleIndex = 1;
    choice.ChapterFrom = 0;
    choice.ChapterTo = 11;
    choice.AudioText = "English[0x80]";
    choice.SubtitleText = "Disable";
    const DvdRowTexts texts = DvdRowCaption(choice);
    EXPECT_EQ(texts.FileMinName, "DVD Root: /media/disc/; Title: 2");
    EXPECT_EQ(texts.Duration, "Chapter from 1 to 12");
    EXPECT_EQ(texts.BitRate, "Audio ID: English[0x80]");
    EXPECT_EQ(texts.Dimension, "Subtitle ID: Disable");
}

}  // namespace
}  // namespace mw
