#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace mw {

struct EditionConfig;
class Ini;

// The user's choices that outlive the process, kept in system.dat, section "System".
struct UserSettings {
    std::string LastOpenDir;
    std::string OutputFileDir;
    std::string OutputURLDir;
    std::uint8_t OutputFormatClass = 0;
    std::uint8_t OutputAudioFormat = 0;
    std::uint8_t OutputVideoFormat = 0;
    std::uint8_t OutputDeviceFormat = 0;

    std::int32_t OutputWAVPreset = 3;
    std::int32_t OutputMP3Preset = 2;
    std::int32_t OutputWMAPreset = 1;
    std::int32_t OutputOGGPreset = 3;
    std::int32_t OutputM4APreset = 0;
    std::int32_t OutputAACPreset = 3;
    std::int32_t OutputFLACPreset = 5;
    std::int32_t OutputMP2Preset = 0;
    std::int32_t OutputAVIPreset = 3;
    std::int32_t OutputMP4Preset = 3;
    std::int32_t OutputFLVPreset = 1;
    std::int32_t OutputSWFPreset = 1;
    std::int32_t OutputMPEGPreset = 5;
    std::int32_t OutputRMPreset = 1;
    std::int32_t OutputWMVPreset = 16;
    std::int32_t OutputMOVPreset = 7;
    std::int32_t Output3GPPreset = 2;
    std::int32_t OutputiPodPreset = 5;
    std::int32_t OutputiPhonePreset = 1;
    std::int32_t OutputAppleTVPreset = 1;
    std::int32_t OutputPSPPreset = 1;
    std::int32_t OutputBlackBerryPreset = 1;
    std::int32_t OutputMobilePhonePreset = 1;
    std::int32_t OutputiPadPreset = 0;

    bool PlayASoundWhenFinished = false;
    bool ShutDownWhenFinished = false;
    bool PreferYouTubeQuality = true;
    // PreferYouTube1 ... PreferYouTube7, PreferYouTube18: the user's quality order.
    std::array<std::uint8_t, 8> PreferYouTube = {1, 2, 3, 0, 4, 5, 6, 7};

    // The preset index stored under a key such as "OutputMP3Preset" (any case), or null.
    std::int32_t* PresetIndex(std::string_view key);
    const std::int32_t* PresetIndex(std::string_view key) const;
};

inline constexpr std::string_view kSettingsSection = "System";
inline constexpr std::string_view kSettingsFileName = "system.dat";

// The 24 preset-index keys in the order a new settings file receives them.
std::span<const std::string_view> PresetIndexKeys();

// The keys of the quality order, PreferYouTube1 ... PreferYouTube7 and PreferYouTube18.
std::span<const std::string_view> PreferYouTubeKeys();

// Every field takes its start-up default: the folders the "Personal" folder, the format
// choices the edition's defaults, the rest the values of the settings table.
void AssignDefaultSettings(UserSettings& settings, const EditionConfig& edition,
                           std::string_view personalFolder);

// Reads the file into the record, the current values being the defaults. A missing file is
// created with the current values (which may throw IniWriteError); the result tells whether
// the file existed.
bool LoadSettings(UserSettings& settings, const std::string& path);

// Writes every field to section "System" in the file's key order; throws IniWriteError.
void SaveSettings(const UserSettings& settings, const std::string& path);

}  // namespace mw
