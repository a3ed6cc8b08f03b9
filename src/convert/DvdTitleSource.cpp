#include "DvdTitleSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdTitles.h"

namespace mw {

namespace {

constexpr int kMpegAudioFirst = 0xC0;
constexpr int kMpegAudioLast = 0xDF;
// Sectors fetched from the reader at once.
constexpr int kChunkSectors = 128;

class DvdChapterStream final : public SourceStream {
public:
    DvdChapterStream(std::unique_ptr<dvd::DVDPlugIn> plugIn, const dvd::TDVDChapterStream& info,
                     std::vector<dvd::TDVDStreamWindow> windows, const DvdTitleChoice& choice)
        : m_plugIn(std::move(plugIn)),
          m_info(info),
          m_windows(std::move(windows)),
          m_choice(choice),
          m_chunk(static_cast<std::size_t>(kChunkSectors) * dvd::kSectorSize) {}

    int Read(std::uint8_t* data, int size) override {
        const std::int64_t end = Size();
        int done = 0;
        while (done < size && m_position < end) {
            if (m_position < m_chunkStart || m_position >= m_chunkStart + m_chunkBytes) {
                if (!Fetch(m_position / dvd::kSectorSize)) {
                    return done > 0 ? done : -1;
                }
            }
            const std::int64_t offset = m_position - m_chunkStart;
            const int count =
                static_cast<int>(std::min<std::int64_t>(size - done, m_chunkBytes - offset));
            std::memcpy(data + done, m_chunk.data() + offset, static_cast<std::size_t>(count));
            done += count;
            m_position += count;
        }
        return done;
    }

    bool Seek(std::int64_t position) override {
        if (position < 0 || position > Size()) {
            return false;
        }
        m_position = position;
        return true;
    }

    std::int64_t Size() const override {
        return std::int64_t{m_info.SectorCount} * dvd::kSectorSize;
    }

    std::int64_t DurationUs() const override {
        return static_cast<std::int64_t>(m_info.Length * 1e6 + 0.5);
    }

    SourceStreams Streams() const override {
        SourceStreams streams;
        streams.AudioId =
            m_choice.AudioId == 0 ? SourceStreams::kNone : DemuxerStreamId(m_choice.AudioId);
        if (m_choice.SubtitleId != 0) {
            streams.BurnSubtitleId = DemuxerStreamId(m_choice.SubtitleId);
            for (const std::uint32_t colour : m_info.Palette) {
                streams.SubtitlePalette.push_back(PaletteRgb(colour));
            }
        }
        return streams;
    }

    std::vector<SourceWindow> Windows() const override {
        std::vector<SourceWindow> windows;
        const auto us = [](double seconds) {
            return static_cast<std::int64_t>(seconds * 1e6 + 0.5);
        };
        for (const dvd::TDVDStreamWindow& window : m_windows) {
            windows.push_back(
                {std::int64_t{window.FirstSector} * dvd::kSectorSize,
                 (std::int64_t{window.FirstSector} + window.SectorCount) * dvd::kSectorSize,
                 us(window.Start), us(window.End)});
        }
        return windows;
    }

    std::string LastError() const override { return m_error; }

private:
    bool Fetch(std::int64_t sector) {
        const int read = m_plugIn->DVDReadChapters(static_cast<std::uint32_t>(sector),
                                                   kChunkSectors, m_chunk.data());
        if (read <= 0) {
            m_error = "the DVD could not be read at sector " + std::to_string(sector);
            return false;
        }
        m_chunkStart = sector * dvd::kSectorSize;
        m_chunkBytes = std::int64_t{read} * dvd::kSectorSize;
        return true;
    }

    std::unique_ptr<dvd::DVDPlugIn> m_plugIn;
    dvd::TDVDChapterStream m_info;
    std::vector<dvd::TDVDStreamWindow> m_windows;
    DvdTitleChoice m_choice;
    std::vector<char> m_chunk;
    std::int64_t m_chunkStart = 0;
    std::int64_t m_chunkBytes = 0;
    std::int64_t m_position = 0;
    std::string m_error;
};

}  // namespace

int DemuxerStreamId(int dvdStreamId) {
    return dvdStreamId >= kMpegAudioFirst && dvdStreamId <= kMpegAudioLast ? 0x100 + dvdStreamId
                                                                           : dvdStreamId;
}

std::uint32_t PaletteRgb(std::uint32_t yCrCb) {
    const double y = (yCrCb >> 16) & 0xFF;
    const double cr = static_cast<double>((yCrCb >> 8) & 0xFF) - 128.0;
    const double cb = static_cast<double>(yCrCb & 0xFF) - 128.0;
    const auto channel = [](double value) {
        return static_cast<std::uint32_t>(std::clamp(value + 0.5, 0.0, 255.0));
    };
    // Studio-range BT.601.
    const double luma = 1.164 * (y - 16.0);
    return channel(luma + 1.596 * cr) << 16 | channel(luma - 0.392 * cb - 0.813 * cr) << 8 |
           channel(luma + 2.017 * cb);
}

DvdTitleSource::DvdTitleSource(std::string programDir, DvdTitleChoice choice)
    : m_programDir(std::move(programDir)), m_choice(std::move(choice)) {}

std::string DvdTitleSource::Name() const {
    return WithTrailingBackslash(m_choice.Root) + "Title" + std::to_string(m_choice.TitleIndex + 1);
}

std::unique_ptr<SourceStream> DvdTitleSource::Open(std::string& error) const {
    auto plugIn = std::make_unique<dvd::DVDPlugIn>(m_programDir);
    if (!plugIn->Load()) {
        error = plugIn->LastErrorMessage();
        return nullptr;
    }
    const int titles = plugIn->DVDEnumTitle(m_choice.Root);
    if (titles <= 0) {
        error = dvd::kNoTitlesMessage;
        return nullptr;
    }
    if (m_choice.TitleIndex < 0 || m_choice.TitleIndex >= titles) {
        error = "the DVD has no title " + std::to_string(m_choice.TitleIndex + 1);
        return nullptr;
    }
    dvd::TDVDTitle record;
    if (!plugIn->DVDGetTitle(m_choice.TitleIndex, record)) {
        error = plugIn->LastTitleProblem() == dvd::TitleProblem::Encrypted
                    ? std::string(dvd::kEncryptedMessage)
                    : "Title #" + std::to_string(m_choice.TitleIndex + 1) +
                          " is invalid: " + plugIn->LastTitleError();
        return nullptr;
    }
    dvd::TDVDChapterStream info;
    if (!plugIn->DVDOpenChapters(m_choice.TitleIndex, m_choice.ChapterFrom, m_choice.ChapterTo,
                                 info)) {
        error = plugIn->LastTitleError();
        return nullptr;
    }
    std::vector<dvd::TDVDStreamWindow> windows = plugIn->DVDGetChapterWindows();
    return std::make_unique<DvdChapterStream>(std::move(plugIn), info, std::move(windows),
                                              m_choice);
}

}  // namespace mw
