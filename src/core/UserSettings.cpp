#include "UserSettings.h"

#include <array>
#include <vector>

#include "EditionConfig.h"
#include "Ini.h"
#include "UtilFuncs.h"

namespace mw {

namespace {

using PresetMember = std::int32_t UserSettings::*;

struct PresetKey {
    std::string_view Key;
    PresetMember Member;
};

constexpr std::array<PresetKey, 24> kPresetKeys = {{
    {"OutputWAVPreset", &UserSettings::OutputWAVPreset},
    {"OutputMP3Preset", &UserSettings::OutputMP3Preset},
    {"OutputWMAPreset", &UserSettings::OutputWMAPreset},
    {"OutputOGGPreset", &UserSettings::OutputOGGPreset},
    {"OutputM4APreset", &UserSettings::OutputM4APreset},
    {"OutputAACPreset", &UserSettings::OutputAACPreset},
    {"OutputFLACPreset", &UserSettings::OutputFLACPreset},
    {"OutputMP2Preset", &UserSettings::OutputMP2Preset},
    {"OutputAVIPreset", &UserSettings::OutputAVIPreset},
    {"OutputMP4Preset", &UserSettings::OutputMP4Preset},
    {"OutputFLVPreset", &UserSettings::OutputFLVPreset},
    {"OutputSWFPreset", &UserSettings::OutputSWFPreset},
    {"OutputMPEGPreset", &UserSettings::OutputMPEGPreset},
    {"OutputRMPreset", &UserSettings::OutputRMPreset},
    {"OutputWMVPreset", &UserSettings::OutputWMVPreset},
    {"OutputMOVPreset", &UserSettings::OutputMOVPreset},
    {"Output3GPPreset", &UserSettings::Output3GPPreset},
    {"OutputiPodPreset", &UserSettings::OutputiPodPreset},
    {"OutputiPhonePreset", &UserSettings::OutputiPhonePreset},
    {"OutputAppleTVPreset", &UserSettings::OutputAppleTVPreset},
    {"OutputPSPPreset", &UserSettings::OutputPSPPreset},
    {"OutputBlackBerryPreset", &UserSettings::OutputBlackBerryPreset},
    {"OutputMobilePhonePreset", &UserSettings::OutputMobilePhonePreset},
    {"OutputiPadPreset", &UserSettings::OutputiPadPreset},
}};

constexpr std::array<std::string_view, 24> kPresetKeyNames = [] {
    std::array<std::string_view, 24> names{};
    for (std::size_t i = 0; i < kPresetKeys.size(); ++i) {
        names[i] = kPresetKeys[i].Key;
    }
    return names;
}();

constexpr std::array<std::string_view, 8> kPreferYouTubeKeys = {
    "PreferYouTube1", "PreferYouTube2", "PreferYouTube3", "PreferYouTube4",
    "PreferYouTube5", "PreferYouTube6", "PreferYouTube7", "PreferYouTube18"};

std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

std::int32_t* UserSettings::PresetIndex(std::string_view key) {
    for (const PresetKey& entry : kPresetKeys) {
        if (SameText(entry.Key, key)) {
            return &(this->*entry.Member);
        }
    }
    return nullptr;
}

const std::int32_t* UserSettings::PresetIndex(std::string_view key) const {
    return const_cast<UserSettings*>(this)->PresetIndex(key);
}

std::span<const std::string_view> PresetIndexKeys() {
    return kPresetKeyNames;
}

std::span<const std::string_view> PreferYouTubeKeys() {
    return kPreferYouTubeKeys;
}

void AssignDefaultSettings(UserSettings& settings, const EditionConfig& edition,
                           std::string_view personalFolder) {
    settings = UserSettings{};
    settings.LastOpenDir = std::string(personalFolder);
    settings.OutputFileDir = std::string(personalFolder);
    settings.OutputURLDir = std::string(personalFolder);
    settings.OutputFormatClass = edition.DefaultClass;
    settings.OutputAudioFormat = edition.DefaultAudio;
    settings.OutputVideoFormat = edition.DefaultVideo;
    settings.OutputDeviceFormat = edition.DefaultDevice;
}

bool LoadSettings(UserSettings& settings, const std::string& path) {
    if (!PathExists(path)) {
        SaveSettings(settings, path);
        return false;
    }
    const Ini ini(path);
    const std::string_view s = kSettingsSection;
    settings.LastOpenDir = ini.ReadString(s, "LastOpenDir", settings.LastOpenDir);
    settings.OutputFileDir = ini.ReadString(s, "OutputFileDir", settings.OutputFileDir);
    settings.OutputURLDir = ini.ReadString(s, "OutputURLDir", settings.OutputURLDir);
    settings.OutputFormatClass =
        LowByte(ini.ReadInteger(s, "OutputFormatClass", settings.OutputFormatClass));
    settings.OutputAudioFormat =
        LowByte(ini.ReadInteger(s, "OutputAudioFormat", settings.OutputAudioFormat));
    settings.OutputVideoFormat =
        LowByte(ini.ReadInteger(s, "OutputVideoFormat", settings.OutputVideoFormat));
    settings.OutputDeviceFormat =
        LowByte(ini.ReadInteger(s, "OutputDeviceFormat", settings.OutputDeviceFormat));
    for (const PresetKey& entry : kPresetKeys) {
        std::int32_t& index = settings.*entry.Member;
        index = ini.ReadInteger(s, entry.Key, index);
    }
    settings.PlayASoundWhenFinished =
        ini.ReadBool(s, "PlayASoundWhenFinished", settings.PlayASoundWhenFinished);
    settings.ShutDownWhenFinished =
        ini.ReadBool(s, "ShutDownWhenFinished", settings.ShutDownWhenFinished);
    settings.PreferYouTubeQuality =
        ini.ReadBool(s, "PreferYouTubeQuality", settings.PreferYouTubeQuality);
    for (std::size_t i = 0; i < kPreferYouTubeKeys.size(); ++i) {
        settings.PreferYouTube[i] =
            LowByte(ini.ReadInteger(s, kPreferYouTubeKeys[i], settings.PreferYouTube[i]));
    }
    return true;
}

void SaveSettings(const UserSettings& settings, const std::string& path) {
    std::vector<IniEntry> entries = {
        {"LastOpenDir", settings.LastOpenDir},
        {"OutputFileDir", settings.OutputFileDir},
        {"OutputURLDir", settings.OutputURLDir},
        {"OutputFormatClass", std::to_string(settings.OutputFormatClass)},
        {"OutputAudioFormat", std::to_string(settings.OutputAudioFormat)},
        {"OutputVideoFormat", std::to_string(settings.OutputVideoFormat)},
        {"OutputDeviceFormat", std::to_string(settings.OutputDeviceFormat)},
    };
    for (const PresetKey& entry : kPresetKeys) {
        entries.push_back({entry.Key, std::to_string(settings.*entry.Member)});
    }
    entries.push_back({"PlayASoundWhenFinished", IniBoolText(settings.PlayASoundWhenFinished)});
    entries.push_back({"ShutDownWhenFinished", IniBoolText(settings.ShutDownWhenFinished)});
    entries.push_back({"PreferYouTubeQuality", IniBoolText(settings.PreferYouTubeQuality)});
    for (std::size_t i = 0; i < kPreferYouTubeKeys.size(); ++i) {
        entries.push_back({kPreferYouTubeKeys[i], std::to_string(settings.PreferYouTube[i])});
    }
    Ini(path).WriteStrings(kSettingsSection, entries);
}

}  // namespace mw
