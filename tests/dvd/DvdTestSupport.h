#pragma once

#include <string>
#include <vector>

#include "dvd/DVDPlugIn.h"
#include "dvd/DvdTitles.h"

namespace mw::test {

// The plug-in of the program directory the build lays out.
inline dvd::DVDPlugIn ProgramPlugIn() {
    return dvd::DVDPlugIn(MW_PROGRAM_DIR);
}

// The captions of the title list of a root, or nothing when it has no titles.
inline std::vector<std::string> Captions(const dvd::DvdDisc& disc) {
    std::vector<std::string> captions;
    for (const dvd::DvdTitleEntry& entry : disc.Titles) {
        captions.push_back(entry.Caption);
    }
    return captions;
}

}  // namespace mw::test
