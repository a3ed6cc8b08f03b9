#pragma once

#include <optional>
#include <string>

#include "dvd/DvdTitleChoice.h"

namespace mw::cli {

// The DVD title of a convert command, as its options give it.
struct DvdOptions {
    std::string Root;
    std::optional<std::string> Title;     // from 1
    std::optional<std::string> Chapters;  // "A-B" or "A", from 1
    std::optional<std::string> Audio;     // a stream id: 0x81 or 129; 0 for none
    std::optional<std::string> Subtitle;
    bool Deinterlace = false;
};

// The option texts as numbers; a usage problem's text when one does not parse.
struct DvdNumbers {
    int Title = 0;  // from 1
    std::optional<int> ChapterFrom, ChapterTo;
    std::optional<int> AudioId, SubtitleId;
};
std::optional<DvdNumbers> ParseDvdOptions(const DvdOptions& options, std::string& problem);

// Checks the numbers against the disc and fills the choice the title dialog would hand over
// (audio: the title's first stream unless one is given; subtitle: none unless given).
// False with the message when the disc has no such title, chapters or streams.
bool ChooseDvdTitle(const std::string& programDir, const std::string& root,
                    const DvdNumbers& numbers, bool deinterlace, DvdTitleChoice& choice,
                    std::string& message);

}  // namespace mw::cli
