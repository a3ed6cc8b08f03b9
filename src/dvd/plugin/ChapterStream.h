#pragma once

#include <dvdread/ifo_types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DvdReadPtr.h"
#include "PackTimes.h"
#include "dvd/ChapterStreamInfo.h"

namespace mw::dvd {

// A title's chapter range as one MPEG program stream, read by sector: the cells of the
// chapters in playing order, their time stamps moved onto one running clock, and after a
// cell that the next one does not continue, the sectors that still carry its late audio.
// Audio and sub-pictures of other material (before a chapter's start, after its end) and the
// navigation packs are padding, so every sector keeps its place and the stream can be sought.
class ChapterStream {
public:
    // Opens chapters from..to (0-based) of a title; false with the reason.
    bool Open(dvd_reader_t* reader, const title_info_t& title, const ifo_handle_t& vts, int from,
              int to, TDVDChapterStream& info, std::string& error);
    void Close();
    // Reads count sectors from sector first of the stream into buffer; the number read
    // (0 at the end), or -1 when the disc could not be read.
    int Read(std::uint32_t first, int count, unsigned char* buffer);
    // The stream's windows: one per run of cells that continue one another, with the sectors
    // read after the run for its late audio.
    const std::vector<TDVDStreamWindow>& Windows() const { return m_windows; }

private:
    struct Segment {
        std::uint32_t DiscSector = 0;  // first sector in the title set's title VOBs
        std::uint32_t Count = 0;
        std::uint32_t StreamSector = 0;  // first sector in this stream
        PackRule Rule;
        bool NewClock = false;  // the disc's clock starts anew here
    };

    bool AddCell(const cell_playback_t& cell, int vobId, bool continuesPrevious,
                 bool continuedByNext, std::string& error);
    bool ReadNav(std::uint32_t sector, NavTimes& times);
    // How many sectors after a cell still carry audio that plays before its end.
    std::uint32_t LateAudioSectors(std::uint32_t after, std::int64_t end, int vobId);

    DvdFilePtr m_file;
    std::vector<Segment> m_segments;
    std::vector<TDVDStreamWindow> m_windows;
    std::uint32_t m_sectors = 0;
    std::int64_t m_clock = 0;
    std::int64_t m_nextRead = -1;
    StreamFates m_fates;
};

}  // namespace mw::dvd
