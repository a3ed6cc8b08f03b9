#include <cmath>
#include <fstream>
#include <sstream>

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/options/BuiltInPresets.h"
#include "engine/task/CustomFFmpeg.h"

namespace mw {

namespace {

std::string NormaliseLineBreaks(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            result += text[i];
        }
    }
    return result;
}

enum class Norm { Pal, Ntsc, Film, Unknown };

Norm NormOfRate(AVRational rate) {
    if (rate.den == 0) {
        return Norm::Unknown;
    }
    const long long milli = std::llround(1000.0 * rate.num / rate.den);
    if (milli == 25000) {
        return Norm::Pal;
    }
    if (milli == 29970 || milli == 23976) {
        return Norm::Ntsc;
    }
    return Norm::Unknown;
}

// The norm of a target: named by its prefix ("pal-dvd", which is taken off) or by norm,
// else the pending frame rate's or the inputs' pictures', else defaultNorm.
Norm ChooseNorm(const TCustomFFmpeg& task, std::string& target, const std::string& norm,
                const std::string& defaultNorm) {
    Norm chosen = Norm::Unknown;
    for (const auto& [prefix, prefixNorm] :
         {std::pair{"pal-", Norm::Pal}, {"ntsc-", Norm::Ntsc}, {"film-", Norm::Film}}) {
        if (target.starts_with(prefix)) {
            chosen = prefixNorm;
            target.erase(0, std::string_view(prefix).size());
        }
    }
    if (chosen == Norm::Unknown && norm != "auto") {
        chosen = norm == "pal" ? Norm::Pal : Norm::Ntsc;
    }
    if (chosen != Norm::Unknown) {
        return chosen;
    }
    const TaskSettings& settings = task.Settings();
    if (settings.FrameRate.den == 0) {
        throw EngineError("frame_rate is invalid.");
    }
    chosen = NormOfRate(settings.FrameRate);
    for (int file = 0; file < task.InputCount(); ++file) {
        const AVFormatContext* input = task.InputContext(file);
        for (unsigned i = 0; chosen == Norm::Unknown && i < input->nb_streams; ++i) {
            const AVStream* stream = input->streams[i];
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                chosen = NormOfRate(stream->r_frame_rate);
            }
        }
    }
    if (chosen == Norm::Unknown) {
        chosen = defaultNorm == "film"   ? Norm::Film
                 : defaultNorm == "ntsc" ? Norm::Ntsc
                                         : Norm::Pal;
    }
    if (settings.Verbosity > 0) {
        task.Log(llVerbose, std::string("Assuming ") + (chosen == Norm::Pal ? "PAL" : "NTSC") +
                                " for target.");
    }
    return chosen;
}

}  // namespace

void TCustomFFmpeg::ApplyPreset(std::string_view option, std::string_view value) {
    std::optional<std::string> text;
    std::string presetName(value);
    if (option != "fpre") {
        text = BuiltInPreset(value);
        if (!text) {
            const std::string& codec = option == "vpre"   ? m_settings.VideoCodecName
                                       : option == "apre" ? m_settings.AudioCodecName
                                                          : m_settings.SubtitleCodecName;
            if (!codec.empty()) {
                text = BuiltInPreset(codec + "-" + std::string(value));
            }
        }
    }
    if (!text) {
        std::ifstream file{std::string(value), std::ios::binary};
        if (!file) {
            throw EngineError("Preset \"" + std::string(value) + "\" not found");
        }
        std::stringstream content;
        content << file.rdbuf();
        text = content.str();
    }
    const std::string lines = NormaliseLineBreaks(Trim(*text));
    std::size_t start = 0;
    while (start < lines.size()) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string::npos) {
            end = lines.size();
        }
        const std::string line(Trim(std::string_view(lines).substr(start, end - start)));
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string name = equals == std::string::npos ? line : line.substr(0, equals);
        const std::string optionValue =
            equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (name.empty() || optionValue.empty()) {
            throw EngineError(presetName + ": Invalid syntax: \"" + line + "\"");
        }
        if (SameText(name, "acodec")) {
            m_settings.AudioCodecName = optionValue;
        } else if (SameText(name, "vcodec")) {
            m_settings.VideoCodecName = optionValue;
        } else if (SameText(name, "scodec")) {
            m_settings.SubtitleCodecName = optionValue;
        } else if (m_libraryOptions.Set(name, optionValue, [this](AVMediaType type) {
                       return PendingEncoder(type);
                   }) == LibraryOptions::Result::Invalid) {
            throw EngineError(presetName + ": Invalid option or argument: \"" + line +
                              "\", parsed as \"" + name + "\" = \"" + optionValue + "\"");
        }
    }
}

void TCustomFFmpeg::ApplyTarget(std::string target, std::string norm, std::string defaultNorm) {
    const Norm chosen = ChooseNorm(*this, target, norm, defaultNorm);
    const bool pal = chosen == Norm::Pal;
    const char* rate = pal ? "25" : chosen == Norm::Film ? "24000/1001" : "30000/1001";
    const char* gop = pal ? "15" : "18";
    auto set = [this](std::string_view name, std::string_view value) { SetOption(name, value); };
    auto assumeAspect = [this](const char* aspect, const char* message) {
        if (m_settings.FrameAspect == 0.0) {
            SetOption("aspect", aspect);
            Log(llInfo, message);
        }
    };
    if (target == "vcd") {
        set("vcodec", "mpeg1video");
        set("acodec", "mp2");
        set("f", "vcd");
        set("s", pal ? "352x288" : "352x240");
        set("r", rate);
        set("g", gop);
        set("b", "1150000");
        set("maxrate", "1150000");
        set("minrate", "1150000");
        set("bufsize", "327680");
        set("ab", "224000");
        set("ar", "44100");
        set("ac", "2");
        set("packetsize", "2324");
        set("muxrate", "1411200");
        m_settings.MuxPreload = 0.44f;
        assumeAspect("4:3", "Assuming 4:3 for aspect ratio");
    } else if (target == "svcd") {
        set("vcodec", "mpeg2video");
        set("acodec", "mp2");
        set("f", "svcd");
        set("s", pal ? "480x576" : "480x480");
        set("r", rate);
        set("g", gop);
        set("b", "2040000");
        set("maxrate", "2516000");
        set("minrate", "0");
        set("bufsize", "1835008");
        set("scan_offset", "1");
        set("ab", "224000");
        set("ar", "44100");
        set("packetsize", "2324");
        if (m_settings.Channels < 2) {
            set("ac", "2");
        }
        assumeAspect("4:3", "Assuming 4:3 for aspect ratio");
    } else if (target == "dvd") {
        set("vcodec", "mpeg2video");
        set("acodec", "ac3");
        set("f", "dvd");
        set("s", pal ? "720x576" : "720x480");
        set("r", rate);
        set("g", gop);
        set("b", "6000000");
        set("maxrate", "9000000");
        set("minrate", "0");
        set("bufsize", "1835008");
        set("packetsize", "2048");
        set("muxrate", "10080000");
        set("ab", "448000");
        set("ar", "48000");
        if (m_settings.Channels < 2) {
            set("ac", "2");
        }
        assumeAspect("16:9", "Assuming 16:9 for aspect ratio");
    } else if (target == "dv" || target == "dv50") {
        set("f", "dv");
        set("s", pal ? "720x576" : "720x480");
        set("pix_fmt", target == "dv50" ? "yuv422p" : (pal ? "yuv420p" : "yuv411p"));
        set("r", rate);
        set("ar", "48000");
        set("ac", "2");
    } else {
        throw EngineError("Unknown target type");
    }
}

}  // namespace mw
