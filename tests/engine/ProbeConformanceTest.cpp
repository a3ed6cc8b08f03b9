#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/probe/AVProbe.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

struct ConformanceCase {
    const char* Name;
    test::FixturePlan Fixture;
};

test::FixturePlan Fixture(const char* format, const char* video, const char* audio) {
    test::FixturePlan fixture;
    fixture.Format = format;
    fixture.VideoCodec = video;
    fixture.AudioCodec = audio;
    return fixture;
}

std::vector<ConformanceCase> Cases() {
    std::vector<ConformanceCase> cases = {
        {"clip.mp4", Fixture("mp4", "libx264", "aac")},
        {"clip.avi", Fixture("avi", "mpeg4", "libmp3lame")},
        {"clip.mkv", Fixture("matroska", "libx264", "libvorbis")},
        {"clip.ts", Fixture("mpegts", "mpeg2video", "mp2")},
        {"clip.webm", Fixture("webm", "libvpx", "libvorbis")},
        {"clip.flv", Fixture("flv", "flv", "libmp3lame")},
        {"tone.mp3", Fixture("mp3", "", "libmp3lame")},
        {"tone.wav", Fixture("wav", "", "pcm_s16le")},
        {"tone.flac", Fixture("flac", "", "flac")},
        {"tone.ogg", Fixture("ogg", "", "libvorbis")},
        {"tone.m4a", Fixture("ipod", "", "aac")},
        {"still.png", Fixture("image2", "png", "")},
        {"still.jpg", Fixture("image2", "mjpeg", "")},
    };
    for (ConformanceCase& c : cases) {
        if (c.Fixture.Format == "image2") {
            c.Fixture.Seconds = 0.04;
            c.Fixture.MuxerOptions["update"] = "1";
            c.Fixture.PixelFormat = c.Fixture.VideoCodec == "mjpeg" ? "yuvj420p" : "rgb24";
        }
    }
    cases[1].Fixture.Width = 352;  // sizes and rates vary across the table
    cases[1].Fixture.Height = 288;
    cases[2].Fixture.FrameRateNum = 30000;
    cases[2].Fixture.FrameRateDen = 1001;
    cases[3].Fixture.SampleRate = 48000;
    cases[7].Fixture.Channels = 1;
    cases[7].Fixture.SampleRate = 22050;
    cases[9].Fixture.SampleRate = 32000;
    return cases;
}

std::int64_t SecondsToMicroseconds(const std::string& text) {
    return std::llround(std::stod(text) * 1e6);
}

// Each container and codec the input list meets: the probe agrees with ffprobe.
TEST(ProbeConformance, AgreesWithFFprobe) {
    test::TempDir dir;
    TAVProbe probe;
    for (const ConformanceCase& c : Cases()) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.File(c.Name);
        ASSERT_NO_THROW(test::WriteFixture(path, c.Fixture));
        auto theirs = test::FFprobe(path);

        ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrorMessage();
        EXPECT_EQ(probe.FileName(), path);
        EXPECT_EQ(std::to_string(probe.StreamCount()), theirs["format.nb_streams"]);
        EXPECT_EQ(probe.FileSize(), std::stoll(theirs["format.size"]));

        TFileStreamInfo file;
        ASSERT_TRUE(probe.GetFileStreamInfo(file));
        if (theirs["format.duration"] == "N/A" || theirs["format.duration"].empty()) {
            EXPECT_EQ(file.Duration, -1);
        } else {
            EXPECT_NEAR(file.Duration, SecondsToMicroseconds(theirs["format.duration"]), 1);
        }
        if (theirs["format.bit_rate"] != "N/A") {
            EXPECT_EQ(std::to_string(file.BitRate), theirs["format.bit_rate"]);
        }

        const bool hasVideo = !c.Fixture.VideoCodec.empty();
        const bool hasAudio = !c.Fixture.AudioCodec.empty();
        EXPECT_EQ(probe.VideoStreamCount(), hasVideo ? 1 : 0);
        EXPECT_EQ(probe.AudioStreamCount(), hasAudio ? 1 : 0);
        if (hasVideo) {
            const std::string s =
                "streams.stream." + std::to_string(probe.VideoStreamIndex()) + ".";
            TVideoStreamInfo video;
            ASSERT_TRUE(probe.GetVideoStreamInfo(probe.VideoStreamIndex(), video));
            EXPECT_EQ(std::to_string(video.Width), theirs[s + "width"]);
            EXPECT_EQ(std::to_string(video.Height), theirs[s + "height"]);
            EXPECT_EQ(std::to_string(video.FrameRateNum) + "/" + std::to_string(video.FrameRateDen),
                      theirs[s + "r_frame_rate"]);
            EXPECT_EQ(video.Width, c.Fixture.Width);
            EXPECT_FALSE(video.CodecName.empty());
        }
        if (hasAudio) {
            const std::string s =
                "streams.stream." + std::to_string(probe.AudioStreamIndex()) + ".";
            TAudioStreamInfo audio;
            ASSERT_TRUE(probe.GetAudioStreamInfo(probe.AudioStreamIndex(), audio));
            EXPECT_EQ(std::to_string(audio.SampleRate), theirs[s + "sample_rate"]);
            EXPECT_EQ(std::to_string(audio.Channels), theirs[s + "channels"]);
            EXPECT_EQ(audio.SampleRate, c.Fixture.SampleRate);
            EXPECT_EQ(audio.Channels, c.Fixture.Channels);
        }
    }
}

}  // namespace
}  // namespace mw
