#include "PresetCatalog.h"

#include <array>

#include "engine/options/OutputFields.h"

namespace mw {

namespace {

// Catalogue order: video, device, audio.
const std::array<const FormatPresets*, 24> kPresetTables = {
    &presets::kAVIPresets,        &presets::kMP4Presets,       &presets::kFLVPresets,
    &presets::kSWFPresets,        &presets::kMPEGPresets,      &presets::kRMPresets,
    &presets::kWMVPresets,        &presets::kMOVPresets,       &presets::k3GPPresets,
    &presets::kiPodPresets,       &presets::kiPhonePresets,    &presets::kAppleTVPresets,
    &presets::kPSPPresets,        &presets::kBlackBerryPresets, &presets::kMobilePhonePresets,
    &presets::kiPadPresets,       &presets::kWAVPresets,       &presets::kMP3Presets,
    &presets::kWMAPresets,        &presets::kOGGPresets,       &presets::kAACPresets,
    &presets::kM4APresets,        &presets::kFLACPresets,      &presets::kMP2Presets,
};

void Apply(const std::vector<PresetValue>& values, TOutputOptions& options) {
    std::string error;
    for (const PresetValue& value : values) {
        // The tables name only existing fields with fitting values.
        SetOutputField(options, value.Field, value.Value, error);
    }
}

}  // namespace

const FormatPresets& PresetsOf(const OutputFormat& format) {
    return *kPresetTables[static_cast<std::size_t>(&format - OutputFormats().data())];
}

PresetSize ApplyPreset(const OutputFormat& format, int index, TOutputOptions& options,
                       std::optional<std::int32_t> inputAudioBitRate) {
    const FormatPresets& presets = PresetsOf(format);
    Apply(presets.FormatWide, options);
    if (index < 0 || index >= static_cast<int>(presets.Rows.size())) {
        return PresetSize{};
    }
    const PresetRow& row = presets.Rows[static_cast<std::size_t>(index)];
    Apply(presets.EveryRow, options);
    Apply(row.Values, options);
    if (row.InputAudioBitRate && inputAudioBitRate && *inputAudioBitRate > 0) {
        options.AudioBitRate = *inputAudioBitRate;
    }
    return PresetSize{row.Width, row.Height};
}

}  // namespace mw
