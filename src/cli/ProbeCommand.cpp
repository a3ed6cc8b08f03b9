#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "EngineSession.h"
#include "Json.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/probe/AVProbe.h"

namespace mw::cli {

namespace {

struct ProbeResult {
    std::string File;
    bool Ok = false;
    std::string Error;
    std::int64_t FileSize = -1;
    int Counts[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    TFileStreamInfo Format;
    bool HasVideo = false;
    TVideoStreamInfo Video;
    bool HasAudio = false;
    TAudioStreamInfo Audio;
};

constexpr const char* kCountNames[8] = {
    "StreamCount",         "ProgramCount",     "AudioStreamCount", "VideoStreamCount",
    "SubtitleStreamCount", "AudioStreamIndex", "VideoStreamIndex", "SubtitleStreamIndex"};

ProbeResult ProbeFile(TAVProbe& probe, const std::string& file) {
    ProbeResult result;
    result.File = file;
    try {
        if (!probe.LoadFile(file)) {
            result.Error = probe.LastErrorMessage();
            return result;
        }
    } catch (const EngineError& error) {
        result.Error = error.what();
        return result;
    }
    result.Ok = true;
    result.FileSize = probe.FileSize();
    const int counts[8] = {probe.StreamCount(),         probe.ProgramCount(),
                           probe.AudioStreamCount(),    probe.VideoStreamCount(),
                           probe.SubtitleStreamCount(), probe.AudioStreamIndex(),
                           probe.VideoStreamIndex(),    probe.SubtitleStreamIndex()};
    std::copy(std::begin(counts), std::end(counts), std::begin(result.Counts));
    probe.GetFileStreamInfo(result.Format);
    if (probe.VideoStreamIndex() >= 0) {
        result.HasVideo = probe.GetVideoStreamInfo(probe.VideoStreamIndex(), result.Video);
    }
    if (probe.AudioStreamIndex() >= 0) {
        result.HasAudio = probe.GetAudioStreamInfo(probe.AudioStreamIndex(), result.Audio);
    }
    probe.Close();
    return result;
}

void WriteCommon(JsonWriter& json, const TStreamInfoCommon& info) {
    json.Member("Language", info.Language);
    json.Member("CodecName", info.CodecName);
    json.Member("RawStartTime", info.RawStartTime);
    json.Member("StartTime", info.StartTime);
    json.Member("RawDuration", info.RawDuration);
    json.Member("Duration", info.Duration);
    json.Member("BitRate", std::int64_t{info.BitRate});
}

void WriteFormat(JsonWriter& json, const TFileStreamInfo& f) {
    json.BeginObject();
    json.Member("StartTime", f.StartTime);
    json.Member("Duration", f.Duration);
    json.Member("BitRate", std::int64_t{f.BitRate});
    json.Member("Timestamp", f.Timestamp);
    json.Member("Year", std::int64_t{f.Year});
    json.Member("Track", std::int64_t{f.Track});
    json.Member("Title", f.Title);
    json.Member("Author", f.Author);
    json.Member("Copyright", f.Copyright);
    json.Member("Comment", f.Comment);
    json.Member("Album", f.Album);
    json.Member("Genre", f.Genre);
    json.EndObject();
}

void WriteVideo(JsonWriter& json, const TVideoStreamInfo& v) {
    json.BeginObject();
    WriteCommon(json, v);
    json.Member("Height", std::int64_t{v.Height});
    json.Member("Width", std::int64_t{v.Width});
    json.Member("DisplayAspectRatio", static_cast<double>(v.DisplayAspectRatio));
    json.Member("PixelFormat", std::int64_t{v.PixelFormat});
    json.Member("FrameRateNum", std::int64_t{v.FrameRateNum});
    json.Member("FrameRateDen", std::int64_t{v.FrameRateDen});
    json.EndObject();
}

void WriteAudio(JsonWriter& json, const TAudioStreamInfo& a) {
    json.BeginObject();
    WriteCommon(json, a);
    json.Member("Channels", std::int64_t{a.Channels});
    json.Member("SampleRate", std::int64_t{a.SampleRate});
    json.Member("SampleFormat", std::int64_t{a.SampleFormat});
    json.EndObject();
}

void WriteJson(const std::vector<ProbeResult>& results) {
    JsonWriter json;
    json.BeginArray();
    for (const ProbeResult& r : results) {
        json.BeginObject();
        json.Member("file", r.File);
        json.Member("ok", r.Ok);
        json.Member("error", r.Error);
        json.Key("counts");
        json.BeginObject();
        for (int i = 0; i < 8; ++i) {
            json.Member(kCountNames[i], std::int64_t{r.Counts[i]});
        }
        json.Member("FileSize", r.FileSize);
        json.EndObject();
        json.Key("format");
        if (r.Ok) {
            WriteFormat(json, r.Format);
        } else {
            json.Null();
        }
        json.Key("video");
        if (r.HasVideo) {
            WriteVideo(json, r.Video);
        } else {
            json.Null();
        }
        json.Key("audio");
        if (r.HasAudio) {
            WriteAudio(json, r.Audio);
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray();
    std::printf("%s\n", json.Text().c_str());
}

std::string BitRateText(std::int64_t bitRate) {
    return bitRate > 0 ? std::to_string(bitRate / 1000) + " kb/s" : "unknown";
}

void WriteText(const ProbeResult& r) {
    std::printf("%s\n", r.File.c_str());
    const TFileStreamInfo& f = r.Format;
    std::printf("  Streams:  %d (video %d, audio %d, subtitle %d), programs %d\n", r.Counts[0],
                r.Counts[3], r.Counts[2], r.Counts[4], r.Counts[1]);
    std::printf("  Size:     %lld bytes\n", static_cast<long long>(r.FileSize));
    std::printf("  Duration: %s, start %s, bit rate %s\n",
                f.Duration >= 0 ? FormatMicroseconds(f.Duration).c_str() : "unknown",
                f.StartTime >= 0 ? FormatMicroseconds(f.StartTime).c_str() : "unknown",
                BitRateText(f.BitRate).c_str());
    if (!f.Title.empty()) {
        std::printf("  Title:    %s\n", f.Title.c_str());
    }
    if (r.HasVideo) {
        const TVideoStreamInfo& v = r.Video;
        std::printf("  Video #%d: %s, %dx%d, aspect %.3f, %d/%d fps, bit rate %s\n", r.Counts[6],
                    v.CodecName.c_str(), v.Width, v.Height,
                    static_cast<double>(v.DisplayAspectRatio), v.FrameRateNum, v.FrameRateDen,
                    BitRateText(v.BitRate).c_str());
    }
    if (r.HasAudio) {
        const TAudioStreamInfo& a = r.Audio;
        std::printf("  Audio #%d: %s, %d channels, %d Hz, bit rate %s\n", r.Counts[5],
                    a.CodecName.c_str(), a.Channels, a.SampleRate, BitRateText(a.BitRate).c_str());
    }
}

struct ProbeValues {
    bool Json = false;
    std::vector<std::string> Files;
};

int RunProbe(const ProbeValues& values) {
    const bool json = values.Json;
    const std::vector<std::string>& files = values.Files;
    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    TAVProbe probe;
    std::vector<ProbeResult> results;
    bool allOk = true;
    for (const std::string& file : files) {
        results.push_back(ProbeFile(probe, file));
        if (!results.back().Ok) {
            allOk = false;
            std::fprintf(stderr, "%s\n", results.back().Error.c_str());
        }
    }
    if (json) {
        WriteJson(results);
    } else {
        for (const ProbeResult& result : results) {
            if (result.Ok) {
                WriteText(result);
            }
        }
    }
    return allOk ? kExitOk : kExitFailed;
}

}  // namespace

CommandRun AddProbeCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "probe", "probe [--json] FILE...",
                                   "What the media probe reads of each file.");
    auto values = std::make_shared<ProbeValues>();
    command.add_flag("--json", values->Json, "write the results as JSON");
    command.add_option("FILE", values->Files, "media files")->required();
    return [values] { return RunProbe(*values); };
}

}  // namespace mw::cli
