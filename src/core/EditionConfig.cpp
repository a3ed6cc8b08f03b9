#include "EditionConfig.h"

#include "Ini.h"
#include "UtilFuncs.h"

namespace mw {

namespace {

template <std::size_t N>
void ReadFlags(const Ini& ini, const std::array<std::string_view, N>& keys,
               std::array<bool, N>& flags) {
    for (std::size_t i = 0; i < N; ++i) {
        flags[i] = ini.ReadBool(kEditionSection, keys[i], false);
    }
}

std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

int EditionConfig::SkinNumber() const {
    const std::optional<int> number = ParseIniInteger(Skin);
    if (!number) {
        throw ConvertError("'" + Skin + "' is not a valid integer value");
    }
    return *number;
}

EditionConfig LoadEditionConfig(const std::string& path) {
    const Ini ini(path);
    const std::string_view s = kEditionSection;
    EditionConfig config;
    config.Name = ini.ReadString(s, "Name", "");
    config.Version = ini.ReadString(s, "Version", "");
    config.Copyright = ini.ReadString(s, "Copyright", "");
    config.Download = ini.ReadBool(s, "Download", true);
    config.Res = ini.ReadString(s, "Res", "");
    ReadFlags(ini, kVideoFormatKeys, config.VideoFormats);
    ReadFlags(ini, kDeviceFormatKeys, config.DeviceFormats);
    ReadFlags(ini, kAudioFormatKeys, config.AudioFormats);
    const int defaultClass = ini.ReadInteger(s, "DefaultClass", 0);
    config.DefaultClass = (defaultClass >= 0 && defaultClass <= 2) ? LowByte(defaultClass) : 0;
    config.DefaultVideo = LowByte(ini.ReadInteger(s, "DefaultVideo", 0));
    config.DefaultDevice = LowByte(ini.ReadInteger(s, "DefaultDevice", 0));
    config.DefaultAudio = LowByte(ini.ReadInteger(s, "DefaultAudio", 0));
    config.Skin = ini.ReadString(s, "Skin", "0");
    config.DVD = ini.ReadBool(s, "DVD", true);
    config.Merge = ini.ReadBool(s, "Merge", false);
    return config;
}

std::string EditionFilePath() {
    return ProgramDir() + std::string(kEditionFileName);
}

std::string ImageFolder(const EditionConfig& edition) {
    return ProgramDir() + "sounds/res" + edition.Res + "/";
}

}  // namespace mw
