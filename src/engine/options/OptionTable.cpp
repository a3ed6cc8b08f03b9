#include "engine/options/OptionTable.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/task/CustomFFmpeg.h"

namespace mw {

namespace {

int ParseInt(std::string_view value) {
    const std::string text(Trim(value));
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) {
        throw EngineError("'" + std::string(value) + "' is not a valid integer value");
    }
    return static_cast<int>(number);
}

std::int64_t ParseInt64(std::string_view value) {
    const std::string text(Trim(value));
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0) {
        throw EngineError("'" + std::string(value) + "' is not a valid integer value");
    }
    return number;
}

double ParseFloat(std::string_view value) {
    const std::string text(Trim(value));
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(number)) {
        throw EngineError("'" + std::string(value) + "' is not a valid floating point value");
    }
    return number;
}

std::int64_t ParseTime(std::string_view option, std::string_view value, bool duration) {
    std::int64_t time = 0;
    if (av_parse_time(&time, std::string(value).c_str(), duration ? 1 : 0) < 0) {
        throw EngineError(std::string("Invalid ") + (duration ? "duration" : "date") +
                          " specification for " + std::string(option) + ": " + std::string(value));
    }
    return time;
}

// "w" + one separator character + "h", or one of the library's size names.
bool ParseFrameSize(std::string_view value, int& width, int& height) {
    const std::string text(value);
    std::size_t i = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i > 0 && i + 1 < text.size()) {
        const std::string rest = text.substr(i + 1);
        if (rest.find_first_not_of("0123456789") == std::string::npos) {
            width = std::atoi(text.substr(0, i).c_str());
            height = std::atoi(rest.c_str());
            return width > 0 && height > 0;
        }
    }
    return av_parse_video_size(&width, &height, text.c_str()) >= 0;
}

// 0xBBGGRR as Y, U, V with the integer arithmetic of the JPEG colour conversion.
void PadColorToYuv(std::uint32_t color, int& y, int& u, int& v) {
    const int r = static_cast<int>(color & 0xFF);
    const int g = static_cast<int>((color >> 8) & 0xFF);
    const int b = static_cast<int>((color >> 16) & 0xFF);
    auto fix = [](double x) { return static_cast<int>(x * 1024 + 0.5); };
    y = (fix(0.299) * r + fix(0.587) * g + fix(0.114) * b + 512) >> 10;
    u = ((-fix(0.16874) * r - fix(0.33126) * g + fix(0.5) * b + 511) >> 10) + 128;
    v = ((fix(0.5) * r - fix(0.41869) * g - fix(0.08131) * b + 511) >> 10) + 128;
}

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

constexpr char kVideo[] = "video";
constexpr char kAudio[] = "audio";
constexpr char kSubtitle[] = "subtitle";

}  // namespace

// The options whose effect is more than storing a parsed value.
struct OptionHandlers {
    using Name = std::string_view;
    using Value = std::string_view;

    static TaskSettings& Settings(TCustomFFmpeg& task) { return task.m_settings; }

    static void DoNothing(TCustomFFmpeg& task, Name name, Value) {
        task.Log(llInfo, "Do nothing: option - " + std::string(name));
    }
    static void LogLevel(TCustomFFmpeg&, Name, Value value) {
        TFFLogger::Instance().SetLogLevelByName(value);
    }
    static void FileFormat(TCustomFFmpeg& task, Name, Value value) {
        if (value == "pgmyuv") {
            task.Log(llInfo, "pgmyuv format is deprecated, use image2");
            value = "image2";
        }
        Settings(task).FileFormat = std::string(value);
    }
    static void StreamMapping(TCustomFFmpeg& task, Name, Value value) {
        int file = 0, stream = 0, syncFile = 0, syncStream = 0;
        char a = 0, b = 0, c = 0;
        const int parsed = std::sscanf(std::string(value).c_str(), "%d%c%d%c%d%c%d", &file, &a,
                                       &stream, &b, &syncFile, &c, &syncStream);
        if (parsed < 3) {
            throw EngineError("Invalid stream map: " + std::string(value));
        }
        if (parsed < 7) {
            syncFile = file;
            syncStream = stream;
        }
        Settings(task).StreamMaps.push_back({file, stream, syncFile, syncStream});
    }
    static void MetadataMapping(TCustomFFmpeg& task, Name, Value value) {
        int outFile = 0, inFile = 0;
        char separator = 0;
        if (std::sscanf(std::string(value).c_str(), "%d%c%d", &outFile, &separator, &inFile) != 3) {
            throw EngineError("Invalid metadata map: " + std::string(value));
        }
        Settings(task).MetadataMaps.push_back({outFile, inFile});
    }
    static void RecordingTime(TCustomFFmpeg& task, Name name, Value value) {
        Settings(task).RecordingTime = ParseTime(name, value, true);
        task.m_totalDuration = Settings(task).RecordingTime;
    }
    static void TimeScale(TCustomFFmpeg& task, Name, Value value) {
        int index = 0;
        char separator = 0;
        double scale = 0;
        if (std::sscanf(std::string(value).c_str(), "%d%c%lf", &index, &separator, &scale) != 3) {
            throw EngineError("Invalid itsscale: " + std::string(value));
        }
        if (index > TCustomFFmpeg::kMaxFiles - 1) {
            throw EngineError("stream index over MAX_STREAMS(" +
                              std::to_string(TCustomFFmpeg::kMaxFiles) + ")");
        }
        Settings(task).TsScale[index] = scale;
    }
    static void Timestamp(TCustomFFmpeg& task, Name name, Value value) {
        Settings(task).RecordingTimestamp = ParseTime(name, value, false) / 1000000;
    }
    static void Metadata(TCustomFFmpeg& task, Name, Value value) {
        const std::size_t equals = value.find('=');
        if (equals == std::string_view::npos) {
            throw EngineError("Missing =");
        }
        Settings(task).Metadata.emplace_back(std::string(value.substr(0, equals)),
                                             std::string(value.substr(equals + 1)));
    }
    static void TimeLimit(TCustomFFmpeg& task, Name, Value) {
        task.Log(llWarning, "Warning: -timelimit not implemented on Windows");
    }
    static void Target(TCustomFFmpeg& task, Name, Value value) {
        task.ApplyTarget(std::string(value), "auto", "ntsc");
    }
    static void NotImplemented(TCustomFFmpeg&, Name name, Value) {
        throw EngineError("TODO: option - " + std::string(name));
    }
    template <AVMediaType Type>
    static void BitRate(TCustomFFmpeg& task, Name name, Value value) {
        task.SetLibraryOption(name, value);
        task.CheckBitRate(Type);
    }
    static void FrameRate(TCustomFFmpeg& task, Name, Value value) {
        AVRational rate{0, 0};
        if (av_parse_video_rate(&rate, std::string(value).c_str()) < 0) {
            throw EngineError("Incorrect frame rate");
        }
        Settings(task).FrameRate = rate;
    }
    static void FrameSize(TCustomFFmpeg& task, Name, Value value) {
        int width = 0, height = 0;
        if (!ParseFrameSize(value, width, height)) {
            throw EngineError("Incorrect frame size");
        }
        Settings(task).FrameWidth = width;
        Settings(task).FrameHeight = height;
    }
    static void Aspect(TCustomFFmpeg& task, Name, Value value) {
        double aspect = 0.0;
        const std::size_t colon = value.find(':');
        if (colon != std::string_view::npos) {
            const double x = std::strtod(std::string(value.substr(0, colon)).c_str(), nullptr);
            const double y = std::strtod(std::string(value.substr(colon + 1)).c_str(), nullptr);
            aspect = y > 0 ? x / y : 0.0;
        } else {
            aspect = std::strtod(std::string(value).c_str(), nullptr);
        }
        if (aspect == 0.0 || !std::isfinite(aspect)) {
            throw EngineError("Incorrect aspect ratio specification.");
        }
        Settings(task).FrameAspect = aspect;
    }
    static void PixelFormat(TCustomFFmpeg& task, Name, Value value) {
        if (value == "list") {
            std::string names;
            for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d;
                 d = av_pix_fmt_desc_next(d)) {
                names += std::string(names.empty() ? "" : " ") + d->name;
            }
            task.Log(llInfo, names);
            return;
        }
        const AVPixelFormat format = av_get_pix_fmt(std::string(value).c_str());
        if (format == AV_PIX_FMT_NONE) {
            throw EngineError("Unknown pixel format requested: " + std::string(value));
        }
        Settings(task).PixelFormat = format;
    }
    // A crop band is taken off the picture size the next output stream gets.
    template <int TaskSettings::*Band, int TaskSettings::*Size>
    static void Crop(TCustomFFmpeg& task, Name, Value value) {
        TaskSettings& s = Settings(task);
        const int band = ParseInt(value);
        if (band < 0) {
            return;
        }
        if (band >= s.*Size) {
            throw EngineError(
                std::string(Size == &TaskSettings::FrameHeight ? "Vertical" : "Horizontal") +
                " crop dimensions are outside the range of the original image.\n"
                "Remember to crop first and scale second.");
        }
        s.*Band = band;
        s.*Size -= band;
    }
    template <int TaskSettings::*Band>
    static void Pad(TCustomFFmpeg& task, Name, Value value) {
        const int band = ParseInt(value);
        if (band >= 0) {
            Settings(task).*Band = band;
        }
    }
    static void PadColor(TCustomFFmpeg& task, Name, Value value) {
        TaskSettings& s = Settings(task);
        s.PadColor = static_cast<std::uint32_t>(ParseInt(value));
        PadColorToYuv(s.PadColor, s.PadColorY, s.PadColorU, s.PadColorV);
    }
    static void Qscale(TCustomFFmpeg& task, Name, Value value) {
        const double q = ParseFloat(value);
        if (q <= 0 || q > 255) {
            throw EngineError("qscale must be > 0.0 and <= 255");
        }
        Settings(task).VideoQscale = static_cast<float>(q);
    }
    template <std::string TaskSettings::*Codec, bool TaskSettings::*Copy>
    static void CodecName(TCustomFFmpeg& task, Name, Value value) {
        const bool copy = value == "copy";
        Settings(task).*Codec = copy ? std::string() : std::string(value);
        Settings(task).*Copy = copy;
    }
    static void Pass(TCustomFFmpeg& task, Name, Value value) {
        const int pass = ParseInt(value);
        if (pass != 1 && pass != 2) {
            throw EngineError("pass number can be only 1 or 2");
        }
        Settings(task).Pass = pass;
    }
    static void Vstats(TCustomFFmpeg& task, Name, Value) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
        Settings(task).VstatsFile = ProgramDir() + "vstats_" + stamp + ".log";
    }
    // Frame-hook modules belong to the 2010 libraries; pictures are drawn on through the
    // custom hook instead.
    static void FrameHook(TCustomFFmpeg&, Name, Value value) {
        throw EngineError("Failed to add video hook function: " + std::string(value));
    }
    template <std::vector<std::uint16_t> TaskSettings::*Matrix>
    static void QuantMatrix(TCustomFFmpeg& task, Name, Value value) {
        std::vector<std::uint16_t>& matrix = Settings(task).*Matrix;
        matrix.clear();
        const std::string text(value);
        std::size_t start = 0;
        for (int i = 0; i < 64; ++i) {
            const std::size_t comma = text.find(',', start);
            const std::string item =
                text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            char* end = nullptr;
            const long coefficient = std::strtol(item.c_str(), &end, 10);
            if (item.empty() || *end != '\0' || coefficient < 1 || coefficient > 65535 ||
                (i < 63 && comma == std::string::npos)) {
                throw EngineError("Syntax error in matrix \"" + text + "\" at coeff " +
                                  std::to_string(i));
            }
            matrix.push_back(static_cast<std::uint16_t>(coefficient));
            start = comma == std::string::npos ? text.size() : comma + 1;
        }
    }
    template <std::string TaskSettings::*Tag, const char* Kind>
    static void CodecTag(TCustomFFmpeg& task, Name, Value value) {
        if (value.size() != 4) {
            throw EngineError(std::string(Kind) + " tag parameter must be 4 chars");
        }
        Settings(task).*Tag = std::string(value);
    }
    template <void (TCustomFFmpeg::*Add)()>
    static void NewStream(TCustomFFmpeg& task, Name, Value) {
        (task.*Add)();
    }
    static void SampleRate(TCustomFFmpeg& task, Name, Value value) {
        const int rate = ParseInt(value);
        if (rate > 0) {
            Settings(task).SampleRate = rate;
        }
    }
    static void Channels(TCustomFFmpeg& task, Name, Value value) {
        const int channels = ParseInt(value);
        if (channels > 0) {
            Settings(task).Channels = channels;
            Settings(task).ChannelLayoutMask = 0;
        }
    }
    static void SampleFormat(TCustomFFmpeg& task, Name, Value value) {
        if (value == "list") {
            std::string names;
            for (int f = 0; f < AV_SAMPLE_FMT_NB; ++f) {
                names += std::string(names.empty() ? "" : " ") +
                         av_get_sample_fmt_name(static_cast<AVSampleFormat>(f));
            }
            task.Log(llInfo, names);
            return;
        }
        Settings(task).SampleFormat = av_get_sample_fmt(std::string(value).c_str());
    }
    template <std::vector<std::string> TaskSettings::*Chain>
    static void BitstreamFilter(TCustomFFmpeg& task, Name, Value value) {
        const std::string filter(value.substr(0, value.find('=')));
        if (!av_bsf_get_by_name(filter.c_str())) {
            throw EngineError("Unknown bitstream filter " + filter);
        }
        (Settings(task).*Chain).emplace_back(value);
    }
    static void Preset(TCustomFFmpeg& task, Name name, Value value) {
        task.ApplyPreset(name, value);
    }
};

namespace {

using K = OptionKind;
using S = TaskSettings;
using H = OptionHandlers;

constexpr OptionRow Field(std::string_view name, OptionKind kind, SettingsField field) {
    return {name, kind, field, nullptr};
}
constexpr OptionRow Handled(std::string_view name, OptionHandler handler) {
    return {name, OptionKind::Handled, std::monostate{}, handler};
}

// Every option name in the order the dispatcher compares them: the first row of a name wins.
const OptionRow kOptionTable[] = {
    Handled("L", H::DoNothing),
    Handled("h", H::DoNothing),
    Handled("version", H::DoNothing),
    Handled("formats", H::DoNothing),
    Handled("codecs", H::DoNothing),
    Handled("bsfs", H::DoNothing),
    Handled("protocols", H::DoNothing),
    Handled("filters", H::DoNothing),
    Handled("loglevel", H::LogLevel),
    Handled("f", H::FileFormat),
    Handled("i", H::DoNothing),
    Handled("y", H::DoNothing),
    Handled("map", H::StreamMapping),
    Handled("map_meta_data", H::MetadataMapping),
    Handled("t", H::RecordingTime),
    Field("fs", K::Int64, &S::LimitFileSize),
    Field("ss", K::Duration, &S::StartTime),
    Field("itsoffset", K::Duration, &S::InputTsOffset),
    Handled("itsscale", H::TimeScale),
    Handled("timestamp", H::Timestamp),
    Handled("metadata", H::Metadata),
    Field("dframes", K::Int, &S::MaxDataFrames),
    Handled("benchmark", H::DoNothing),
    Handled("timelimit", H::TimeLimit),
    Field("dump", K::Bool, &S::PacketDump),
    Field("hex", K::Bool, &S::HexDump),
    Field("re", K::Bool, &S::RateEmulation),
    Field("loop_input", K::Bool, &S::LoopInput),
    Field("loop_output", K::Int, &S::LoopOutput),
    Field("v", K::Int, &S::Verbosity),
    Handled("target", H::Target),
    Handled("threads", H::NotImplemented),
    Field("vsync", K::Int, &S::VideoSync),
    Field("async", K::Int, &S::AudioSync),
    Field("adrift_threshold", K::Float, &S::AudioDriftThreshold),
    Field("vglobal", K::Int, &S::VideoGlobalHeader),
    Field("copyts", K::Flag, &S::CopyTs),
    Field("shortest", K::Bool, &S::Shortest),
    Field("dts_delta_threshold", K::Float, &S::DtsDeltaThreshold),
    Field("programid", K::Int, &S::ProgramId),
    Field("xerror", K::Flag, &S::ExitOnError),
    Field("copyinkf", K::Int, &S::CopyInitialNonKeyframes),
    Handled("b", H::BitRate<AVMEDIA_TYPE_VIDEO>),
    Handled("vb", H::BitRate<AVMEDIA_TYPE_VIDEO>),
    Field("vframes", K::Int, &S::MaxVideoFrames),
    Handled("r", H::FrameRate),
    Handled("s", H::FrameSize),
    Handled("aspect", H::Aspect),
    Handled("pix_fmt", H::PixelFormat),
    Handled("croptop", H::Crop<&S::CropTop, &S::FrameHeight>),
    Handled("cropbottom", H::Crop<&S::CropBottom, &S::FrameHeight>),
    Handled("cropleft", H::Crop<&S::CropLeft, &S::FrameWidth>),
    Handled("cropright", H::Crop<&S::CropRight, &S::FrameWidth>),
    Handled("padtop", H::Pad<&S::PadTop>),
    Handled("padbottom", H::Pad<&S::PadBottom>),
    Handled("padleft", H::Pad<&S::PadLeft>),
    Handled("padright", H::Pad<&S::PadRight>),
    Handled("padcolor", H::PadColor),
    Field("intra", K::Bool, &S::Intra),
    Field("vn", K::Bool, &S::VideoDisable),
    Field("vdt", K::Int, &S::VideoDiscard),
    Handled("qscale", H::Qscale),
    Field("rc_override", K::Text, &S::RcOverride),
    Handled("vcodec", H::CodecName<&S::VideoCodecName, &S::VideoCopy>),
    Handled("acodec", H::CodecName<&S::AudioCodecName, &S::AudioCopy>),
    Handled("scodec", H::CodecName<&S::SubtitleCodecName, &S::SubtitleCopy>),
    Field("me_threshold", K::Int, &S::MeThreshold),
    Field("sameq", K::Bool, &S::SameQuality),
    Handled("pass", H::Pass),
    Field("passlogfile", K::Text, &S::PassLogFile),
    Field("deinterlace", K::Bool, &S::Deinterlace),
    Field("psnr", K::Bool, &S::Psnr),
    Handled("vstats", H::Vstats),
    Field("vstats_file", K::Text, &S::VstatsFile),
    Handled("vhook", H::FrameHook),
    Field("vfilters", K::Text, &S::VideoFilters),
    Handled("intra_matrix", H::QuantMatrix<&S::IntraMatrix>),
    Handled("inter_matrix", H::QuantMatrix<&S::InterMatrix>),
    Field("top", K::Int, &S::TopFieldFirst),
    Field("dc", K::Int, &S::IntraDcPrecision),
    Handled("vtag", H::CodecTag<&S::VideoTag, kVideo>),
    Handled("newvideo", H::NewStream<&TCustomFFmpeg::AddVideoStream>),
    Field("vlang", K::Text, &S::VideoLanguage),
    Field("qphist", K::Bool, &S::QpHistogram),
    Field("force_fps", K::Bool, &S::ForceFps),
    Handled("ab", H::BitRate<AVMEDIA_TYPE_AUDIO>),
    Field("aframes", K::Int, &S::MaxAudioFrames),
    Field("aq", K::Float, &S::AudioQuality),
    Handled("ar", H::SampleRate),
    Handled("ac", H::Channels),
    Field("an", K::Bool, &S::AudioDisable),
    Handled("atag", H::CodecTag<&S::AudioTag, kAudio>),
    Field("vol", K::Int, &S::Volume),
    Handled("newaudio", H::NewStream<&TCustomFFmpeg::AddAudioStream>),
    Field("alang", K::Text, &S::AudioLanguage),
    Handled("sample_fmt", H::SampleFormat),
    Field("sn", K::Bool, &S::SubtitleDisable),
    Handled("newsubtitle", H::NewStream<&TCustomFFmpeg::AddSubtitleStream>),
    Field("slang", K::Text, &S::SubtitleLanguage),
    Handled("stag", H::CodecTag<&S::SubtitleTag, kSubtitle>),
    Field("vc", K::Int, &S::VideoChannel),
    Field("tvstd", K::Text, &S::TvStandard),
    Field("isync", K::Bool, &S::InputSync),
    Field("muxdelay", K::Float, &S::MuxMaxDelay),
    Field("muxpreload", K::Float, &S::MuxPreload),
    Handled("absf", H::BitstreamFilter<&S::AudioBitstreamFilters>),
    Handled("vbsf", H::BitstreamFilter<&S::VideoBitstreamFilters>),
    Handled("sbsf", H::BitstreamFilter<&S::SubtitleBitstreamFilters>),
    Handled("apre", H::Preset),
    Handled("vpre", H::Preset),
    Handled("spre", H::Preset),
    Handled("fpre", H::Preset),
};

}  // namespace

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& row : kOptionTable) {
        if (row.Name == name) {
            return &row;
        }
    }
    return nullptr;
}

void StoreOption(const OptionRow& row, TaskSettings& settings, std::string_view value) {
    std::visit(
        Overloaded{
            [](std::monostate) {},
            [&](bool S::*field) { settings.*field = row.Kind == K::Flag || value != "0"; },
            [&](int S::*field) { settings.*field = ParseInt(value); },
            [&](std::int64_t S::*field) {
                settings.*field = row.Kind == K::Duration ? ParseTime(row.Name, value, true)
                                  : row.Kind == K::Int64  ? ParseInt64(value)
                                                          : ParseInt(value);
            },
            [&](float S::*field) { settings.*field = static_cast<float>(ParseFloat(value)); },
            [&](std::string S::*field) { settings.*field = std::string(value); },
        },
        row.Field);
}

}  // namespace mw
