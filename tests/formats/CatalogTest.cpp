#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/EditionConfig.h"
#include "core/UserSettings.h"
#include "formats/FormatCatalog.h"
#include "formats/PresetCatalog.h"

namespace mw {
namespace {

TEST(Catalog, FormatsMatchTheEditionKeysSettingsAndPresetTables) {
    const UserSettings defaults;
    std::set<std::string_view> keys;
    int total = 0;
    for (const OutputFormat& format : OutputFormats()) {
        EXPECT_TRUE(keys.insert(format.EditionKey).second) << format.EditionKey;
        EXPECT_EQ(FindOutputFormat(format.Class, format.Index), &format);
        EXPECT_EQ(PresetsOf(format).Rows.size(), static_cast<std::size_t>(format.Rows))
            << format.Name;
        ASSERT_NE(defaults.PresetIndex(format.SettingsKey), nullptr) << format.SettingsKey;
        EXPECT_EQ(*defaults.PresetIndex(format.SettingsKey), format.DefaultRow) << format.Name;
        if (format.Class == FormatClass::Device) {
            EXPECT_EQ(format.Extension, ".mp4");
        }
        total += format.Rows;
    }
    EXPECT_EQ(total, 177);
    EXPECT_EQ(OutputFormatsOf(FormatClass::Video).size(), kVideoFormatKeys.size());
    EXPECT_EQ(OutputFormatsOf(FormatClass::Device).size(), kDeviceFormatKeys.size());
    EXPECT_EQ(OutputFormatsOf(FormatClass::Audio).size(), kAudioFormatKeys.size());
    for (std::size_t i = 0; i < kDeviceFormatKeys.size(); ++i) {
        EXPECT_EQ(OutputFormatsOf(FormatClass::Device)[i].EditionKey, kDeviceFormatKeys[i]);
    }
    EXPECT_EQ(FindOutputFormat("ipod")->Name, "iPod");
    EXPECT_EQ(FindOutputFormat("3gp")->Extension, ".3gp");
    EXPECT_EQ(FindOutputFormat("nothing"), nullptr);
    EXPECT_EQ(FindOutputFormat(FormatClass::Audio, 8), nullptr);
}

TEST(Catalog, OutputExtensionOfTheSelection) {
    UserSettings settings;
    struct Case {
        int Class, Video, Device, Audio;
        const char* Extension;
    };
    const Case cases[] = {
        {0, 4, 0, 0, ".mpg"}, {1, 0, 3, 0, ".mp4"}, {2, 0, 0, 6, ".flac"},
        {0, 9, 0, 0, ""},     {1, 0, 7, 0, ""},     {3, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        settings.OutputFormatClass = static_cast<std::uint8_t>(c.Class);
        settings.OutputVideoFormat = static_cast<std::uint8_t>(c.Video);
        settings.OutputDeviceFormat = static_cast<std::uint8_t>(c.Device);
        settings.OutputAudioFormat = static_cast<std::uint8_t>(c.Audio);
        EXPECT_EQ(OutputExtension(settings), c.Extension) << c.Class << " " << c.Video;
    }
}

// A stored choice the edition switched off never reaches a conversion: the class's first
// offered format takes its place, and a class the edition offers nothing of gives way.
TEST(Catalog, TheChoiceKeepsToFormatsTheEditionOffers) {
    struct Case {
        const char* Offered;  // edition keys switched on
        int Class, Video, Device, Audio;
        int WantClass, WantVideo, WantDevice, WantAudio;
    };
    const Case cases[] = {
        {"AVI MP4 MP3", 0, 1, 0, 1, 0, 1, 0, 1},  // offered: kept
        {"MP4 FLV MP3", 0, 0, 0, 1, 0, 1, 0, 1},  // AVI off: MP4
        {"WMV OGG", 0, 0, 2, 0, 0, 6, 2, 3},      // no device offered: index kept
        {"IPOD PSP", 0, 0, 4, 0, 1, 0, 0, 0},     // no video: the device class
        {"MP3 FLAC", 1, 3, 3, 0, 2, 3, 3, 1},     // only audio
        {"", 2, 0, 0, 5, 2, 0, 0, 5},             // nothing offered: nothing changes
    };
    for (const Case& c : cases) {
        EditionConfig edition;
        edition.VideoFormats.fill(false);
        edition.DeviceFormats.fill(false);
        edition.AudioFormats.fill(false);
        std::string offered = c.Offered;
        for (std::size_t at = 0; at < offered.size();) {
            const std::size_t end = std::min(offered.find(' ', at), offered.size());
            const OutputFormat* format = FindOutputFormat(offered.substr(at, end - at));
            ASSERT_NE(format, nullptr) << offered;
            const auto slot = static_cast<std::size_t>(format->Index);
            bool& flag = format->Class == FormatClass::Video    ? edition.VideoFormats[slot]
                         : format->Class == FormatClass::Device ? edition.DeviceFormats[slot]
                                                                : edition.AudioFormats[slot];
            flag = true;
            at = end + 1;
        }
        UserSettings settings;
        settings.OutputFormatClass = static_cast<std::uint8_t>(c.Class);
        settings.OutputVideoFormat = static_cast<std::uint8_t>(c.Video);
        settings.OutputDeviceFormat = static_cast<std::uint8_t>(c.Device);
        settings.OutputAudioFormat = static_cast<std::uint8_t>(c.Audio);
        KeepEnabledFormats(settings, edition);
        EXPECT_EQ(settings.OutputFormatClass, c.WantClass) << c.Offered;
        EXPECT_EQ(settings.OutputVideoFormat, c.WantVideo) << c.Offered;
        EXPECT_EQ(settings.OutputDeviceFormat, c.WantDevice) << c.Offered;
        EXPECT_EQ(settings.OutputAudioFormat, c.WantAudio) << c.Offered;
        if (std::string(c.Offered).empty()) {
            continue;
        }
        const OutputFormat* chosen = SelectedFormat(settings);
        ASSERT_NE(chosen, nullptr);
        EXPECT_TRUE(FormatEnabled(edition, *chosen)) << c.Offered;
    }
}

TEST(Catalog, LabelsAreKeptExactly) {
    const auto label = [](const char* key, int row) {
        return std::string(
            PresetsOf(*FindOutputFormat(key)).Rows[static_cast<std::size_t>(row)].Label);
    };
    EXPECT_EQ(label("WMA", 4), "WMA Losslesss Audio");
    EXPECT_EQ(label("WAV", 2), "FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits");
    EXPECT_EQ(label("AVI", 21), "Nindendo Wii Clip");
    EXPECT_EQ(label("IPOD", 1),
              "iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) ");
    EXPECT_EQ(label("IPOD", 3),
              "iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) ");
    EXPECT_EQ(label("RM", 3), "RM - Low Quality  - (256 kbps, Original)");
    EXPECT_TRUE(kX264Options1.ends_with("i_qfactor=0.71\r\n"));
    EXPECT_TRUE(kX264Options2.ends_with("level=21"));
    EXPECT_EQ(std::count(kX264Options1.begin(), kX264Options1.end(), '\n'), 18);
    EXPECT_EQ(std::count(kX264Options2.begin(), kX264Options2.end(), '\n'), 22);
}

}  // namespace
}  // namespace mw
