#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mw {

inline constexpr std::string_view kEditionFileName = "lame.dll";
inline constexpr std::string_view kEditionSection = "SYSTEM";

// Edition-file keys of the output formats, in catalogue order within each class.
inline constexpr std::array<std::string_view, 9> kVideoFormatKeys = {
    "AVI", "MP4", "FLV", "SWF", "MPEG", "RM", "WMV", "MOV", "3GP"};
inline constexpr std::array<std::string_view, 7> kDeviceFormatKeys = {
    "IPOD", "IPHONE", "APPLETV", "PSP", "BLACKBERRY", "MOBILEPHONE", "IPAD"};
inline constexpr std::array<std::string_view, 8> kAudioFormatKeys = {"WAV", "MP3", "WMA",  "OGG",
                                                                     "AAC", "M4A", "FLAC", "MP2"};

// A start-up value that should have been a number.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the edition file says: which edition this is and what it offers.
struct EditionConfig {
    std::string Name;
    std::string Version;
    std::string Copyright;
    bool Download = true;
    std::string Res;
    std::array<bool, kVideoFormatKeys.size()> VideoFormats{};
    std::array<bool, kDeviceFormatKeys.size()> DeviceFormats{};
    std::array<bool, kAudioFormatKeys.size()> AudioFormats{};
    std::uint8_t DefaultClass = 0;
    std::uint8_t DefaultVideo = 0;
    std::uint8_t DefaultDevice = 0;
    std::uint8_t DefaultAudio = 0;
    std::string Skin = "0";
    bool DVD = true;
    bool Merge = false;

    // The skin number; a value that is no integer throws ConvertError.
    int SkinNumber() const;
};

// Reads every key of section SYSTEM; a missing file or key gives the defaults.
EditionConfig LoadEditionConfig(const std::string& path);

// The edition file of the program directory.
std::string EditionFilePath();

// The image folder of an edition: sounds/res<Res>/ under the program directory.
std::string ImageFolder(const EditionConfig& edition);

}  // namespace mw
