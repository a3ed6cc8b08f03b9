#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_types.h>

#include <vector>

namespace mw::dvd {

// The video manager's title table, read from VIDEO_TS.IFO or, when that cannot be read,
// from its backup VIDEO_TS.BUP. Empty when neither holds one.
//
// The table is read here rather than through ifoOpen: on a manager file cut inside the
// table, libdvdread 6.1 frees its half-read table without forgetting it and frees it again
// when it falls back to the backup, which corrupts the reader's heap. The entries are our
// own copies, so no handle of the library's can free them under us.
std::vector<title_info_t> ReadTitleTable(dvd_reader_t* reader);

}  // namespace mw::dvd
