#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mw {

struct NamedOption {
    std::string Name;
    std::string Value;
};

// What is remembered across lines to map split options ("deblockalpha", "deblockbeta").
struct LegacyOptionState {
    std::string DeblockAlpha = "0";
    std::string DeblockBeta = "0";
};

// The current equivalents of one option of the 2010 libraries. Names that kept their
// meaning come back unchanged; x264 settings that became private options of libx264
// come back under their current names and values.
std::vector<NamedOption> MapLegacyOption(std::string_view name, std::string_view value,
                                         LegacyOptionState& state);

// The starting point of libx264 in the 2010 libraries: no B-frames, CAVLC, one reference,
// no 8x8 transform, no weighted or mixed references. Options given later override these.
const std::vector<NamedOption>& LegacyX264Defaults();

}  // namespace mw
