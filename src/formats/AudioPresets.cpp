#include "PresetCatalog.h"

namespace mw::presets {

// The audio formats' presets. The labels are shown exactly as they stand;
// the values are what the presets do.

// clang-format off
const FormatPresets kWAVPresets = {
    {},
    {},
    {
        {"For Mobiles - PCM: 11025 Hz, Mono, 16 bits", 0, 0,
         {{"AudioCodec", "pcm_s16le"}, {"AudioChannels", "1"}, {"AudioSampleRate", "11025"}}},
        {"AM Radio Quality - PCM: 22050 Hz, Mono, 16 bits", 0, 0,
         {{"AudioCodec", "pcm_s16le"}, {"AudioChannels", "1"}, {"AudioSampleRate", "22050"}}},
        {"FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits", 0, 0,
         {{"AudioCodec", "pcm_s24le"}, {"AudioChannels", "2"}, {"AudioSampleRate", "22050"}}},
        {"HiFi Quality - PCM: 48000Hz, Stereo, 32 bits", 0, 0,
         {{"AudioCodec", "pcm_s32le"}, {"AudioChannels", "2"}, {"AudioSampleRate", "48000"}}},
        {"Uncompressed (CD Audio Quality)", 0, 0,
         {{"AudioCodec", "pcm_s16le"}, {"AudioChannels", "2"}, {"AudioSampleRate", "44000"}}},
    }};

const FormatPresets kMP3Presets = {
    {{"AudioCodec", "libmp3lame"}},
    {},
    {
        {"For Mobile - MP3: 44100 Hz, Stereo, 112 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "112000"}}},
        {"For Media Player - MP3: 48000 Hz, Stereo, 128 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "128000"}}},
        {"Normal Quality - MP3: 48000 Hz, Stereo, 256 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "256000"}}},
        {"Best Quality - MP3: 48000 Hz, Stereo, 320 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "320000"}}},
    }};

const FormatPresets kWMAPresets = {
    {{"AudioCodec", "wmav2"}},
    {},
    {
        {"For Media Player Best Quality", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "192000"}}},
        {"For Media Player Economy Quality", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "96000"}}},
        {"For Pocket PCs/PDAs Normal Quality", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"For PC Normal Quality", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "128000"}}},
        {"WMA Losslesss Audio", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}}, true},
    }};

const FormatPresets kOGGPresets = {
    {{"AudioCodec", "libvorbis"}},
    {},
    {
        {"Telephone Quality - Ogg Vorbis: Quality - 4.97; 11025 Hz, Mono", 0, 0,
         {{"AudioSampleRate", "11025"}, {"ExtOptions", "aq=4.97"}}},
        {"AM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Mono", 0, 0,
         {{"AudioSampleRate", "22050"}, {"ExtOptions", "aq=4.97"}}},
        {"FM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Stereo", 0, 0,
         {{"AudioSampleRate", "22050"}, {"ExtOptions", "aq=4.97"}}},
        {"CD Quality - Ogg Vorbis: Quality - 4.97; 44100 Hz, Stereo", 0, 0,
         {{"AudioSampleRate", "44100"}, {"ExtOptions", "aq=4.97"}}},
        {"HiFi Quality - Ogg Vorbis: Quality - 8.05; 48000 Hz, Stereo", 0, 0,
         {{"AudioSampleRate", "48000"}, {"ExtOptions", "aq=8.05"}}},
    }};

const FormatPresets kAACPresets = {
    {{"AudioCodec", "libfaac"}},
    {},
    {
        {"For Mobiles - MPEG2/4 LC: 16000 Hz, Mono, 96 kbps", 0, 0,
         {{"AudioChannels", "1"}, {"AudioSampleRate", "16000"}, {"AudioBitRate", "96000"}}},
        {"AM Quality - MPEG2/4 LC: 22500 Hz, Mono, 112 kbps", 0, 0,
         {{"AudioChannels", "1"}, {"AudioSampleRate", "22500"}, {"AudioBitRate", "112000"}}},
        {"FM Quality - MPEG2/4 LC: 22500 Hz, Stereo, 224 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "22500"}, {"AudioBitRate", "224000"}}},
        {"CD Quality - MPEG2/4 LC: 44100 Hz, Stereo, 256 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "256000"}}},
        {"HiFi Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "48000"}, {"AudioBitRate", "256000"}}},
    }};

const FormatPresets kM4APresets = {
    {},
    {},
    {
        {"Normal Quality - MPEG2/4 LC: 44100 Hz, Stereo, 96 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44100"}, {"AudioBitRate", "96000"}}},
        {"Best Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "44800"}, {"AudioBitRate", "256000"}}},
    }};

const FormatPresets kFLACPresets = {
    {{"AudioCodec", "flac"}},
    {},
    {
        {"Compression Level 0", 0, 0,
         {{"ExtOptions", "compression_level=0"}}},
        {"Compression Level 1", 0, 0,
         {{"ExtOptions", "compression_level=1"}}},
        {"Compression Level 2", 0, 0,
         {{"ExtOptions", "compression_level=2"}}},
        {"Compression Level 3", 0, 0,
         {{"ExtOptions", "compression_level=3"}}},
        {"Compression Level 4", 0, 0,
         {{"ExtOptions", "compression_level=4"}}},
        {"Compression Level 5 (Default)", 0, 0,
         {{"ExtOptions", "compression_level=5"}}},
        {"Compression Level 6", 0, 0,
         {{"ExtOptions", "compression_level=6"}}},
        {"Compression Level 7", 0, 0,
         {{"ExtOptions", "compression_level=7"}}},
        {"Compression Level 8", 0, 0,
         {{"ExtOptions", "compression_level=8"}}},
    }};

const FormatPresets kMP2Presets = {
    {},
    {},
    {
        {"For Mobiles - MPEG layer-2: 22050 Hz, Mono, 96 kbps", 0, 0,
         {{"AudioChannels", "1"}, {"AudioSampleRate", "22050"}, {"AudioBitRate", "96000"}}},
        {"AM Quality - MPEG layer-2: 22050 Hz, Mono, 112 kbps", 0, 0,
         {{"AudioChannels", "1"}, {"AudioSampleRate", "22050"}, {"AudioBitRate", "112000"}}},
        {"FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps", 0, 0,
         {{"AudioChannels", "2"}, {"AudioSampleRate", "22050"}, {"AudioBitRate", "128000"}}},
    }};
// clang-format on

}  // namespace mw::presets
