#include "InputList.h"

#include <algorithm>

#include "Thumbnail.h"
#include "core/UtilFuncs.h"
#include "dvd/DvdTitles.h"
#include "engine/FFmpegLogger.h"

namespace mw {

namespace {

std::string BitRateText(std::int32_t bitRate) {
    return bitRate >= 1 ? std::to_string(bitRate / 1000) + " Kbps" : "Bit rate is not preseted";
}

// A stream's rate, or the whole file's (marked so) when the stream does not tell its own.
std::string StreamBitRateText(std::int32_t streamBitRate, std::int32_t fileBitRate) {
    if (streamBitRate < 1 && fileBitRate >= 1) {
        return BitRateText(fileBitRate) + " (overall)";
    }
    return BitRateText(streamBitRate);
}

// The codec as people call it: "MP3" of "mp3float(MP3 (MPEG audio layer 3))", "H.264" of
// "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)". Names without a description stay.
std::string CodecTitle(const std::string& codecName) {
    const std::size_t open = codecName.find('(');
    if (open == std::string::npos || codecName.back() != ')') {
        return codecName;
    }
    std::string title = codecName.substr(open + 1, codecName.size() - open - 2);
    for (const char* cut : {" (", " / "}) {
        if (const std::size_t at = title.find(cut); at != std::string::npos && at > 0) {
            title.erase(at);
        }
    }
    return title;
}

}  // namespace

InputItem DescribeInput(TAVProbe& probe, const std::string& fileName, bool thumbnail) {
    InputItem item;
    item.FileFullName = fileName;
    TFileStreamInfo file;
    TVideoStreamInfo video;
    TAudioStreamInfo audio;
    const bool hasVideo = probe.VideoStreamIndex() >= 0;
    if (hasVideo && thumbnail) {
        TakeThumbnail(probe, item.Thumbnail);
    }
    item.AudioIcon = !hasVideo;
    probe.GetFileStreamInfo(file);
    if (hasVideo) {
        probe.GetVideoStreamInfo(probe.VideoStreamIndex(), video);
    }
    if (probe.AudioStreamIndex() >= 0) {
        probe.GetAudioStreamInfo(probe.AudioStreamIndex(), audio);
    }
    item.Duration = "Duration: " + (file.Duration == -1 ? std::string("Duration is not preseted")
                                                        : FormatMicroseconds(file.Duration));
    if (hasVideo) {
        item.BitRate = "Bit rate: " + StreamBitRateText(video.BitRate, file.BitRate);
        item.Dimension =
            Format("Dimension: %d x %d, ", video.Width, video.Height) + CodecTitle(video.CodecName);
    } else {
        item.BitRate = "Audio Bit rate: " + StreamBitRateText(audio.BitRate, file.BitRate);
        item.Dimension = "Audio Codec: " + CodecTitle(audio.CodecName);
    }
    item.FileSize = Format("File size: %lld M", static_cast<long long>(probe.FileSize() / 1048576));
    item.VideoEncoder = "Video encoder: " + video.CodecName;
    item.AudioChannels = "Channels: " + std::to_string(audio.Channels);
    item.AudioSampleRate = "Sample rate: " + std::to_string(audio.SampleRate) + " Hz";
    item.AudioBitrate = "Bit rate: " + BitRateText(audio.BitRate);
    item.AudioEncoder = "Audio encoder: " + audio.CodecName;
    // A stream without a rate denominator has no rate to show.
    item.FrameRate = video.FrameRateDen > 0
                         ? Format("Frame rate: %.2f",
                                  static_cast<double>(video.FrameRateNum) / video.FrameRateDen)
                         : std::string("Frame rate: N/A");
    item.RealDuration = file.Duration == -1 ? 0 : file.Duration;
    item.Width = video.Width;
    item.Height = video.Height;
    item.AspectRatio = video.DisplayAspectRatio;
    return item;
}

std::string ShortenPath(const std::string& path,
                        const std::function<bool(const std::string&)>& fits) {
    if (fits(path)) {
        return path;
    }
    const std::string name = ExtractFileName(path);
    std::string folders = ExtractFilePath(path);
    const std::string root = folders.starts_with("/") ? "/" : "";
    folders.erase(0, root.size());
    // Drop folders from the front one at a time.
    while (!folders.empty()) {
        const std::size_t next = folders.find('/');
        folders.erase(0, next == std::string::npos ? folders.size() : next + 1);
        const std::string candidate = root + ".../" + folders + name;
        if (!folders.empty() && fits(candidate)) {
            return candidate;
        }
    }
    const std::string shortest = ".../" + name;
    return fits(shortest) ? shortest : name;
}

std::vector<std::string> InputList::AddFiles(TAVProbe& probe, const std::vector<std::string>& names,
                                             const std::function<void(const std::string&)>& log,
                                             bool thumbnails) {
    std::vector<std::string> failed;
    for (const std::string& name : names) {
        if (!probe.LoadFile(name)) {
            log("File load error: " + probe.LastErrorMessage());
            failed.push_back(probe.LastErrorMessage());
            continue;
        }
        m_items.push_back(DescribeInput(probe, name, thumbnails));
        probe.Close();
    }
    return failed;
}

void InputList::AddNames(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        InputItem item;
        item.FileFullName = name;
        m_items.push_back(std::move(item));
    }
}

void InputList::AddDvdTitle(const DvdTitleChoice& choice) {
    const dvd::DvdRowTexts texts = dvd::DvdRowCaption(choice);
    InputItem item;
    item.FileFullName = std::to_string(choice.TitleIndex);
    item.Duration = texts.Duration;
    item.BitRate = texts.BitRate;
    item.Dimension = texts.Dimension;
    item.FileSize = std::to_string(choice.ChapterFrom);
    item.VideoEncoder = std::to_string(choice.ChapterTo);
    item.AudioChannels = std::to_string(choice.AudioId);
    item.AudioSampleRate = std::to_string(choice.SubtitleId);
    item.AudioBitrate = std::to_string(choice.Mode);
    item.AudioEncoder = choice.Deinterlace ? "True" : "False";
    item.FrameRate = choice.Root;
    item.RealDuration = 0;
    item.Width = 1;
    item.Dvd = choice;
    m_items.push_back(std::move(item));
}

void InputList::Select(int index) {
    m_selected = index >= 0 && index < Count() ? index : -1;
}

void InputList::DeleteSelected() {
    if (m_selected < 0) {
        return;
    }
    m_items.erase(m_items.begin() + m_selected);
    m_selected = m_items.empty() ? -1 : std::min(m_selected, Count() - 1);
}

void InputList::Clear() {
    m_items.clear();
    m_selected = -1;
}

void InputList::MoveUp() {
    if (CanMoveUp()) {
        Move(m_selected, m_selected - 1);
    }
}

void InputList::MoveDown() {
    if (CanMoveDown()) {
        Move(m_selected, m_selected + 1);
    }
}

void InputList::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) {
        return;
    }
    InputItem item = std::move(m_items[static_cast<std::size_t>(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    m_selected = to;
}

}  // namespace mw
