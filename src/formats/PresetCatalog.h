#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "FormatCatalog.h"
#include "engine/options/OptionRecords.h"

namespace mw {

// One value a preset sets: a field of TOutputOptions by name, as text.
struct PresetValue {
    std::string_view Field;
    std::string_view Value;
};

struct PresetRow {
    std::string_view Label;  // exactly as the preset list shows it
    int Width = 0;           // target picture size; 0 x 0: the input's size
    int Height = 0;
    std::vector<PresetValue> Values;
    bool InputAudioBitRate = false;  // the input's audio bit rate is kept
};

// The presets of one format: values every preset of the format sets (also when no row is
// chosen), values every row sets, and the rows.
struct FormatPresets {
    std::vector<PresetValue> FormatWide;
    std::vector<PresetValue> EveryRow;
    std::vector<PresetRow> Rows;
};

// The x264 option texts of the devices: baseline-profile tuning (each line ended by CR LF)
// and the PSP's main profile (lines separated by CR LF).
inline constexpr std::string_view kX264Options1 =
    "flags=+loop\r\ncmp=+chroma\r\ndeblockalpha=0\r\ndeblockbeta=0\r\ncrf=24\r\nrefs=1\r\n"
    "coder=0\r\nme_range=16\r\nsubq=5\r\npartitions=+parti4x4+parti8x8+partp8x8\r\ng=250\r\n"
    "keyint_min=25\r\nlevel=30\r\nqmin=10\r\nqmax=51\r\ntrellis=2\r\nsc_threshold=40\r\n"
    "i_qfactor=0.71\r\n";
inline constexpr std::string_view kX264Options2 =
    "flags=+loop\r\ncmp=+chroma\r\npartitions=+parti4x4+partp8x8+partb8x8\r\nme_method=umh\r\n"
    "subq=5\r\ntrellis=1\r\nrefs=2\r\nbf=1\r\ncoder=1\r\nme_range=16\r\ng=300\r\n"
    "keyint_min=25\r\nsc_threshold=40\r\ni_qfactor=0.71\r\nbt=64k\r\nmaxrate=4M\r\nbufsize=4M\r\n"
    "rc_eq='blurCplx^(1-qComp)'\r\nqcomp=0.6\r\nqmin=10\r\nqmax=51\r\nqdiff=4\r\nlevel=21";

const FormatPresets& PresetsOf(const OutputFormat& format);

// The target size a preset asks for (0 x 0 when it asks for none).
struct PresetSize {
    int Width = 0;
    int Height = 0;
};

// Sets the format-wide values, then, when the index is one of the rows, that row's values.
// inputAudioBitRate serves the rows that keep the input's bit rate; a value that is not
// positive, or none (join mode), leaves the bit rate unset.
PresetSize ApplyPreset(const OutputFormat& format, int index, TOutputOptions& options,
                       std::optional<std::int32_t> inputAudioBitRate);

namespace presets {
extern const FormatPresets kWAVPresets, kMP3Presets, kWMAPresets, kOGGPresets, kAACPresets,
    kM4APresets, kFLACPresets, kMP2Presets;
extern const FormatPresets kAVIPresets, kMP4Presets, kFLVPresets, kSWFPresets, kMPEGPresets,
    kRMPresets, kWMVPresets, kMOVPresets, k3GPPresets;
extern const FormatPresets kiPodPresets, kiPhonePresets, kAppleTVPresets, kPSPPresets,
    kBlackBerryPresets, kMobilePhonePresets, kiPadPresets;
}  // namespace presets

}  // namespace mw
