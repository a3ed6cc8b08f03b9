#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// One encoding the site serves under a format code (types 0 to 7).
struct QualityType {
    std::string_view Tag;
    std::string_view UrlParameter;
    std::string_view Format;
    std::string_view Video;
    std::string_view Audio;
    std::string_view Description;
    std::string_view Extension;
};

inline constexpr int kQualityTypeCount = 8;

// The user's order of the types. Entries outside 0..7 (a hand-edited settings file) are
// kept as they are and stand for the site's default encoding.
using QualityPreference = std::array<std::uint8_t, kQualityTypeCount>;

inline constexpr QualityPreference kDefaultQualityOrder = {1, 2, 3, 0, 4, 5, 6, 7};
inline constexpr QualityPreference kBestAvailableQualityOrder = {7, 3, 2, 1, 0, 6, 4, 5};

// The tag and description of the site's default encoding.
inline constexpr std::string_view kDefaultQualityTag = "[Default Quality - HQ5]";
// What the page's label shows while the preference is off.
inline constexpr std::string_view kDefaultQualityLabel = "[Defatult Quality - HQ5]";
inline constexpr std::string_view kDefaultQualityExtension = ".flv";

// The type's row of the table; null outside 0..7.
const QualityType* QualityTypeOf(int type);

// The type of a tag such as "[HQ18]"; 0 for any other text.
int QualityTypeOfTag(std::string_view tag);

// The type of a format code such as 18; none for a code the table lacks.
std::optional<int> QualityTypeOfFmt(int fmtCode);

// An attempt position: 0 is the site's default encoding, p in 1..N the order's entry p.
std::string QualityTag(const std::vector<int>& order, int position);
std::string QualityDescription(std::string_view tag);
std::string FmtParameter(int type);
// The type's format code (18 for "&fmt=18"); none outside 0..7.
std::optional<int> FmtCode(int type);
std::string QualityExtension(const std::vector<int>& order, int position);

// The page's label: the default text with the preference off, otherwise the order's tags.
std::string PreferenceLabel(const QualityPreference& order, bool preferHighQuality);

// The entries as the run tries them.
std::vector<int> AttemptOrder(const QualityPreference& order);

}  // namespace mw
