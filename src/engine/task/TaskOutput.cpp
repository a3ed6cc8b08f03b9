#include <algorithm>
#include <cmath>
#include <ctime>
#include <string_view>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "engine/EngineError.h"
#include "engine/codecs/EncoderNames.h"
#include "engine/files/OpenErrors.h"
#include "engine/files/OpenGuard.h"
#include "engine/files/OutputPlacement.h"
#include "engine/files/UnicodeProtocol.h"
#include "engine/task/CustomFFmpeg.h"
#include "engine/task/TaskFiles.h"

namespace mw {

namespace {

// The encoder named for a stream; the message says why the name does not serve.
const AVCodec* CheckEncoderName(const std::string& name, AVMediaType type) {
    const AVCodec* codec = FindEncoderByName(name);
    if (!codec) {
        throw EngineError("Unknown encoder '" + name + "'");
    }
    if (codec->type != type) {
        throw EngineError("Invalid encoder type '" + name + "'");
    }
    return codec;
}

std::vector<NamedOption> OptionsFor(const OptionList& typed, const OptionList& deferred) {
    std::vector<NamedOption> options = typed.Entries();
    options.insert(options.end(), deferred.Entries().begin(), deferred.Entries().end());
    return options;
}

// Whether a muxer brings a stream of a kind by default. Audio muxers whose default picture
// codec is an image codec only carry cover art, which the conversion does not make.
bool HasDefaultStream(const AVOutputFormat* format, const std::string& fileName, AVMediaType type) {
    // The picture-sequence muxers read the codec from the file name, which must be given.
    const AVCodecID codec = av_guess_codec(format, nullptr, fileName.c_str(), nullptr, type);
    if (codec == AV_CODEC_ID_NONE) {
        return false;
    }
    const bool coverArt =
        type == AVMEDIA_TYPE_VIDEO && format->audio_codec != AV_CODEC_ID_NONE &&
        (codec == AV_CODEC_ID_PNG || codec == AV_CODEC_ID_MJPEG || codec == AV_CODEC_ID_BMP);
    return !coverArt;
}

// A picture-sequence muxer writes one file per picture, so its name needs the number's place
// unless only one picture is written.
bool NeedsNumber(const AVOutputFormat* format, std::int64_t maxVideoFrames) {
    return (format->flags & AVFMT_NEEDNUMBER) ||
           (std::string_view(format->name) == "image2" && maxVideoFrames != 1);
}

bool InputsHave(const std::vector<const AVFormatContext*>& inputs, AVMediaType type) {
    for (const AVFormatContext* input : inputs) {
        for (unsigned i = 0; i < input->nb_streams; ++i) {
            if (input->streams[i]->codecpar->codec_type == type &&
                input->streams[i]->discard != AVDISCARD_ALL) {
                return true;
            }
        }
    }
    return false;
}

// A muxer context for the output, chosen by the pending format name or by the file name;
// empty with the reason when none serves.
AVFormatContext* AllocateMuxer(const std::string& formatName, const std::string& fileName,
                               const std::string& libraryName, std::string& error) {
    AVFormatContext* raw = nullptr;
    const int result = avformat_alloc_output_context2(
        &raw, nullptr, formatName.empty() ? nullptr : formatName.c_str(), libraryName.c_str());
    if (result >= 0 && raw) {
        return raw;
    }
    error = formatName.empty()
                ? "Unable to find a suitable output format for '" + fileName + "'"
                : "Requested output format '" + formatName + "' is not a suitable output format";
    return nullptr;
}

}  // namespace

int TCustomFFmpeg::CreateOutput(const std::string& fileName, bool join) {
    if (const std::string refusal = OutputRefusal(fileName); !refusal.empty()) {
        Fail(refusal);
        return -1;
    }
    TaskSettings& s = m_settings;
    const std::string libraryName = ToLibraryName(fileName);
    std::string error;
    AVFormatContext* raw = AllocateMuxer(s.FileFormat, fileName, libraryName, error);
    if (!raw) {
        Fail(error);
        return -1;
    }
    auto output = std::make_unique<OutputFile>();
    output->Context.reset(raw);
    output->FileName = fileName;
    output->LibraryName = libraryName;
    output->Path = LocalFilePath(fileName);
    const StreamKinds kinds = WantedStreams(raw->oformat, libraryName, join);
    m_outputs.push_back(std::move(output));
    try {
        CreateStreams(kinds);
        SetUpMuxer(*m_outputs.back());
    } catch (const EngineError& failure) {
        m_outputs.pop_back();
        Fail(failure.what());
        return -1;
    }
    s.FileFormat.clear();
    s.Metadata.clear();
    s.RecordingTime = kUnlimited;
    s.StartTime = 0;
    s.LimitFileSize = 0;
    s.RecordingTimestamp = 0;
    if (join && m_inputs.size() > 1) {
        JoinInputs();
    }
    return static_cast<int>(m_outputs.size());
}

std::string TCustomFFmpeg::OutputRefusal(const std::string& fileName) const {
    if (m_joined) {
        return "Cannot join more than one output file.";
    }
    if (static_cast<int>(m_outputs.size()) >= kMaxFiles) {
        return "max output files " + std::to_string(kMaxFiles) + " reached";
    }
    if (std::string refusal = AddressRefusal(fileName); !refusal.empty()) {
        return refusal;
    }
    const std::string path = LocalFilePath(fileName);
    for (const InputFile& input : m_inputs) {
        if (!path.empty() && SameFile(path, LocalFilePath(input.FileName))) {
            return "Output file '" + fileName + "' is the input file '" + input.FileName +
                   "'; it would be overwritten";
        }
    }
    return std::string();
}

TCustomFFmpeg::StreamKinds TCustomFFmpeg::WantedStreams(const AVOutputFormat* format,
                                                        const std::string& libraryName,
                                                        bool join) const {
    const TaskSettings& s = m_settings;
    std::vector<const AVFormatContext*> inputs;
    for (std::size_t i = 0; i < m_inputs.size() && (!join || i == 0); ++i) {
        inputs.push_back(m_inputs[i].Context.get());
    }
    auto wanted = [&](AVMediaType type, bool copy, const std::string& codec, bool disabled) {
        bool want = copy || !codec.empty() || HasDefaultStream(format, libraryName, type);
        if (!inputs.empty()) {
            want = want && InputsHave(inputs, type);
        }
        return want && !disabled;
    };
    return StreamKinds{
        wanted(AVMEDIA_TYPE_VIDEO, s.VideoCopy, s.VideoCodecName, s.VideoDisable),
        wanted(AVMEDIA_TYPE_AUDIO, s.AudioCopy, s.AudioCodecName, s.AudioDisable),
        wanted(AVMEDIA_TYPE_SUBTITLE, s.SubtitleCopy, s.SubtitleCodecName, s.SubtitleDisable)};
}

void TCustomFFmpeg::CreateStreams(const StreamKinds& kinds) {
    auto create = [&](bool wantedKind, void (TCustomFFmpeg::*add)(), const char* what) {
        if (!wantedKind) {
            return;
        }
        try {
            (this->*add)();
        } catch (const EngineError& error) {
            throw EngineError(std::string(what) + " fail: " + error.what());
        }
    };
    create(kinds.Video, &TCustomFFmpeg::AddVideoStream, "new_video_stream");
    create(kinds.Audio, &TCustomFFmpeg::AddAudioStream, "new_audio_stream");
    create(kinds.Subtitle, &TCustomFFmpeg::AddSubtitleStream, "new_subtitle_stream");
    m_settings.VideoDisable = m_settings.AudioDisable = m_settings.SubtitleDisable = false;
}

void TCustomFFmpeg::SetUpMuxer(OutputFile& created) {
    const TaskSettings& s = m_settings;
    AVFormatContext* muxer = created.Context.get();
    if (s.RecordingTimestamp != 0) {
        char stamp[32];
        const std::time_t seconds = static_cast<std::time_t>(s.RecordingTimestamp);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
        av_dict_set(&muxer->metadata, "creation_time", stamp, 0);
    }
    for (auto it = s.Metadata.rbegin(); it != s.Metadata.rend(); ++it) {
        av_dict_set(&muxer->metadata, it->first.c_str(), it->second.c_str(), 0);
    }
    const std::string& libraryName = created.LibraryName;
    if (NeedsNumber(muxer->oformat, s.MaxVideoFrames) &&
        !av_filename_number_test(libraryName.c_str())) {
        throw EngineError(OpenErrorText(AVERROR(EDOM), created.FileName, libraryName));
    }
    muxer->max_delay = static_cast<int>(s.MuxMaxDelay * AV_TIME_BASE);
    created.FormatOptions = OptionsFor(m_libraryOptions.Format(), m_libraryOptions.Deferred());
    created.FormatOptions.push_back(
        {"preload", std::to_string(static_cast<std::int64_t>(s.MuxPreload * AV_TIME_BASE))});
    if (s.LoopOutput >= 0) {
        created.FormatOptions.push_back({"loop", std::to_string(s.LoopOutput)});
    }
    // Muxers that open further files themselves (segments, images, playlists) stay
    // within the protocols of the output's own name, whatever the options asked for.
    created.FormatOptions.push_back({"protocol_whitelist", AllowedProtocols(libraryName)});
    created.ScalerOptions = m_libraryOptions.Scaler().Entries();
    created.RecordingTime = s.RecordingTime;
    created.StartTime = s.StartTime;
    created.LimitFileSize = s.LimitFileSize;
}

void TCustomFFmpeg::JoinInputs() {
    m_joined = true;
    std::int64_t sum = 0;
    for (const InputFile& input : m_inputs) {
        if (input.Context->duration != AV_NOPTS_VALUE && input.Context->duration > 0) {
            sum += input.Context->duration;
        }
    }
    m_totalDuration = sum == 0 ? -1 : sum;
}

TCustomFFmpeg::OutputStreamPlan TCustomFFmpeg::NewStream(AVMediaType type, bool copy,
                                                         const std::string& codecName,
                                                         const std::string& tag,
                                                         const std::string& language,
                                                         const std::vector<std::string>& filters) {
    if (m_outputs.empty()) {
        throw EngineError("At least one output file must be specified");
    }
    OutputFile& output = *m_outputs.back();
    OutputStreamPlan plan;
    plan.Type = type;
    plan.Copy = copy;
    plan.Tag = tag;
    plan.Language = language;
    plan.BitstreamFilters = filters;
    if (!copy) {
        plan.Encoder = codecName.empty()
                           ? DefaultEncoder(output.Context->oformat, output.LibraryName, type)
                           : CheckEncoderName(codecName, type);
        if (!plan.Encoder) {
            throw EngineError("Unknown encoder '" + codecName + "'");
        }
        plan.CodecOptions = OptionsFor(m_libraryOptions.Codec(type), m_libraryOptions.Deferred());
    }
    plan.Stream = avformat_new_stream(output.Context.get(), nullptr);
    if (!plan.Stream) {
        throw EngineError("Could not alloc stream");
    }
    plan.Stream->codecpar->codec_type = type;
    if (!language.empty()) {
        av_dict_set(&plan.Stream->metadata, "language", language.c_str(), 0);
    }
    return plan;
}

void TCustomFFmpeg::AddVideoStream() {
    TaskSettings& s = m_settings;
    OutputStreamPlan plan = NewStream(AVMEDIA_TYPE_VIDEO, s.VideoCopy, s.VideoCodecName, s.VideoTag,
                                      s.VideoLanguage, s.VideoBitstreamFilters);
    plan.MaxFrames = s.MaxVideoFrames;
    const double aspect = s.FrameAspect;
    const int width = s.FrameWidth;
    const int height = s.FrameHeight;
    if (aspect > 0) {
        // The aspect is that of the frame as shown, bars included.
        const int shownWidth = plan.Copy ? width : width + s.PadLeft + s.PadRight;
        const int shownHeight = plan.Copy ? height : height + s.PadTop + s.PadBottom;
        const double sar = shownWidth > 0 && shownHeight > 0 ? aspect * shownHeight / shownWidth
                                                             : aspect * 3.0 / 4.0;
        plan.SampleAspect = av_d2q(sar, 255);
    }
    if (!plan.Copy) {
        plan.FrameRate =
            s.FrameRate.num > 0 && s.FrameRate.den > 0 ? s.FrameRate : AVRational{25, 1};
        plan.Width = width + s.PadLeft + s.PadRight;
        plan.Height = height + s.PadTop + s.PadBottom;
        plan.CropTop = s.CropTop;
        plan.CropBottom = s.CropBottom;
        plan.CropLeft = s.CropLeft;
        plan.CropRight = s.CropRight;
        plan.PadTop = s.PadTop;
        plan.PadBottom = s.PadBottom;
        plan.PadLeft = s.PadLeft;
        plan.PadRight = s.PadRight;
        plan.PadColor = s.PadColor;
        plan.PixelFormat = s.PixelFormat;
        plan.Filters = s.VideoFilters;
        plan.Deinterlace = s.Deinterlace;
        plan.Qscale = s.VideoQscale;
        plan.SameQuality = s.SameQuality;
        plan.Intra = s.Intra;
        plan.Pass = s.Pass;
        plan.PassLogFile = s.PassLogFile;
        plan.IntraDcPrecision = s.IntraDcPrecision;
        plan.TopFieldFirst = s.TopFieldFirst;
        plan.IntraMatrix = s.IntraMatrix;
        plan.InterMatrix = s.InterMatrix;
        plan.RcOverride = s.RcOverride;
        plan.Psnr = s.Psnr;
    }
    m_outputs.back()->Streams.push_back(std::move(plan));
    s.VideoDisable = false;
    s.VideoCodecName.clear();
    s.VideoCopy = false;
    s.PixelFormat = -1;
}

void TCustomFFmpeg::AddAudioStream() {
    TaskSettings& s = m_settings;
    OutputStreamPlan plan = NewStream(AVMEDIA_TYPE_AUDIO, s.AudioCopy, s.AudioCodecName, s.AudioTag,
                                      s.AudioLanguage, s.AudioBitstreamFilters);
    plan.MaxFrames = s.MaxAudioFrames;
    if (!plan.Copy) {
        plan.SampleRate = s.SampleRate;
        plan.Channels = s.Channels;
        plan.ChannelLayoutMask = s.ChannelLayoutMask;
        plan.SampleFormat = s.SampleFormat;
        plan.Quality = s.AudioQuality;
    }
    plan.Volume = s.Volume;
    m_outputs.back()->Streams.push_back(std::move(plan));
    s.AudioDisable = false;
    s.AudioCodecName.clear();
    s.AudioCopy = false;
}

void TCustomFFmpeg::AddSubtitleStream() {
    TaskSettings& s = m_settings;
    OutputStreamPlan plan =
        NewStream(AVMEDIA_TYPE_SUBTITLE, s.SubtitleCopy, s.SubtitleCodecName, s.SubtitleTag,
                  s.SubtitleLanguage, s.SubtitleBitstreamFilters);
    m_outputs.back()->Streams.push_back(std::move(plan));
    s.SubtitleDisable = false;
    s.SubtitleCodecName.clear();
    s.SubtitleCopy = false;
}

}  // namespace mw
