#include "FormatCatalog.h"

#include <array>

#include "core/EditionConfig.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

using enum FormatClass;

// clang-format off
constexpr std::array<OutputFormat, 24> kFormats = {{
    {Video, 0, "AVI", "AVI", "ButtonFormatAVI", "ImageComboBoxAVIPresets", "OutputAVIPreset", ".avi", 29, 3},
    {Video, 1, "MP4", "MP4", "ButtonFormatMP4", "ImageComboBoxMP4Presets", "OutputMP4Preset", ".mp4", 19, 3},
    {Video, 2, "FLV", "FLV", "ButtonFormatFLV", "ImageComboBoxFLVPresets", "OutputFLVPreset", ".flv", 5, 1},
    {Video, 3, "SWF", "SWF", "ButtonFormatSWF", "ImageComboBoxSWFPresets", "OutputSWFPreset", ".swf", 5, 1},
    {Video, 4, "MPEG", "MPEG", "ButtonFormatMPEG", "ImageComboBoxMPEGPresets", "OutputMPEGPreset", ".mpg", 14, 5},
    {Video, 5, "RM", "RM", "ButtonFormatRM", "ImageComboBoxRMPresets", "OutputRMPreset", ".rm", 5, 1},
    {Video, 6, "WMV", "WMV", "ButtonFormatWMV", "ImageComboBoxWMVPresets", "OutputWMVPreset", ".wmv", 18, 16},
    {Video, 7, "MOV", "MOV", "ButtonFormatMOV", "ImageComboBoxMOVPresets", "OutputMOVPreset", ".mov", 10, 7},
    {Video, 8, "3GP", "3GP", "ButtonFormat3GP", "ImageComboBox3GPPresets", "Output3GPPreset", ".3gp", 5, 2},
    {Device, 0, "IPOD", "iPod", "ButtonFormatiPod", "ImageComboBoxiPodPresets", "OutputiPodPreset", ".mp4", 10, 5},
    {Device, 1, "IPHONE", "iPhone", "ButtonFormatiPhone", "ImageComboBoxiPhonePresets", "OutputiPhonePreset", ".mp4", 3, 1},
    {Device, 2, "APPLETV", "Apple TV", "ButtonFormatAppleTV", "ImageComboBoxAppleTVPresets", "OutputAppleTVPreset", ".mp4", 3, 1},
    {Device, 3, "PSP", "PSP", "ButtonFormatPSP", "ImageComboBoxPSPPresets", "OutputPSPPreset", ".mp4", 3, 1},
    {Device, 4, "BLACKBERRY", "BlackBerry", "ButtonFormatBlackBerry", "ImageComboBoxBlackBerryPresets", "OutputBlackBerryPreset", ".mp4", 3, 1},
    {Device, 5, "MOBILEPHONE", "mobile phone", "ButtonFormatMobilePhone", "ImageComboBoxMobilePhonePresets", "OutputMobilePhonePreset", ".mp4", 4, 1},
    {Device, 6, "IPAD", "iPad", "ButtonFormatiPad", "ImageComboBoxiPadPresets", "OutputiPadPreset", ".mp4", 3, 0},
    {Audio, 0, "WAV", "WAV", "ButtonFormatWAV", "ImageComboBoxWAVPresets", "OutputWAVPreset", ".wav", 5, 3},
    {Audio, 1, "MP3", "MP3", "ButtonFormatMP3", "ImageComboBoxMP3Presets", "OutputMP3Preset", ".mp3", 4, 2},
    {Audio, 2, "WMA", "WMA", "ButtonFormatWMA", "ImageComboBoxWMAPresets", "OutputWMAPreset", ".wma", 5, 1},
    {Audio, 3, "OGG", "OGG", "ButtonFormatOGG", "ImageComboBoxOGGPresets", "OutputOGGPreset", ".ogg", 5, 3},
    {Audio, 4, "AAC", "AAC", "ButtonFormatAAC", "ImageComboBoxAACPresets", "OutputAACPreset", ".aac", 5, 3},
    {Audio, 5, "M4A", "M4A", "ButtonFormatM4A", "ImageComboBoxM4APresets", "OutputM4APreset", ".m4a", 2, 0},
    {Audio, 6, "FLAC", "FLAC", "ButtonFormatFLAC", "ImageComboBoxFLACPresets", "OutputFLACPreset", ".flac", 9, 5},
    {Audio, 7, "MP2", "MP2", "ButtonFormatMP2", "ImageComboBoxMP2Presets", "OutputMP2Preset", ".mp2", 3, 0},
}};
// clang-format on

}  // namespace

std::span<const OutputFormat> OutputFormats() {
    return kFormats;
}

std::span<const OutputFormat> OutputFormatsOf(FormatClass formatClass) {
    switch (formatClass) {
        case Video:
            return std::span(kFormats).subspan(0, 9);
        case Device:
            return std::span(kFormats).subspan(9, 7);
        case Audio:
            return std::span(kFormats).subspan(16, 8);
    }
    return {};
}

const OutputFormat* FindOutputFormat(FormatClass formatClass, int index) {
    const std::span<const OutputFormat> formats = OutputFormatsOf(formatClass);
    if (index < 0 || index >= static_cast<int>(formats.size())) {
        return nullptr;
    }
    return &formats[static_cast<std::size_t>(index)];
}

const OutputFormat* FindOutputFormat(std::string_view editionKey) {
    for (const OutputFormat& format : kFormats) {
        if (SameText(format.EditionKey, editionKey)) {
            return &format;
        }
    }
    return nullptr;
}

std::string_view ClassName(FormatClass formatClass) {
    switch (formatClass) {
        case Video:
            return "Video";
        case Device:
            return "Device";
        case Audio:
            return "Audio";
    }
    return "";
}

const OutputFormat* SelectedFormat(const UserSettings& settings) {
    switch (settings.OutputFormatClass) {
        case 0:
            return FindOutputFormat(Video, settings.OutputVideoFormat);
        case 1:
            return FindOutputFormat(Device, settings.OutputDeviceFormat);
        case 2:
            return FindOutputFormat(Audio, settings.OutputAudioFormat);
        default:
            return nullptr;
    }
}

void SelectOutputFormat(UserSettings& settings, const OutputFormat& format, int presetIndex) {
    settings.OutputFormatClass = static_cast<std::uint8_t>(format.Class);
    std::uint8_t& index = format.Class == Video    ? settings.OutputVideoFormat
                          : format.Class == Device ? settings.OutputDeviceFormat
                                                   : settings.OutputAudioFormat;
    index = static_cast<std::uint8_t>(format.Index);
    if (std::int32_t* preset = settings.PresetIndex(format.SettingsKey)) {
        *preset = presetIndex;
    }
}

bool FormatEnabled(const EditionConfig& edition, const OutputFormat& format) {
    const auto slot = static_cast<std::size_t>(format.Index);
    switch (format.Class) {
        case Video:
            return slot < edition.VideoFormats.size() && edition.VideoFormats[slot];
        case Device:
            return slot < edition.DeviceFormats.size() && edition.DeviceFormats[slot];
        case Audio:
            return slot < edition.AudioFormats.size() && edition.AudioFormats[slot];
    }
    return false;
}

void KeepEnabledFormats(UserSettings& settings, const EditionConfig& edition) {
    bool chosenClassOffered = false;
    const OutputFormat* firstOffered = nullptr;
    for (FormatClass formatClass : {Video, Device, Audio}) {
        std::uint8_t& index = formatClass == Video    ? settings.OutputVideoFormat
                              : formatClass == Device ? settings.OutputDeviceFormat
                                                      : settings.OutputAudioFormat;
        const OutputFormat* stored = FindOutputFormat(formatClass, index);
        const OutputFormat* offered = nullptr;
        for (const OutputFormat& format : OutputFormatsOf(formatClass)) {
            if (FormatEnabled(edition, format)) {
                offered = &format;
                break;
            }
        }
        if (!offered) {
            continue;
        }
        if (!stored || !FormatEnabled(edition, *stored)) {
            index = static_cast<std::uint8_t>(offered->Index);
        }
        firstOffered = firstOffered ? firstOffered : offered;
        chosenClassOffered = chosenClassOffered ||
                             settings.OutputFormatClass == static_cast<std::uint8_t>(formatClass);
    }
    if (!chosenClassOffered && firstOffered) {
        settings.OutputFormatClass = static_cast<std::uint8_t>(firstOffered->Class);
    }
}

std::string OutputExtension(const UserSettings& settings) {
    const OutputFormat* format = SelectedFormat(settings);
    return format ? std::string(format->Extension) : std::string();
}

}  // namespace mw
