#include <cmath>
#include <cstdlib>
#include <ctime>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include "CustomFFmpeg.h"
#include "EngineError.h"
#include "TaskFiles.h"
#include "core/UtilFuncs.h"

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

bool ParseBool(std::string_view value) {
    return value != "0";
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

void ParseMatrix(std::string_view value, std::vector<std::uint16_t>& matrix) {
    matrix.clear();
    std::string text(value);
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

void CheckTag(std::string_view value, const char* kind) {
    if (value.size() != 4) {
        throw EngineError(std::string(kind) + " tag parameter must be 4 chars");
    }
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

void AddBitstreamFilter(std::vector<std::string>& chain, std::string_view value) {
    const std::string name(value.substr(0, value.find('=')));
    if (!av_bsf_get_by_name(name.c_str())) {
        throw EngineError("Unknown bitstream filter " + name);
    }
    chain.emplace_back(value);
}

}  // namespace

void TCustomFFmpeg::SetOption(std::string_view name, std::string_view value) {
    TaskSettings& s = m_settings;
    auto doNothing = [&] { Log(llInfo, "Do nothing: option - " + std::string(name)); };
    auto is = [&](std::initializer_list<std::string_view> names) {
        for (std::string_view candidate : names) {
            if (candidate == name) {
                return true;
            }
        }
        return false;
    };

    if (is({"L", "h", "version", "formats", "codecs", "bsfs", "protocols", "filters"})) {
        doNothing();
    } else if (name == "loglevel") {
        TFFLogger::Instance().SetLogLevelByName(value);
    } else if (name == "f") {
        if (value == "pgmyuv") {
            Log(llInfo, "pgmyuv format is deprecated, use image2");
            s.FileFormat = "image2";
        } else {
            s.FileFormat = std::string(value);
        }
    } else if (is({"i", "y"})) {
        doNothing();
    } else if (name == "map") {
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
        s.StreamMaps.push_back({file, stream, syncFile, syncStream});
    } else if (name == "map_meta_data") {
        int outFile = 0, inFile = 0;
        char separator = 0;
        if (std::sscanf(std::string(value).c_str(), "%d%c%d", &outFile, &separator, &inFile) != 3) {
            throw EngineError("Invalid metadata map: " + std::string(value));
        }
        s.MetadataMaps.push_back({outFile, inFile});
    } else if (name == "t") {
        s.RecordingTime = ParseTime(name, value, true);
        m_totalDuration = s.RecordingTime;
    } else if (name == "fs") {
        s.LimitFileSize = ParseInt64(value);
    } else if (name == "ss") {
        s.StartTime = ParseTime(name, value, true);
    } else if (name == "itsoffset") {
        s.InputTsOffset = ParseTime(name, value, true);
    } else if (name == "itsscale") {
        int index = 0;
        char separator = 0;
        double scale = 0;
        if (std::sscanf(std::string(value).c_str(), "%d%c%lf", &index, &separator, &scale) != 3) {
            throw EngineError("Invalid itsscale: " + std::string(value));
        }
        if (index > kMaxFiles - 1) {
            throw EngineError("stream index over MAX_STREAMS(" + std::to_string(kMaxFiles) + ")");
        }
        s.TsScale[index] = scale;
    } else if (name == "timestamp") {
        s.RecordingTimestamp = ParseTime(name, value, false) / 1000000;
    } else if (name == "metadata") {
        const std::size_t equals = value.find('=');
        if (equals == std::string_view::npos) {
            throw EngineError("Missing =");
        }
        s.Metadata.emplace_back(std::string(value.substr(0, equals)),
                                std::string(value.substr(equals + 1)));
    } else if (name == "dframes") {
        s.MaxDataFrames = ParseInt(value);
    } else if (name == "benchmark") {
        doNothing();
    } else if (name == "timelimit") {
        Log(llWarning, "Warning: -timelimit not implemented on Windows");
    } else if (name == "dump") {
        s.PacketDump = ParseBool(value);
    } else if (name == "hex") {
        s.HexDump = ParseBool(value);
    } else if (name == "re") {
        s.RateEmulation = ParseBool(value);
    } else if (name == "loop_input") {
        s.LoopInput = ParseBool(value);
    } else if (name == "loop_output") {
        s.LoopOutput = ParseInt(value);
    } else if (name == "v") {
        s.Verbosity = ParseInt(value);
    } else if (name == "target") {
        ApplyTarget(std::string(value), "auto", "ntsc");
    } else if (name == "threads") {
        throw EngineError("TODO: option - " + std::string(name));
    } else if (name == "vsync") {
        s.VideoSync = ParseInt(value);
    } else if (name == "async") {
        s.AudioSync = ParseInt(value);
    } else if (name == "adrift_threshold") {
        s.AudioDriftThreshold = static_cast<float>(ParseFloat(value));
    } else if (name == "vglobal") {
        s.VideoGlobalHeader = ParseInt(value);
    } else if (name == "copyts") {
        s.CopyTs = true;
    } else if (name == "shortest") {
        s.Shortest = ParseBool(value);
    } else if (name == "dts_delta_threshold") {
        s.DtsDeltaThreshold = static_cast<float>(ParseFloat(value));
    } else if (name == "programid") {
        s.ProgramId = ParseInt(value);
    } else if (name == "xerror") {
        s.ExitOnError = true;
    } else if (name == "copyinkf") {
        s.CopyInitialNonKeyframes = ParseInt(value);
    } else if (is({"b", "vb"})) {
        SetLibraryOption(name, value);
        CheckBitRate(AVMEDIA_TYPE_VIDEO);
    } else if (name == "vframes") {
        s.MaxVideoFrames = ParseInt(value);
    } else if (name == "r") {
        AVRational rate{0, 0};
        if (av_parse_video_rate(&rate, std::string(value).c_str()) < 0) {
            throw EngineError("Incorrect frame rate");
        }
        s.FrameRate = rate;
    } else if (name == "s") {
        int width = 0, height = 0;
        if (!ParseFrameSize(value, width, height)) {
            throw EngineError("Incorrect frame size");
        }
        s.FrameWidth = width;
        s.FrameHeight = height;
    } else if (name == "aspect") {
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
        s.FrameAspect = aspect;
    } else if (name == "pix_fmt") {
        if (value == "list") {
            std::string names;
            for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d;
                 d = av_pix_fmt_desc_next(d)) {
                names += std::string(names.empty() ? "" : " ") + d->name;
            }
            Log(llInfo, names);
        } else {
            const AVPixelFormat format = av_get_pix_fmt(std::string(value).c_str());
            if (format == AV_PIX_FMT_NONE) {
                throw EngineError("Unknown pixel format requested: " + std::string(value));
            }
            s.PixelFormat = format;
        }
    } else if (is({"croptop", "cropbottom"})) {
        const int band = ParseInt(value);
        if (band >= 0) {
            if (band >= s.FrameHeight) {
                throw EngineError(
                    "Vertical crop dimensions are outside the range of the original image.\n"
                    "Remember to crop first and scale second.");
            }
            (name == "croptop" ? s.CropTop : s.CropBottom) = band;
            s.FrameHeight -= band;
        }
    } else if (is({"cropleft", "cropright"})) {
        const int band = ParseInt(value);
        if (band >= 0) {
            if (band >= s.FrameWidth) {
                throw EngineError(
                    "Horizontal crop dimensions are outside the range of the original image.\n"
                    "Remember to crop first and scale second.");
            }
            (name == "cropleft" ? s.CropLeft : s.CropRight) = band;
            s.FrameWidth -= band;
        }
    } else if (is({"padtop", "padbottom", "padleft", "padright"})) {
        const int band = ParseInt(value);
        if (band >= 0) {
            (name == "padtop"      ? s.PadTop
             : name == "padbottom" ? s.PadBottom
             : name == "padleft"   ? s.PadLeft
                                   : s.PadRight) = band;
        }
    } else if (name == "padcolor") {
        s.PadColor = static_cast<std::uint32_t>(ParseInt(value));
        PadColorToYuv(s.PadColor, s.PadColorY, s.PadColorU, s.PadColorV);
    } else if (name == "intra") {
        s.Intra = ParseBool(value);
    } else if (name == "vn") {
        s.VideoDisable = ParseBool(value);
    } else if (name == "vdt") {
        s.VideoDiscard = ParseInt(value);
    } else if (name == "qscale") {
        const double q = ParseFloat(value);
        if (q <= 0 || q > 255) {
            throw EngineError("qscale must be > 0.0 and <= 255");
        }
        s.VideoQscale = static_cast<float>(q);
    } else if (name == "rc_override") {
        s.RcOverride = std::string(value);
    } else if (is({"vcodec", "acodec", "scodec"})) {
        const bool copy = value == "copy";
        std::string codec = copy ? std::string() : std::string(value);
        if (name == "vcodec") {
            s.VideoCodecName = codec;
            s.VideoCopy = copy;
        } else if (name == "acodec") {
            s.AudioCodecName = codec;
            s.AudioCopy = copy;
        } else {
            s.SubtitleCodecName = codec;
            s.SubtitleCopy = copy;
        }
    } else if (name == "me_threshold") {
        s.MeThreshold = ParseInt(value);
    } else if (name == "sameq") {
        s.SameQuality = ParseBool(value);
    } else if (name == "pass") {
        const int pass = ParseInt(value);
        if (pass != 1 && pass != 2) {
            throw EngineError("pass number can be only 1 or 2");
        }
        s.Pass = pass;
    } else if (name == "passlogfile") {
        s.PassLogFile = std::string(value);
    } else if (name == "deinterlace") {
        s.Deinterlace = ParseBool(value);
    } else if (name == "psnr") {
        s.Psnr = ParseBool(value);
    } else if (name == "vstats") {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
        s.VstatsFile = ProgramDir() + "vstats_" + stamp + ".log";
    } else if (name == "vstats_file") {
        s.VstatsFile = std::string(value);
    } else if (name == "vhook") {
        // Frame-hook modules belong to the 2010 libraries; pictures are drawn on through
        // the custom hook instead.
        throw EngineError("Failed to add video hook function: " + std::string(value));
    } else if (name == "vfilters") {
        s.VideoFilters = std::string(value);
    } else if (name == "intra_matrix") {
        ParseMatrix(value, s.IntraMatrix);
    } else if (name == "inter_matrix") {
        ParseMatrix(value, s.InterMatrix);
    } else if (name == "top") {
        s.TopFieldFirst = ParseInt(value);
    } else if (name == "dc") {
        s.IntraDcPrecision = ParseInt(value);
    } else if (name == "vtag") {
        CheckTag(value, "video");
        s.VideoTag = std::string(value);
    } else if (name == "newvideo") {
        AddVideoStream();
    } else if (name == "vlang") {
        s.VideoLanguage = std::string(value);
    } else if (name == "qphist") {
        s.QpHistogram = ParseBool(value);
    } else if (name == "force_fps") {
        s.ForceFps = ParseBool(value);
    } else if (name == "ab") {
        SetLibraryOption(name, value);
        CheckBitRate(AVMEDIA_TYPE_AUDIO);
    } else if (name == "aframes") {
        s.MaxAudioFrames = ParseInt(value);
    } else if (name == "aq") {
        s.AudioQuality = static_cast<float>(ParseFloat(value));
    } else if (name == "ar") {
        const int rate = ParseInt(value);
        if (rate > 0) {
            s.SampleRate = rate;
        }
    } else if (name == "ac") {
        const int channels = ParseInt(value);
        if (channels > 0) {
            s.Channels = channels;
            s.ChannelLayoutMask = 0;
        }
    } else if (name == "an") {
        s.AudioDisable = ParseBool(value);
    } else if (name == "atag") {
        CheckTag(value, "audio");
        s.AudioTag = std::string(value);
    } else if (name == "vol") {
        s.Volume = ParseInt(value);
    } else if (name == "newaudio") {
        AddAudioStream();
    } else if (name == "alang") {
        s.AudioLanguage = std::string(value);
    } else if (name == "sample_fmt") {
        if (value == "list") {
            std::string names;
            for (int f = 0; f < AV_SAMPLE_FMT_NB; ++f) {
                names += std::string(names.empty() ? "" : " ") +
                         av_get_sample_fmt_name(static_cast<AVSampleFormat>(f));
            }
            Log(llInfo, names);
        } else {
            s.SampleFormat = av_get_sample_fmt(std::string(value).c_str());
        }
    } else if (name == "sn") {
        s.SubtitleDisable = ParseBool(value);
    } else if (name == "newsubtitle") {
        AddSubtitleStream();
    } else if (name == "slang") {
        s.SubtitleLanguage = std::string(value);
    } else if (name == "stag") {
        CheckTag(value, "subtitle");
        s.SubtitleTag = std::string(value);
    } else if (name == "vc") {
        s.VideoChannel = ParseInt(value);
    } else if (name == "tvstd") {
        s.TvStandard = std::string(value);
    } else if (name == "isync") {
        s.InputSync = ParseBool(value);
    } else if (name == "muxdelay") {
        s.MuxMaxDelay = static_cast<float>(ParseFloat(value));
    } else if (name == "muxpreload") {
        s.MuxPreload = static_cast<float>(ParseFloat(value));
    } else if (name == "absf") {
        AddBitstreamFilter(s.AudioBitstreamFilters, value);
    } else if (name == "vbsf") {
        AddBitstreamFilter(s.VideoBitstreamFilters, value);
    } else if (name == "sbsf") {
        AddBitstreamFilter(s.SubtitleBitstreamFilters, value);
    } else if (is({"apre", "vpre", "spre", "fpre"})) {
        ApplyPreset(name, value);
    } else {
        SetLibraryOption(name, value);
    }
}

void TCustomFFmpeg::SetLibraryOption(std::string_view name, std::string_view value) {
    m_libraryOptions.Set(name, value, [this](AVMediaType type) { return PendingEncoder(type); });
    if (m_libraryOptions.DebugRequested()) {
        TFFLogger::Instance().SetLogLevel(llDebug);
    }
}

void TCustomFFmpeg::CheckBitRate(AVMediaType type) {
    if (m_libraryOptions.BitRate(type) < 1000) {
        Log(llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not "
            "kbits/s");
    }
}

void TCustomFFmpeg::ApplyExtOptions(std::string_view text, OptionGroup group) {
    for (const OptionLine& line : ParseExtOptions(text)) {
        if (GroupOf(line.Name) == group) {
            SetOption(line.Name, line.Value);
        }
    }
}

}  // namespace mw
