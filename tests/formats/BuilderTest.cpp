#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/UserSettings.h"
#include "engine/options/OutputFields.h"
#include "formats/FormatCatalog.h"
#include "formats/OptionBuilder.h"
#include "formats/PresetCatalog.h"
#include "support/MediaFixture.h"
#include "support/TempDir.h"

namespace mw {

void PrintTo(const OutputFieldValue& field, std::ostream* out) {
    *out << field.Name << "=" << field.Value << (field.Numeric ? " (number)" : "");
}

namespace {

struct Fitted {
    std::string FrameSize;
    int PadTop, PadBottom, PadLeft, PadRight;
    std::string AspectRatio;
};

// The picture keeps its shape as shown; the frame is shown with square pixels, or at 4:3
// for disc targets.
TEST(FitFrameSize, PicturesFitWithoutDistortion) {
    struct Case {
        int W, H, Width, Height;
        float Aspect;
        float Frame;
        Fitted Expected;
    };
    const Case cases[] = {
        {640, 480, 1280, 720, 16.0f / 9, 0, {"640*360", 60, 60, 0, 0, "1.333"}},
        {848, 480, 640, 480, 4.0f / 3, 0, {"640*480", 0, 0, 104, 104, "1.767"}},
        {320, 240, 720, 576, 16.0f / 9, 0, {"320*180", 30, 30, 0, 0, "1.333"}},
        {1280, 720, 720, 576, 16.0f / 9, 0, {"1280*720", -1, -1, -1, -1, "1.778"}},
        {320, 240, 640, 480, 0.0f, 0, {"320*240", -1, -1, -1, -1, "1.333"}},
        {480, 320, 720, 480, 1.5f, 0, {"480*320", -1, -1, -1, -1, "1.500"}},
        {368, 208, 1920, 1080, 16.0f / 9, 0, {"368*206", 0, 2, 0, 0, "1.769"}},
        {320, 240, 1280, 720, 16.0f / 9, 0, {"320*180", 30, 30, 0, 0, "1.333"}},
        {720, 576, 720, 576, 4.0f / 3, 0, {"720*540", 18, 18, 0, 0, "1.250"}},
        {720, 576, 720, 576, 4.0f / 3, 4.0f / 3, {"720*576", -1, -1, -1, -1, "1.333"}},
        {720, 576, 1280, 720, 16.0f / 9, 4.0f / 3, {"720*432", 72, 72, 0, 0, "1.333"}},
        {480, 576, 640, 480, 4.0f / 3, 4.0f / 3, {"480*576", -1, -1, -1, -1, "1.333"}},
        {320, 240, 640, 480, 4.0f / 3, 0, {"320*240", -1, -1, -1, -1, "1.333"}},
    };
    for (const Case& c : cases) {
        TOutputOptions options;
        FitFrameSize(options, c.W, c.H, c.Width, c.Height, c.Aspect, c.Frame);
        const std::string name = std::to_string(c.Width) + "x" + std::to_string(c.Height) +
                                 " into " + std::to_string(c.W) + "x" + std::to_string(c.H);
        EXPECT_EQ(options.FrameSize, c.Expected.FrameSize) << name;
        EXPECT_EQ(options.PadTop, c.Expected.PadTop) << name;
        EXPECT_EQ(options.PadBottom, c.Expected.PadBottom) << name;
        EXPECT_EQ(options.PadLeft, c.Expected.PadLeft) << name;
        EXPECT_EQ(options.PadRight, c.Expected.PadRight) << name;
        EXPECT_EQ(options.AspectRatio, c.Expected.AspectRatio) << name;
    }
}

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out");
    }

    std::string Fixture(const std::string& name, bool video, bool audio, int width = 320,
                        int height = 240, int sarNum = 0, int sarDen = 1) {
        test::FixturePlan fixture;
        fixture.Format = "matroska";
        fixture.VideoCodec = video ? "mpeg4" : "";
        fixture.AudioCodec = audio ? "libmp3lame" : "";
        fixture.Width = width;
        fixture.Height = height;
        fixture.SampleAspectNum = sarNum;
        fixture.SampleAspectDen = sarDen;
        fixture.Seconds = 0.2;
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    void Choose(const char* key, int row) {
        SelectOutputFormat(m_settings, *FindOutputFormat(key), row);
    }

    TOutputOptions Build(const std::string& input, const std::set<std::string>& taken = {}) {
        TAVProbe probe;
        EXPECT_TRUE(probe.LoadFile(input)) << probe.LastErrorMessage();
        return BuildOutputOptions(probe, m_settings, taken);
    }

    test::TempDir m_dir;
    UserSettings m_settings;
};

TEST_F(BuilderTest, OutputNamesAndExtensions) {
    const std::string holiday = Fixture("holiday.avi", true, true);
    Choose("MP3", 2);
    const std::string out = m_dir.File("out/");
    EXPECT_EQ(Build(holiday).FileName, out + "holiday.mp3");
    test::WriteTextFile(out + "holiday.mp3", "taken");
    EXPECT_EQ(Build(holiday).FileName, out + "holiday(1).mp3");
    test::WriteTextFile(out + "holiday(1).mp3", "taken");
    EXPECT_EQ(Build(holiday).FileName, out + "holiday(2).mp3");
    // A name handed out earlier in the same run is taken too.
    EXPECT_EQ(Build(holiday, {out + "holiday(2).mp3"}).FileName, out + "holiday(3).mp3");

    Choose("AVI", 3);
    EXPECT_EQ(Build(Fixture("a.b.c.vob", true, true)).FileName, out + "a.b.c.avi");
    Choose("MP4", 3);
    EXPECT_EQ(Build(Fixture("movie", true, true)).FileName, out + "movie.mp4");
    Choose("PSP", 1);
    const TOutputOptions psp = Build(holiday);
    EXPECT_EQ(psp.FileName, out + "holiday.mp4");
    EXPECT_EQ(psp.FileExt, ".mp4");
    EXPECT_EQ(psp.FileFormat, "psp");
}

TEST_F(BuilderTest, ClassDecidesTheVideoAndPresetsFillTheRecord) {
    const std::string input = Fixture("in.mkv", true, true);
    Choose("MP3", 2);
    TOutputOptions expected;
    expected.DisableVideo = true;
    expected.AudioCodec = "libmp3lame";
    expected.AudioChannels = 2;
    expected.AudioSampleRate = 48000;
    expected.AudioBitRate = 256000;
    TOutputOptions built = Build(input);
    expected.FileName = built.FileName;
    expected.FileExt = ".mp3";
    EXPECT_EQ(ChangedOutputFields(built), ChangedOutputFields(expected));

    Choose("AVI", 3);
    built = Build(input);
    EXPECT_FALSE(built.DisableVideo);
    EXPECT_EQ(built.VideoTag, "XVID");
    EXPECT_EQ(built.FrameSize, "");
    EXPECT_EQ(built.AspectRatio, "");

    Choose("IPOD", 5);
    built = Build(Fixture("vga.mkv", true, true, 640, 480));
    EXPECT_EQ(built.ExtOptions, kX264Options1);
    EXPECT_EQ(built.FrameRate, "24");
    EXPECT_EQ(built.FrameSize, "320*240");
    EXPECT_EQ(built.PadTop, -1);
    EXPECT_EQ(built.AspectRatio, "1.333");

    Choose("MP4", 0);
    built = Build(Fixture("hd.mkv", true, true, 1280, 720));
    EXPECT_EQ(built.FrameSize, "320*180");
    EXPECT_EQ(built.PadTop, 30);
    EXPECT_EQ(built.PadBottom, 30);

    // An input without a picture is not fitted.
    built = Build(Fixture("tone.mka", false, true));
    EXPECT_EQ(built.FrameSize, "");
    EXPECT_EQ(built.PadTop, -1);
}

TEST_F(BuilderTest, LosslessWmaKeepsTheInputBitRate) {
    Choose("WMA", 4);
    EXPECT_EQ(Build(Fixture("with.mkv", true, true)).AudioBitRate, 128000);
    EXPECT_EQ(Build(Fixture("silent.mkv", true, false)).AudioBitRate, -1);
    TOutputOptions join;
    ApplyPreset(*FindOutputFormat("WMA"), 4, join, std::nullopt);
    EXPECT_EQ(join.AudioBitRate, -1);
}

TEST_F(BuilderTest, NoRowChosenSetsOnlyTheFormatWideValues) {
    const std::string input = Fixture("in.mkv", true, true);
    struct Case {
        const char* Key;
        std::vector<OutputFieldValue> Fields;
    };
    const std::vector<Case> cases = {
        {"WAV", {{"DisableVideo", "1", true}}},
        {"MP3", {{"AudioCodec", "libmp3lame"}, {"DisableVideo", "1", true}}},
        {"AVI", {}},
        {"IPOD",
         {{"AudioCodec", "libfaac"},
          {"VideoCodec", "libx264"},
          {"ExtOptions", std::string(kX264Options1)}}},
        {"BLACKBERRY", {}},
        {"PSP",
         {{"FileFormat", "psp"},
          {"AudioCodec", "libfaac"},
          {"VideoCodec", "libx264"},
          {"ExtOptions", std::string(kX264Options2)}}},
    };
    for (const Case& c : cases) {
        for (int index : {-1, 99}) {
            Choose(c.Key, index);
            std::vector<OutputFieldValue> changed = ChangedOutputFields(Build(input));
            std::erase_if(changed,
                          [](const OutputFieldValue& field) { return field.Name == "FileExt"; });
            std::sort(changed.begin(), changed.end());
            std::vector<OutputFieldValue> expected = c.Fields;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(changed, expected) << c.Key << " " << index;
        }
    }
}

}  // namespace
}  // namespace mw
