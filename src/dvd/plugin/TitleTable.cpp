#include "TitleTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "DvdReadPtr.h"

namespace mw::dvd {

namespace {

constexpr int kBlockSize = 2048;
constexpr char kManagerId[] = "DVDVIDEO-VMG";
// Where the manager's header names the table's sector.
constexpr std::size_t kTableSectorAt = 0xC4;
constexpr int kTableHeaderSize = 8;
constexpr int kEntrySize = 12;
constexpr int kMaxTitles = 99;

std::uint32_t BigEndian(const unsigned char* bytes, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool ReadAt(dvd_file_t* file, std::uint32_t offset, unsigned char* into, std::size_t size) {
    return DVDFileSeek(file, static_cast<std::int32_t>(offset)) ==
               static_cast<std::int32_t>(offset) &&
           DVDReadBytes(file, into, size) == static_cast<ssize_t>(size);
}

title_info_t Entry(const unsigned char* bytes) {
    title_info_t entry{};
    entry.nr_of_angles = bytes[1];
    entry.nr_of_ptts = static_cast<std::uint16_t>(BigEndian(bytes + 2, 2));
    entry.parental_id = static_cast<std::uint16_t>(BigEndian(bytes + 4, 2));
    entry.title_set_nr = bytes[6];
    entry.vts_ttn = bytes[7];
    entry.title_set_sector = BigEndian(bytes + 8, 4);
    return entry;
}

std::optional<std::vector<title_info_t>> ReadFrom(dvd_reader_t* reader, dvd_read_domain_t domain) {
    const DvdFilePtr file(DVDOpenFile(reader, 0, domain));
    if (!file) {
        return std::nullopt;
    }
    std::array<unsigned char, kTableSectorAt + 4> header{};
    if (!ReadAt(file.get(), 0, header.data(), header.size()) ||
        std::memcmp(header.data(), kManagerId, std::strlen(kManagerId)) != 0) {
        return std::nullopt;
    }
    const std::uint32_t sector = BigEndian(header.data() + kTableSectorAt, 4);
    std::array<unsigned char, kTableHeaderSize> table{};
    if (sector == 0 || !ReadAt(file.get(), sector * kBlockSize, table.data(), table.size())) {
        return std::nullopt;
    }
    int count = static_cast<int>(BigEndian(table.data(), 2));
    // Some discs leave the table's last byte at 0; otherwise it bounds the entries.
    if (const std::uint32_t lastByte = BigEndian(table.data() + 4, 4); lastByte != 0) {
        const std::int64_t room = (static_cast<std::int64_t>(lastByte) + 1 - kTableHeaderSize);
        count = static_cast<int>(
            std::min<std::int64_t>(count, std::max<std::int64_t>(room, 0) / kEntrySize));
    }
    if (count < 1 || count > kMaxTitles) {
        return std::nullopt;
    }
    std::vector<unsigned char> entries(static_cast<std::size_t>(count) * kEntrySize);
    if (!ReadAt(file.get(), sector * kBlockSize + kTableHeaderSize, entries.data(),
                entries.size())) {
        return std::nullopt;
    }
    std::vector<title_info_t> titles;
    for (int i = 0; i < count; ++i) {
        titles.push_back(Entry(entries.data() + static_cast<std::size_t>(i) * kEntrySize));
    }
    return titles;
}

}  // namespace

std::vector<title_info_t> ReadTitleTable(dvd_reader_t* reader) {
    if (auto titles = ReadFrom(reader, DVD_READ_INFO_FILE)) {
        return std::move(*titles);
    }
    return ReadFrom(reader, DVD_READ_INFO_BACKUP_FILE).value_or(std::vector<title_info_t>{});
}

}  // namespace mw::dvd
