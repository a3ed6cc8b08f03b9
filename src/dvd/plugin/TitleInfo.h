#pragma once

#include <dvdread/ifo_types.h>

#include <string>

#include "dvd/TitleRecord.h"

namespace mw::dvd {

// A playback time in seconds: BCD hours, minutes, seconds and frames, the frame rate in
// the two high bits of the frame byte (1 = 25 fps, 3 = 29.97 fps).
double DvdTimeSeconds(const dvd_time_t& time);

// The program chain of a title set by its number (from 1), or null.
const pgc_t* ProgramChain(const pgcit_t& pgcit, int pgcn);

// The cells of one chapter: its program's first cell to the one before the next program's,
// numbered from 1 in its program chain.
struct ChapterCells {
    const pgc_t* Chain = nullptr;
    int First = 0;
    int Last = 0;
};
bool FindChapterCells(const pgcit_t& pgcit, const ptt_info_t& ptt, ChapterCells& cells);

// Of an angle block only the first angle plays.
bool PlaysInFirstAngle(const cell_playback_t& cell);

// Where a title's first cell starts in its title set's title VOBs.
struct TitleStart {
    std::uint32_t FirstSector = 0;
};

// Fills the record of one title of the video manager's title table from its title set's
// information. False with the reason when the title set does not describe the title.
bool FillTitleRecord(const title_info_t& title, const ifo_handle_t& vts, TDVDTitle& record,
                     TitleStart& start, std::string& error);

}  // namespace mw::dvd
