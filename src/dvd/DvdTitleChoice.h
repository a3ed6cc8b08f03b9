#pragma once

#include <cstdint>
#include <string>

namespace mw {

// One DVD title as the title dialog hands it to the input list.
struct DvdTitleChoice {
    std::string Root;  // as chosen; a folder ends with the separator
    std::int32_t TitleIndex = 0;
    std::int32_t ChapterFrom = 0;  // 0-based
    std::int32_t ChapterTo = 0;    // 0-based
    std::int32_t AudioId = 0;      // 0 = "Disable"
    std::string AudioText;
    std::int32_t SubtitleId = 0;  // 0 = "Disable"
    std::string SubtitleText;
    std::int32_t Mode = 2;
    bool Deinterlace = false;

    friend bool operator==(const DvdTitleChoice&, const DvdTitleChoice&) = default;
};

}  // namespace mw
