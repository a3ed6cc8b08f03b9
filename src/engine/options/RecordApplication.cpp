#include "engine/options/RecordApplication.h"

#include <cmath>
#include <ctime>
#include <string>

#include "engine/FFmpegLogger.h"

namespace mw {

namespace {

std::string Seconds(std::int64_t microseconds) {
    return Format("%.6f", static_cast<double>(microseconds) / 1e6);
}

// Days since 1899-12-30 in local time, as the recording time stamp's date text; 0 is now.
// The days already count local time, so their fields are the text: no round trip through
// mktime, which re-reads the time zone on every call (freeing and copying the C library's
// zone name under a lock the thread checker cannot see) from every task at once.
std::string LocalDateText(double days) {
    std::tm local{};
    if (days == 0.0) {
        const std::time_t now = std::time(nullptr);
        localtime_r(&now, &local);
    } else {
        const std::time_t fields =
            static_cast<std::time_t>(std::llround((days - 25569.0) * 86400.0));
        gmtime_r(&fields, &local);
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void SetIf(TCustomFFmpeg& task, bool condition, const char* name, const std::string& value) {
    if (condition) {
        task.SetOption(name, value);
    }
}

}  // namespace

void ApplyInputRecord(TCustomFFmpeg& task, const TInputOptions& options) {
    task.ApplyExtOptions(options.ExtOptions, OptionGroup::Other);
    task.ApplyExtOptions(options.ExtOptions, OptionGroup::CodecNames);
    SetIf(task, !options.FileFormat.empty(), "f", options.FileFormat);
    SetIf(task, options.StartTime != kNoPts, "ss", Seconds(options.StartTime));
    SetIf(task, options.ProgramID >= 0, "programid", std::to_string(options.ProgramID));
    task.SetInputSource(options.Source);
}

void ApplyOutputRecord(TCustomFFmpeg& task, const TOutputOptions& o) {
    if (o.TargetType >= 1 && o.TargetType <= 3) {
        static constexpr const char* kTargets[] = {"vcd", "svcd", "dvd"};
        const char* norm = o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto";
        task.ApplyTarget(kTargets[o.TargetType - 1], norm,
                         o.TargetDefaultNorm == 1 ? "pal" : "ntsc");
    }
    task.ApplyExtOptions(o.ExtOptions, OptionGroup::CodecNames);
    SetIf(task, !o.AudioCodec.empty(), "acodec", o.AudioCodec);
    SetIf(task, !o.VideoCodec.empty(), "vcodec", o.VideoCodec);
    SetIf(task, !o.SubtitleCodec.empty(), "scodec", o.SubtitleCodec);
    task.ApplyExtOptions(o.ExtOptions, OptionGroup::Presets);
    SetIf(task, !o.AudioPreset.empty(), "apre", o.AudioPreset);
    SetIf(task, !o.VideoPreset.empty(), "vpre", o.VideoPreset);
    SetIf(task, !o.SubtitlePreset.empty(), "spre", o.SubtitlePreset);
    task.ApplyExtOptions(o.ExtOptions, OptionGroup::Other);

    SetIf(task, !o.FileFormat.empty(), "f", o.FileFormat);
    SetIf(task, o.PacketSize > 0, "packetsize", std::to_string(o.PacketSize));
    SetIf(task, o.MuxRate > 0, "muxrate", std::to_string(o.MuxRate));
    SetIf(task, o.MuxDelay > 0, "muxdelay", Format("%f", static_cast<double>(o.MuxDelay)));
    SetIf(task, o.MuxPreload > 0, "muxpreload", Format("%f", static_cast<double>(o.MuxPreload)));
    SetIf(task, o.DisableAudio, "an", "1");
    SetIf(task, o.AudioVolume >= 0, "vol", std::to_string(o.AudioVolume));
    SetIf(task, o.AudioChannels > 0, "ac", std::to_string(o.AudioChannels));
    SetIf(task, o.AudioSampleRate > 0, "ar", std::to_string(o.AudioSampleRate));
    SetIf(task, o.AudioBitRate > 0, "ab", std::to_string(o.AudioBitRate));
    SetIf(task, o.AudioBitRateTolerance > 0, "abt", std::to_string(o.AudioBitRateTolerance));
    task.SetOption("alang", o.AudioLanguage);
    task.SetOption("async", std::to_string(o.AudioSync));
    SetIf(task, !o.AudioTag.empty(), "atag", o.AudioTag);
    SetIf(task, o.DisableVideo, "vn", "1");
    SetIf(task, !o.FrameRate.empty(), "r", o.FrameRate);
    SetIf(task, !o.AspectRatio.empty(), "aspect", o.AspectRatio);
    SetIf(task, o.CropTop >= 0, "croptop", std::to_string(o.CropTop));
    SetIf(task, o.CropBottom >= 0, "cropbottom", std::to_string(o.CropBottom));
    SetIf(task, o.CropLeft >= 0, "cropleft", std::to_string(o.CropLeft));
    SetIf(task, o.CropRight >= 0, "cropright", std::to_string(o.CropRight));
    SetIf(task, o.PadTop >= 0, "padtop", std::to_string(o.PadTop));
    SetIf(task, o.PadBottom >= 0, "padbottom", std::to_string(o.PadBottom));
    SetIf(task, o.PadLeft >= 0, "padleft", std::to_string(o.PadLeft));
    SetIf(task, o.PadRight >= 0, "padright", std::to_string(o.PadRight));
    task.SetOption("padcolor", std::to_string(o.PadColor));
    SetIf(task, o.GOPSize > 0, "g", std::to_string(o.GOPSize));
    SetIf(task, o.VideoBitRate > 0, "vb", std::to_string(o.VideoBitRate));
    SetIf(task, o.MaxRate > 0, "maxrate", std::to_string(o.MaxRate));
    SetIf(task, o.MinRate > 0, "minrate", std::to_string(o.MinRate));
    SetIf(task, o.VideoBitRateTolerance > 0, "bt", std::to_string(o.VideoBitRateTolerance));
    SetIf(task, o.BufferSize > 0, "bufsize", std::to_string(o.BufferSize));
    task.SetOption("vsync", std::to_string(o.VideoSync));
    SetIf(task, !o.VideoTag.empty(), "vtag", o.VideoTag);
    task.SetOption("vlang", o.VideoLanguage);
    SetIf(task, o.DisableSubtitle, "sn", "1");
    task.SetOption("slang", o.SubtitleLanguage);
    task.SetOption("isync", o.InputSync ? "1" : "0");
    SetIf(task, o.CopyTimestamps, "copyts", "1");
    SetIf(task, o.StartTime != kNoPts, "ss", Seconds(o.StartTime));
    SetIf(task, o.RecordingTime != kNoPts, "t", Seconds(o.RecordingTime));

    const TStreamInfo& m = o.Metadata;
    SetIf(task, m.Timestamp >= 0.0, "timestamp", LocalDateText(m.Timestamp));
    SetIf(task, m.Year > 0, "metadata", "year=" + std::to_string(m.Year));
    SetIf(task, m.Track > 0, "metadata", "track=" + std::to_string(m.Track));
    SetIf(task, !m.Title.empty(), "metadata", "title=" + m.Title);
    SetIf(task, !m.Author.empty(), "metadata", "author=" + m.Author);
    SetIf(task, !m.Copyright.empty(), "metadata", "copyright=" + m.Copyright);
    SetIf(task, !m.Comment.empty(), "metadata", "comment=" + m.Comment);
    SetIf(task, !m.Album.empty(), "metadata", "album=" + m.Album);
    SetIf(task, !m.Genre.empty(), "metadata", "genre=" + m.Genre);

    task.ApplyExtOptions(o.ExtOptions, OptionGroup::FrameSize);
    SetIf(task, !o.FrameSize.empty(), "s", o.FrameSize);
    task.ApplyExtOptions(o.ExtOptions, OptionGroup::Filters);
    SetIf(task, !o.VideoFilters.empty(), "vfilters", o.VideoFilters);
}

void ApplyNewStreamRecord(TCustomFFmpeg& task, const TOutputOptions& options) {
    task.ApplyExtOptions(options.ExtOptions, OptionGroup::NewStreams);
}

}  // namespace mw
