#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <optional>

#include "dvd/DvdTitleChoice.h"
#include "engine/common/Bitmap.h"
#include "engine/probe/AVProbe.h"

namespace mw {

// One input file as the list shows it: the texts of its columns, read once from the probe.
struct InputItem {
    Bitmap Thumbnail;          // empty for files without video
    bool AudioIcon = false;    // the file has no video: the list shows the audio icon
    std::string FileFullName;  // the name the conversion uses
    std::string Duration;      // "Duration: 00:01:00.000"
    std::string BitRate;       // "Bit rate: 800 Kbps" or "Audio Bit rate: ..."
    std::string Dimension;     // "Dimension: 640 x 480, H.264" or "Audio Codec: MP3"
    std::string FileSize;      // "File size: 12 M"
    std::string VideoEncoder;
    std::string AudioChannels;
    std::string AudioSampleRate;
    std::string AudioBitrate;
    std::string AudioEncoder;
    std::string FrameRate;
    std::int64_t RealDuration = 0;  // microseconds, 0 when unknown
    int Width = -1;
    int Height = -1;
    float AspectRatio = -1.0f;
    // A DVD title row: the title chosen in the DVD dialog. Its columns hold the title's
    // values as texts; FileFullName is the title index, not a file.
    std::optional<DvdTitleChoice> Dvd;
};

// The column texts of a file the probe has open, with its picture unless told otherwise.
InputItem DescribeInput(TAVProbe& probe, const std::string& fileName, bool thumbnail = true);

// The full path shortened to fit: folders give way to "..." from the front, keeping the
// root; then only ".../" and the name; then the name alone.
std::string ShortenPath(const std::string& path,
                        const std::function<bool(const std::string&)>& fits);

// The files to convert, in conversion order, with the selected row.
class InputList {
public:
    // Adds one row per file the probe can open; the messages of the others are returned,
    // in order, and logged with "File load error: ". Raises EngineError when the media
    // libraries are not loaded (rows added so far stay).
    // A list nobody looks at (the command line) can do without the pictures.
    std::vector<std::string> AddFiles(TAVProbe& probe, const std::vector<std::string>& names,
                                      const std::function<void(const std::string&)>& log,
                                      bool thumbnails = true);

    // Adds rows that carry only their file names, for runs that probe each file when they
    // queue it anyway (a conversion from the command line).
    void AddNames(const std::vector<std::string>& names);

    // Appends the row of a DVD title chosen in the DVD dialog.
    void AddDvdTitle(const DvdTitleChoice& choice);

    const std::vector<InputItem>& Items() const { return m_items; }
    int Count() const { return static_cast<int>(m_items.size()); }
    int Selected() const { return m_selected; }
    void Select(int index);

    void DeleteSelected();
    void Clear();
    void MoveUp();
    void MoveDown();
    // Moves a row to another position (dragging) and keeps it selected.
    void Move(int from, int to);

    bool CanDelete() const { return m_selected >= 0; }
    bool CanPlay() const { return m_selected >= 0; }
    bool CanClear() const { return !m_items.empty(); }
    bool CanMoveUp() const { return m_selected > 0; }
    bool CanMoveDown() const { return m_selected >= 0 && m_selected < Count() - 1; }

private:
    std::vector<InputItem> m_items;
    int m_selected = -1;
};

}  // namespace mw
