#pragma once

#include <dvdread/ifo_types.h>

#include <string>

#include "dvd/TitleRecord.h"

namespace mw::dvd {

// A playback time in seconds: BCD hours, minutes, seconds and frames, the frame rate in
// the two high bits of the frame byte (1 = 25 fps, 3 = 29.97 fps).
double DvdTimeSeconds(const dvd_time_t& time);

// Where a title's first cell starts in its title set's title VOBs.
struct TitleStart {
    std::uint32_t FirstSector = 0;
};

// Fills the record of one title of the video manager's title table from its title set's
// information. False with the reason when the title set does not describe the title.
bool FillTitleRecord(const title_info_t& title, const ifo_handle_t& vts, TDVDTitle& record,
                     TitleStart& start, std::string& error);

}  // namespace mw::dvd
