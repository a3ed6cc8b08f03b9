#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace mw::test {

// A short media file made at test time from a test pattern and a tone, through the same
// libraries the engine uses.
struct FixturePlan {
    std::string Format;      // muxer name; empty: chosen from the file name
    std::string VideoCodec;  // encoder name; empty: no video
    std::string AudioCodec;  // encoder name; empty: no audio
    int Width = 320;
    int Height = 240;
    int FrameRateNum = 25;
    int FrameRateDen = 1;
    std::string PixelFormat;               // empty: the encoder's first
    std::string VideoSource = "testsrc2";  // a lavfi source taking size, rate and duration
    int GopSize = 12;
    std::int64_t VideoBitRate = 400000;
    int SampleRate = 44100;
    int Channels = 2;
    std::int64_t AudioBitRate = 128000;
    double Seconds = 2.0;
    int SampleAspectNum = 0;  // 0: none stored
    int SampleAspectDen = 1;
    std::map<std::string, std::string> Metadata;
    std::map<std::string, std::string> MuxerOptions;
    std::map<std::string, std::string> VideoOptions;  // encoder options
};

// Writes the file; throws std::runtime_error with the reason when that fails.
void WriteFixture(const std::string& path, const FixturePlan& fixture);

// Damages one time stamp of an FLV file the libraries wrote: the ordinal-th tag of a kind
// (8 audio, 9 video, counted from 0) is stamped addedMs later. FLV stamps are 32-bit
// milliseconds whose top bit the libraries never write, so 0x80000000 gives the stamp of a
// flipped sign. Throws std::runtime_error when the file holds no such tag.
void DamageFlvTimestamp(const std::string& path, int tagType, int ordinal, std::uint32_t addedMs);

// Makes sure the engine's libraries are usable in a test process.
void LoadEngineLibraries();

}  // namespace mw::test
