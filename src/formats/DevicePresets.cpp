#include "PresetCatalog.h"

namespace mw::presets {

// The playback devices' presets; every one writes MP4. The labels are shown exactly as they stand;
// the values are what the presets do.

// clang-format off
const FormatPresets kiPodPresets = {
    {{"VideoCodec", "libx264"}, {"ExtOptions", kX264Options1}, {"AudioCodec", "libfaac"}},
    {{"AudioChannels", "2"}},
    {
        {"iPod Highest Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", 640, 480,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) ", 480, 320,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPod Touch Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", 480, 320,
         {{"FrameRate", "24"}, {"VideoBitRate", "1300000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) ", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPod Classic High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", 320, 240,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPod Classic Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "24"}, {"VideoBitRate", "1000000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPod Classic Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPod Nano High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", 320, 240,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPod Nano Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "24"}, {"VideoBitRate", "1000000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPod Nano Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};

const FormatPresets kiPhonePresets = {
    {{"VideoCodec", "libx264"}, {"ExtOptions", kX264Options1}, {"AudioCodec", "libfaac"}},
    {{"AudioChannels", "2"}},
    {
        {"iPhone High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", 640, 480,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPhone Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", 480, 320,
         {{"FrameRate", "30"}, {"VideoBitRate", "1300000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPhone Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};

const FormatPresets kAppleTVPresets = {
    {{"VideoCodec", "libx264"}, {"ExtOptions", kX264Options1}, {"AudioCodec", "libfaac"}},
    {{"AudioChannels", "2"}},
    {
        {"AppleTV High Quality (H264, 24 fps, 1280x720, 5000 kbps; AAC - 160 kbps)", 640, 480,
         {{"FrameRate", "24"}, {"VideoBitRate", "5000000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"AppleTV Standard Quality (H264, 24 fps, 720x540, 2000 kbps; AAC - 128 kbps)", 720, 540,
         {{"FrameRate", "24"}, {"VideoBitRate", "2000000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"AppleTV Economy Quality (H264, 24 fps, 480x360, 1000 kbps; AAC - 128 kbps)", 480, 360,
         {{"FrameRate", "24"}, {"VideoBitRate", "1000000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};

const FormatPresets kPSPPresets = {
    {{"VideoCodec", "libx264"}, {"FileFormat", "psp"}, {"ExtOptions", kX264Options2}, {"AudioCodec", "libfaac"}},
    {{"AudioChannels", "2"}},
    {
        {"PSP Highest Quality (H264, 30 fps, 480x272, 1500 kbps; AAC - 160 kbps)", 480, 272,
         {{"FrameRate", "30"}, {"VideoBitRate", "1500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"PSP Optimal Quality (H264, 24 fps, 368x208, 1000 kbps; AAC - 128 kbps)", 368, 208,
         {{"FrameRate", "24"}, {"VideoBitRate", "1000000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"PSP Economy Quality (H264, 15 fps, 368x208, 500 kbps; AAC - 128 kbps)", 368, 208,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};

const FormatPresets kBlackBerryPresets = {
    {},
    {{"VideoCodec", "libx264"}, {"VideoPreset", "libx264-default"}, {"AudioCodec", "libfaac"}, {"AudioChannels", "2"}},
    {
        {"BlackBerry High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", 640, 480,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"BlackBerry Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", 480, 320,
         {{"FrameRate", "30"}, {"VideoBitRate", "1300000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"BlackBerry Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};

const FormatPresets kMobilePhonePresets = {
    {},
    {{"VideoCodec", "mpeg4"}, {"AudioCodec", "libfaac"}, {"AudioChannels", "2"}},
    {
        {"Mobile MP4 High Quality (MPEG4, 15 fps, 320x240, 600 kbps; AAC - 192 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "600000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "192000"}}},
        {"Mobile MP4 Standard Quality (MPEG4, 15 fps, 176x144, 256 kbps; AAC - 128 kbps)", 176, 144,
         {{"FrameRate", "15"}, {"VideoBitRate", "256000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"Mobile MP4 Balanced Quality (MPEG4, 12 fps, 176x144, 146 kbps; AAC - 96 kbps)", 176, 144,
         {{"FrameRate", "12"}, {"VideoBitRate", "146000"}, {"AudioSampleRate", "32000"}, {"AudioBitRate", "96000"}}},
        {"Mobile MP4 Economy Quality (MPEG4, 10 fps, 128x96, 119 kbps; AAC - 64 kbps)", 128, 96,
         {{"FrameRate", "10"}, {"VideoBitRate", "119000"}, {"AudioSampleRate", "22050"}, {"AudioBitRate", "64000"}}},
    }};

const FormatPresets kiPadPresets = {
    {{"VideoCodec", "libx264"}, {"ExtOptions", kX264Options1}, {"AudioCodec", "libfaac"}},
    {{"AudioChannels", "2"}},
    {
        {"iPad High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", 640, 480,
         {{"FrameRate", "30"}, {"VideoBitRate", "2500000"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "160000"}}},
        {"iPad Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", 480, 320,
         {{"FrameRate", "30"}, {"VideoBitRate", "1300000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"iPad Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", 320, 240,
         {{"FrameRate", "15"}, {"VideoBitRate", "500000"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
    }};
// clang-format on

}  // namespace mw::presets
