#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>

#include "engine/EngineError.h"
#include "engine/options/ExtOptions.h"
#include "engine/options/LegacyOptions.h"
#include "engine/options/RecordApplication.h"
#include "engine/task/CustomFFmpeg.h"
#include "support/Errors.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using test::ErrorOf;

TEST(ExtOptions, LinesGroupsAndLineBreaks) {
    const auto lines = ParseExtOptions(
        "  "
        "\r\nVCodec=libx264\r\nflags=+loop<CRLF>cmp=+chroma\rvpre=hq\nan\nmetadata=title=a=b\r\n ");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].Name, "vcodec");
    EXPECT_EQ(lines[0].Value, "libx264");
    EXPECT_EQ(lines[1].Name, "flags");
    EXPECT_EQ(lines[2].Value, "+chroma");
    EXPECT_EQ(lines[4].Name, "an");
    EXPECT_EQ(lines[4].Value, "");
    EXPECT_EQ(lines[5].Value, "title=a=b");
    EXPECT_EQ(GroupOf("vcodec"), OptionGroup::CodecNames);
    EXPECT_EQ(GroupOf("vpre"), OptionGroup::Presets);
    EXPECT_EQ(GroupOf("s"), OptionGroup::FrameSize);
    EXPECT_EQ(GroupOf("vfilters"), OptionGroup::Filters);
    EXPECT_EQ(GroupOf("newaudio"), OptionGroup::NewStreams);
    EXPECT_EQ(GroupOf(""), OptionGroup::Other);
    EXPECT_TRUE(ParseExtOptions(" \r\n\t").empty());
}

TEST(LegacyOptions, OldX264NamesMapToCurrentOnes) {
    LegacyOptionState state;
    struct Case {
        const char* Name;
        const char* Value;
        std::vector<NamedOption> Expected;
    };
    const std::vector<Case> cases = {
        {"flags2",
         "+mixed_refs+wpred+dct8x8+fastpskip+mbtree",
         {{"mixed-refs", "1"},
          {"weightb", "1"},
          {"8x8dct", "1"},
          {"fast-pskip", "1"},
          {"mbtree", "1"}}},
        {"flags2", "-bpyramid-wpred", {{"b-pyramid", "none"}, {"weightb", "0"}}},
        {"flags2", "+fast", {{"flags2", "+fast"}}},
        {"partitions",
         "+parti8x8+parti4x4+partp8x8+partb8x8",
         {{"partitions", "i8x8,i4x4,p8x8,b8x8"}}},
        {"partitions", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8", {{"partitions", "none"}}},
        {"partitions",
         "-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8",
         {{"partitions", "i4x4,p8x8"}}},
        {"directpred", "3", {{"direct-pred", "3"}}},
        {"cqp", "0", {{"qp", "0"}}},
        {"me_method", "epzs", {{"motion-est", "dia"}}},
        {"me_method", "umh", {{"motion-est", "umh"}}},
        {"wpredp", "2", {{"weightp", "2"}}},
        {"deblockalpha", "-1", {{"deblock", "-1:0"}}},
        {"deblockbeta", "-2", {{"deblock", "-1:-2"}}},
        {"subq", "7", {{"subq", "7"}}},
    };
    for (const Case& c : cases) {
        const std::vector<NamedOption> mapped = MapLegacyOption(c.Name, c.Value, state);
        ASSERT_EQ(mapped.size(), c.Expected.size()) << c.Name << "=" << c.Value;
        for (std::size_t i = 0; i < mapped.size(); ++i) {
            EXPECT_EQ(mapped[i].Name, c.Expected[i].Name) << c.Name << "=" << c.Value;
            EXPECT_EQ(mapped[i].Value, c.Expected[i].Value) << c.Name << "=" << c.Value;
        }
    }
}

class OptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        m_task.Reset();
    }
    TCustomFFmpeg m_task;
    test::TempDir m_dir;
};

TEST_F(OptionTest, QuotedErrorsOfTheOptionTable) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { m_task.SetOption("threads", "2"); }, "TODO: option - threads"},
        {[&] { m_task.ApplyExtOptions("threads=2", OptionGroup::Other); },
         "TODO: option - threads"},
        {[&] { m_task.SetOption("vpre", "no-such-preset"); },
         "Preset \"no-such-preset\" not found"},
        {[&] { m_task.SetOption("s", "huge"); }, "Incorrect frame size"},
        {[&] { m_task.SetOption("r", "fast"); }, "Incorrect frame rate"},
        {[&] { m_task.SetOption("aspect", "0"); }, "Incorrect aspect ratio specification."},
        {[&] { m_task.SetOption("aspect", "4:0"); }, "Incorrect aspect ratio specification."},
        {[&] { m_task.SetOption("qscale", "0"); }, "qscale must be > 0.0 and <= 255"},
        {[&] { m_task.SetOption("pass", "3"); }, "pass number can be only 1 or 2"},
        {[&] { m_task.SetOption("vtag", "XVI"); }, "video tag parameter must be 4 chars"},
        {[&] { m_task.SetOption("atag", "mp3xx"); }, "audio tag parameter must be 4 chars"},
        {[&] { m_task.SetOption("stag", ""); }, "subtitle tag parameter must be 4 chars"},
        {[&] { m_task.SetOption("pix_fmt", "nonesuch"); },
         "Unknown pixel format requested: nonesuch"},
        {[&] { m_task.SetOption("croptop", "10"); },
         "Vertical crop dimensions are outside the range of the original image.\n"
         "Remember to crop first and scale second."},
        {[&] { m_task.SetOption("cropleft", "2"); },
         "Horizontal crop dimensions are outside the range of the original image.\n"
         "Remember to crop first and scale second."},
        {[&] { m_task.SetOption("metadata", "novalue"); }, "Missing ="},
        {[&] { m_task.SetOption("vbsf", "no_such_bsf"); }, "Unknown bitstream filter no_such_bsf"},
        {[&] { m_task.SetOption("itsscale", "20:2.0"); }, "stream index over MAX_STREAMS(20)"},
        {[&] { m_task.SetOption("target", "pal-laserdisc"); }, "Unknown target type"},
        {[&] { m_task.SetOption("t", "soon"); }, "Invalid duration specification for t: soon"},
        {[&] { m_task.SetOption("timestamp", "yesterday"); },
         "Invalid date specification for timestamp: yesterday"},
        {[&] { m_task.SetOption("intra_matrix", "1,2,x"); },
         "Syntax error in matrix \"1,2,x\" at coeff 2"},
        {[&] { m_task.SetOption("newvideo", ""); }, "At least one output file must be specified"},
        {[&] { m_task.SetOption("vhook", "/lib/hook.so -arg"); },
         "Failed to add video hook function: /lib/hook.so -arg"},
        {[&] {
             m_task.SetOption("g", "12");
             m_task.SetOption("v", "loud");
         },
         "'loud' is not a valid integer value"},
        {[&] {
             TOutputOptions dvd;
             dvd.TargetType = 3;
             ApplyOutputRecord(m_task, dvd);
         },
         "frame_rate is invalid."},
        {[&] {
             m_task.SetOption("vcodec", "libx264");
             m_task.SetOption("vpre", "default");
             m_task.SetOption("vpre", "HQ");
             m_task.SetOption("fpre", m_dir.File("missing.ffpreset"));
         },
         "Preset \"" + m_dir.File("missing.ffpreset") + "\" not found"},
    };
    for (const auto& [call, message] : cases) {
        EXPECT_EQ(ErrorOf(call), message);
    }
}

// Each kind of value reaches its pending setting the way the kind reads text.
TEST_F(OptionTest, ValuesReadByTheirKind) {
    const TaskSettings& s = m_task.Settings();
    struct Case {
        const char* Name;
        const char* Value;
        std::function<bool()> Holds;
    };
    const Case cases[] = {
        {"copyts", "0", [&] { return s.CopyTs; }},
        {"xerror", "", [&] { return s.ExitOnError; }},
        {"shortest", "0", [&] { return !s.Shortest; }},
        {"shortest", "yes", [&] { return s.Shortest; }},
        {"fs", "5000000000", [&] { return s.LimitFileSize == 5000000000LL; }},
        {"vframes", "12", [&] { return s.MaxVideoFrames == 12; }},
        {"ss", "1:30.5", [&] { return s.StartTime == 90500000; }},
        {"itsoffset", "2", [&] { return s.InputTsOffset == 2000000; }},
        {"muxpreload", "0.44", [&] { return s.MuxPreload == 0.44f; }},
        {"vfilters", "hflip,vflip", [&] { return s.VideoFilters == "hflip,vflip"; }},
        {"acodec", "copy", [&] { return s.AudioCopy && s.AudioCodecName.empty(); }},
        {"ar", "-1", [&] { return s.SampleRate == 44100; }},
        {"padright", "8", [&] { return s.PadRight == 8; }},
        {"timestamp", "1970-01-02 00:00:00Z", [&] { return s.RecordingTimestamp == 86400; }},
    };
    for (const Case& c : cases) {
        m_task.SetOption(c.Name, c.Value);
        EXPECT_TRUE(c.Holds()) << c.Name << "=" << c.Value;
    }
    EXPECT_EQ(ErrorOf([&] { m_task.SetOption("vframes", "5000000000"); }),
              "'5000000000' is not a valid integer value");
    EXPECT_EQ(ErrorOf([&] { m_task.SetOption("muxdelay", "soon"); }),
              "'soon' is not a valid floating point value");
    EXPECT_EQ(ErrorOf([&] { m_task.SetOption("ss", "soon"); }),
              "Invalid duration specification for ss: soon");
}

TEST_F(OptionTest, PresetFilesAndTheirErrors) {
    test::WriteTextFile(m_dir.File("good.ffpreset"),
                        "vcodec=mpeg4\r\n  b=800k  \r\n\r\nflags='+qpel'\n");
    test::WriteTextFile(m_dir.File("syntax.ffpreset"), "b=800k\n=5\n");
    test::WriteTextFile(m_dir.File("invalid.ffpreset"), "g=many\n");
    EXPECT_EQ(ErrorOf([&] { m_task.SetOption("fpre", m_dir.File("syntax.ffpreset")); }),
              m_dir.File("syntax.ffpreset") + ": Invalid syntax: \"=5\"");
    EXPECT_EQ(ErrorOf([&] { m_task.SetOption("fpre", m_dir.File("invalid.ffpreset")); }),
              m_dir.File("invalid.ffpreset") +
                  ": Invalid option or argument: \"g=many\", parsed as \"g\" = \"many\"");
    // Quoted values reach the library with their quotes (and are refused there).
    EXPECT_NE(ErrorOf([&] {
                  m_task.SetOption("fpre", m_dir.File("good.ffpreset"));
              }).find("parsed as \"flags\" = \"'+qpel'\""),
              std::string::npos);
    EXPECT_EQ(m_task.Settings().VideoCodecName, "mpeg4");
}

TEST_F(OptionTest, RecordFieldsWinOverTheOptionText) {
    const std::string input = m_dir.File("in.mp4");
    test::FixturePlan fixture;
    fixture.VideoCodec = "libx264";
    fixture.AudioCodec = "aac";
    test::WriteFixture(input, fixture);
    ASSERT_TRUE(m_task.OpenInput(input));
    TOutputOptions options;
    options.FrameSize = "320x240";
    options.AudioSync = 0;
    options.ExtOptions = "s=640x480\r\nasync=1\r\nVCodec=mpeg4\r\naq=4.97";
    ApplyOutputRecord(m_task, options);
    EXPECT_EQ(m_task.Settings().FrameWidth, 320);
    EXPECT_EQ(m_task.Settings().FrameHeight, 240);
    EXPECT_EQ(m_task.Settings().AudioSync, 0);
    EXPECT_EQ(m_task.Settings().VideoCodecName, "mpeg4");
    EXPECT_FLOAT_EQ(m_task.Settings().AudioQuality, 4.97f);
    // The name is matched exactly by the dispatcher: "VCodec" falls through and is ignored.
    m_task.SetOption("VCodec", "libx264");
    EXPECT_EQ(m_task.Settings().VideoCodecName, "mpeg4");
    m_task.SetOption("padcolor", "0");
    EXPECT_EQ(m_task.Settings().PadColorY, 0);
    EXPECT_EQ(m_task.Settings().PadColorU, 128);
    EXPECT_EQ(m_task.Settings().PadColorV, 128);
    m_task.SetOption("padcolor", std::to_string(0x0000FF));
    EXPECT_EQ(m_task.Settings().PadColorY, 76);
}

TEST_F(OptionTest, TheRecordTimeStampCountsLocalDays) {
    std::tm fields{};
    fields.tm_year = 110;  // 2010-01-02 03:04:05
    fields.tm_mday = 2;
    fields.tm_hour = 3;
    fields.tm_min = 4;
    fields.tm_sec = 5;
    fields.tm_isdst = -1;
    const std::int64_t local = std::mktime(&fields);
    TOutputOptions options;
    options.Metadata.Timestamp = 40180.0 + (3 * 3600 + 4 * 60 + 5) / 86400.0;
    ApplyOutputRecord(m_task, options);
    EXPECT_EQ(m_task.Settings().RecordingTimestamp, local);

    const std::int64_t before = std::time(nullptr);
    options.Metadata.Timestamp = 0.0;
    ApplyOutputRecord(m_task, options);
    EXPECT_GE(m_task.Settings().RecordingTimestamp, before);
    EXPECT_LE(m_task.Settings().RecordingTimestamp, std::time(nullptr));
}

TEST_F(OptionTest, TargetsFollowTheNorm) {
    TOutputOptions dvd;
    dvd.TargetType = 3;
    dvd.TargetNorm = 1;
    ApplyOutputRecord(m_task, dvd);
    EXPECT_EQ(m_task.Settings().FrameWidth, 720);
    EXPECT_EQ(m_task.Settings().FrameHeight, 576);
    EXPECT_EQ(m_task.Settings().FrameRate.num, 25);
    EXPECT_EQ(m_task.Settings().VideoCodecName, "mpeg2video");
    EXPECT_EQ(m_task.Settings().AudioCodecName, "ac3");
    EXPECT_EQ(m_task.Settings().SampleRate, 48000);
    EXPECT_NEAR(m_task.Settings().FrameAspect, 16.0 / 9.0, 1e-9);

    m_task.Reset();
    m_task.SetOption("r", "30000/1001");
    m_task.SetOption("target", "vcd");
    EXPECT_EQ(m_task.Settings().FrameHeight, 240);
    m_task.SetOption("target", "pal-svcd");
    EXPECT_EQ(m_task.Settings().FrameWidth, 480);
    EXPECT_EQ(m_task.Settings().FrameHeight, 576);
}

TEST_F(OptionTest, SetUpErrorsAreReportedAsTheTaskError) {
    const std::string input = m_dir.File("in.mp4");
    test::FixturePlan fixture;
    fixture.VideoCodec = "libx264";
    test::WriteFixture(input, fixture);
    const std::string audioOnly = m_dir.File("tone.mp3");
    test::FixturePlan tone;
    tone.AudioCodec = "libmp3lame";
    test::WriteFixture(audioOnly, tone);

    EXPECT_FALSE(m_task.OpenInput(m_dir.File("missing.avi")));
    EXPECT_EQ(m_task.ErrorText(), m_dir.File("missing.avi") + ": no such file or directory");
    m_task.SetOption("vcodec", "no-such-decoder");
    EXPECT_FALSE(m_task.OpenInput(input));
    EXPECT_EQ(m_task.ErrorText(), "Unknown decoder 'no-such-decoder'");
    m_task.SetOption("f", "no-such-demuxer");
    EXPECT_EQ(ErrorOf([&] { m_task.OpenInput(input); }),
              "Unknown input format: \"no-such-demuxer\"");

    m_task.Reset();
    ASSERT_TRUE(m_task.OpenInput(input));
    EXPECT_EQ(m_task.CreateOutput(m_dir.File("out.unknownext"), false), -1);
    EXPECT_EQ(m_task.ErrorText(),
              "Unable to find a suitable output format for '" + m_dir.File("out.unknownext") + "'");
    m_task.SetOption("f", "nosuchmuxer");
    EXPECT_EQ(m_task.CreateOutput(m_dir.File("out.avi"), false), -1);
    EXPECT_EQ(m_task.ErrorText(),
              "Requested output format 'nosuchmuxer' is not a suitable output format");
    m_task.SetOption("f", "avi");
    m_task.SetOption("vcodec", "nonesuch");
    EXPECT_EQ(m_task.CreateOutput(m_dir.File("out.avi"), false), -1);
    EXPECT_EQ(m_task.ErrorText(), "new_video_stream fail: Unknown encoder 'nonesuch'");
    m_task.SetOption("vcodec", "libmp3lame");
    EXPECT_EQ(m_task.CreateOutput(m_dir.File("out.avi"), false), -1);
    EXPECT_EQ(m_task.ErrorText(), "new_video_stream fail: Invalid encoder type 'libmp3lame'");
    EXPECT_EQ(m_task.OutputCount(), 0);

    // Joining a file without sound after one with sound.
    m_task.Reset();
    ASSERT_TRUE(m_task.OpenInput(audioOnly));
    ASSERT_TRUE(m_task.OpenInput(audioOnly));
    ASSERT_TRUE(m_task.OpenInput(input));
    ASSERT_EQ(m_task.CreateOutput(m_dir.File("joined.mp3"), true), 1);
    EXPECT_EQ(m_task.CreateOutput(m_dir.File("second.mp3"), true), -1);
    EXPECT_EQ(m_task.ErrorText(), "Cannot join more than one output file.");
    EXPECT_EQ(ErrorOf([&] { m_task.Run(); }),
              "Could not find input stream matching output stream #2.0 (Audio)");
    m_task.Cleanup();
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("joined.mp3")));  // empty outputs go

    m_task.Reset();
    EXPECT_EQ(ErrorOf([&] { m_task.Run(); }), "At least one output file must be specified");
}

TEST_F(OptionTest, ExpectedDuration) {
    auto clip = [&](const std::string& name, double seconds) {
        test::FixturePlan fixture;
        fixture.VideoCodec = "mpeg4";
        fixture.Format = "avi";
        fixture.Width = 64;
        fixture.Height = 48;
        fixture.Seconds = seconds;
        test::WriteFixture(m_dir.File(name), fixture);
        return m_dir.File(name);
    };
    const std::string ten = clip("ten.avi", 10);
    const std::string twenty = clip("twenty.avi", 20);
    ASSERT_TRUE(m_task.OpenInput(ten));
    ASSERT_TRUE(m_task.OpenInput(twenty));
    EXPECT_EQ(m_task.TotalDuration(), 20'000'000);
    ASSERT_EQ(m_task.CreateOutput(m_dir.File("j.avi"), true), 1);
    EXPECT_EQ(m_task.TotalDuration(), 30'000'000);
    m_task.Reset();
    ASSERT_TRUE(m_task.OpenInput(ten));
    m_task.SetOption("t", "5");
    EXPECT_EQ(m_task.TotalDuration(), 5'000'000);
    // One input with join is a plain conversion.
    ASSERT_EQ(m_task.CreateOutput(m_dir.File("one.avi"), true), 1);
    EXPECT_FALSE(m_task.Joined());
}

TEST_F(OptionTest, X264StartsFromTheOldDefaults) {
    const std::string input = m_dir.File("in.mp4");
    test::FixturePlan fixture;
    fixture.VideoCodec = "mpeg4";
    fixture.Width = 320;
    fixture.Height = 240;
    test::WriteFixture(input, fixture);
    struct Case {
        const char* Preset;
        const char* Profile;
    };
    for (const Case& c :
         {Case{"", "Constrained Baseline"}, Case{"default", "High"}, Case{"main", "Main"}}) {
        m_task.Reset();
        ASSERT_TRUE(m_task.OpenInput(input));
        TOutputOptions options;
        options.VideoCodec = "libx264";
        options.VideoPreset = c.Preset;
        options.VideoBitRate = 500000;
        options.ExtOptions = std::string(c.Preset) == "main" ? "bf=2\r\ncoder=1" : "";
        ASSERT_NO_THROW(ApplyOutputRecord(m_task, options)) << c.Preset;
        const std::string output = m_dir.File(std::string("x264-") + c.Preset + ".mp4");
        ASSERT_EQ(m_task.CreateOutput(output, false), 1) << m_task.ErrorText();
        ASSERT_NO_THROW(m_task.Run());
        m_task.Cleanup();
        EXPECT_EQ(test::FFprobe(output)["streams.stream.0.profile"], c.Profile) << c.Preset;
    }
}

}  // namespace
}  // namespace mw
