#include "ChapterStream.h"

#include <dvdread/dvd_reader.h>

#include <algorithm>
#include <cstring>

#include "Scrambling.h"
#include "TitleInfo.h"

namespace mw::dvd {

namespace {

// The stream's clock starts here rather than at 0, so that the decoding times of the first
// pictures, which lie before their presentation, never fall below zero.
constexpr std::int64_t kClockStart = 90000;
// Audio is stored up to about half a second after the pictures it plays with; the sectors
// after a cell are searched until the pictures there are this far past the cell's end.
constexpr std::int64_t kLateAudioSpan = 90000;
constexpr std::uint32_t kMaxLateAudioSectors = 2048;
// Audio packets from this long before a cell's start are kept: the one that holds the
// cell's first sound starts before it. The window cuts what lies before the start.
constexpr std::int64_t kAudioLead = 45000;
constexpr int kScanBlocks = 64;

}  // namespace

void ChapterStream::Close() {
    m_file.reset();
    m_segments.clear();
    m_windows.clear();
    m_sectors = 0;
    m_clock = 0;
    m_nextRead = -1;
}

bool ChapterStream::ReadNav(std::uint32_t sector, NavTimes& times) {
    unsigned char pack[kDvdBlockSize];
    return DVDReadBlocks(m_file.get(), static_cast<int>(sector), 1, pack) == 1 &&
           ReadNavPack(pack, times);
}

std::uint32_t ChapterStream::LateAudioSectors(std::uint32_t after, std::int64_t end, int vobId) {
    std::vector<unsigned char> blocks(kScanBlocks * kDvdBlockSize);
    std::uint32_t count = 0;
    while (count < kMaxLateAudioSectors) {
        const ssize_t read = DVDReadBlocks(m_file.get(), static_cast<int>(after + count),
                                           kScanBlocks, blocks.data());
        if (read <= 0) {
            return count;
        }
        for (ssize_t block = 0; block < read; ++block, ++count) {
            NavTimes times;
            if (ReadNavPack(blocks.data() + block * kDvdBlockSize, times) &&
                (times.VobId != vobId || times.Start >= end + kLateAudioSpan)) {
                return count;
            }
        }
        if (read < kScanBlocks) {
            return count;
        }
    }
    return count;
}

bool ChapterStream::AddCell(const cell_playback_t& cell, int vobId, bool continuesPrevious,
                            bool continuedByNext, std::string& error) {
    NavTimes first;
    NavTimes last;
    if (cell.last_sector < cell.first_sector || !ReadNav(cell.first_sector, first) ||
        !ReadNav(cell.last_vobu_start_sector, last)) {
        error = "a cell of the chapters has no readable navigation packs";
        return false;
    }
    const std::int64_t start = first.Start;
    const std::int64_t end = std::max(last.End, start);
    Segment segment;
    segment.DiscSector = cell.first_sector;
    segment.Count = cell.last_sector - cell.first_sector + 1;
    segment.StreamSector = m_sectors;
    segment.Rule.Shift = m_clock - start;
    // Audio before the cell's start continues the cell before it, when that one was read.
    if (!continuesPrevious) {
        segment.Rule.KeepFrom = start - kAudioLead;
        m_windows.push_back(
            {static_cast<std::int32_t>(m_sectors), 0, static_cast<double>(m_clock) / 90000.0, 0.0});
    }
    if (!continuedByNext) {
        segment.Rule.KeepUntil = end;
    }
    segment.NewClock = !continuesPrevious;
    m_segments.push_back(segment);
    m_sectors += segment.Count;
    if (!continuedByNext) {
        Segment late = segment;
        late.DiscSector = cell.last_sector + 1;
        late.Count = LateAudioSectors(late.DiscSector, end, vobId);
        late.StreamSector = m_sectors;
        late.Rule.KeepFrom = start - kAudioLead;
        late.Rule.Video = false;
        late.NewClock = false;
        if (late.Count > 0) {
            m_segments.push_back(late);
            m_sectors += late.Count;
        }
    }
    m_clock += end - start;
    TDVDStreamWindow& window = m_windows.back();
    window.SectorCount = static_cast<std::int32_t>(m_sectors) - window.FirstSector;
    window.End = static_cast<double>(m_clock) / 90000.0;
    return true;
}

bool ChapterStream::Open(dvd_reader_t* reader, const title_info_t& title, const ifo_handle_t& vts,
                         int from, int to, TDVDChapterStream& info, std::string& error) {
    Close();
    const vts_ptt_srpt_t* parts = vts.vts_ptt_srpt;
    if (parts == nullptr || parts->title == nullptr || vts.vts_pgcit == nullptr ||
        title.vts_ttn < 1 || title.vts_ttn > parts->nr_of_srpts) {
        error = "the title set does not describe the title";
        return false;
    }
    const ttu_t& unit = parts->title[title.vts_ttn - 1];
    if (unit.ptt == nullptr || from < 0 || from > to || to >= unit.nr_of_ptts) {
        error = "the title has no chapters " + std::to_string(from + 1) + " to " +
                std::to_string(to + 1);
        return false;
    }
    struct PlayedCell {
        const pgc_t* Chain;
        int Number;
    };
    std::vector<PlayedCell> cells;
    for (int chapter = from; chapter <= to; ++chapter) {
        ChapterCells chapterCells;
        if (!FindChapterCells(*vts.vts_pgcit, unit.ptt[chapter], chapterCells)) {
            error = "chapter " + std::to_string(chapter + 1) + " points outside its program chain";
            return false;
        }
        for (int cell = chapterCells.First; cell <= chapterCells.Last; ++cell) {
            if (PlaysInFirstAngle(chapterCells.Chain->cell_playback[cell - 1])) {
                cells.push_back({chapterCells.Chain, cell});
            }
        }
    }
    if (cells.empty() || cells.front().Chain->cell_position == nullptr) {
        error = "the chapters have no cells";
        return false;
    }
    m_file.reset(DVDOpenFile(reader, title.title_set_nr, DVD_READ_TITLE_VOBS));
    if (!m_file) {
        error = "the title's video cannot be read";
        return false;
    }
    const auto vobOf = [](const PlayedCell& cell) {
        return cell.Chain->cell_position ? cell.Chain->cell_position[cell.Number - 1].vob_id_nr : 0;
    };
    // A cell continues the one before it when it follows it on the disc in the same VOB:
    // then both share one clock and the audio of the seam is split between them.
    const auto continues = [&](std::size_t i) {
        if (i == 0 || i >= cells.size()) {
            return false;
        }
        const cell_playback_t& before = cells[i - 1].Chain->cell_playback[cells[i - 1].Number - 1];
        const cell_playback_t& cell = cells[i].Chain->cell_playback[cells[i].Number - 1];
        return cell.first_sector == before.last_sector + 1 &&
               vobOf(cells[i]) == vobOf(cells[i - 1]);
    };
    m_clock = kClockStart;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!AddCell(cells[i].Chain->cell_playback[cells[i].Number - 1], vobOf(cells[i]),
                     continues(i), continues(i + 1), error)) {
            Close();
            return false;
        }
    }
    std::memset(&info, 0, sizeof info);
    info.Length = static_cast<double>(m_clock - kClockStart) / 90000.0;
    info.SectorCount = static_cast<std::int32_t>(m_sectors);
    std::memcpy(info.Palette, cells.front().Chain->palette, sizeof info.Palette);
    return true;
}

int ChapterStream::Read(std::uint32_t first, int count, unsigned char* buffer) {
    if (!m_file || count <= 0) {
        return m_file ? 0 : -1;
    }
    // A jump leaves the packets it lands amid without their start.
    if (static_cast<std::int64_t>(first) != m_nextRead) {
        m_fates.Clear();
    }
    int done = 0;
    while (done < count && first + static_cast<std::uint32_t>(done) < m_sectors) {
        const std::uint32_t at = first + static_cast<std::uint32_t>(done);
        const auto segment = std::prev(std::upper_bound(
            m_segments.begin(), m_segments.end(), at,
            [](std::uint32_t sector, const Segment& s) { return sector < s.StreamSector; }));
        const std::uint32_t offset = at - segment->StreamSector;
        if (offset == 0 && segment->NewClock) {
            m_fates.Clear();
        }
        const int blocks = static_cast<int>(std::min<std::uint32_t>(
            segment->Count - offset, static_cast<std::uint32_t>(count - done)));
        unsigned char* target = buffer + static_cast<std::size_t>(done) * kDvdBlockSize;
        if (DVDReadBlocks(m_file.get(), static_cast<int>(segment->DiscSector + offset), blocks,
                          target) != blocks) {
            return -1;
        }
        for (int block = 0; block < blocks; ++block) {
            RewritePack(target + static_cast<std::size_t>(block) * kDvdBlockSize, segment->Rule,
                        m_fates);
        }
        done += blocks;
    }
    m_nextRead = first + static_cast<std::uint32_t>(done);
    return done;
}

}  // namespace mw::dvd
