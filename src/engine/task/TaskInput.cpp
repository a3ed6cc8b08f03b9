extern "C" {
#include <libavutil/pixdesc.h>
}

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"
#include "engine/files/OpenDemuxer.h"
#include "engine/task/CustomFFmpeg.h"

namespace mw {

namespace {

// A decoder named by a pending codec name; the message says why none serves.
std::string CheckDecoderName(const std::string& name, AVMediaType type, const AVCodec*& codec) {
    codec = nullptr;
    if (name.empty()) {
        return std::string();
    }
    codec = avcodec_find_decoder_by_name(name.c_str());
    if (!codec) {
        return "Unknown decoder '" + name + "'";
    }
    if (codec->type != type) {
        codec = nullptr;
        return "Invalid decoder type '" + name + "'";
    }
    return std::string();
}

}  // namespace

bool TCustomFFmpeg::OpenInput(const std::string& fileName) {
    TaskSettings& s = m_settings;
    const AVInputFormat* format = nullptr;
    if (!s.FileFormat.empty()) {
        format = av_find_input_format(s.FileFormat.c_str());
        if (!format) {
            throw EngineError("Unknown input format: \"" + s.FileFormat + "\"");
        }
    }
    PendingDecoders decoders;
    for (const auto& [name, type, codec] :
         {std::tuple{&s.VideoCodecName, AVMEDIA_TYPE_VIDEO, &decoders.Video},
          std::tuple{&s.AudioCodecName, AVMEDIA_TYPE_AUDIO, &decoders.Audio},
          std::tuple{&s.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, &decoders.Subtitle}}) {
        const std::string error = CheckDecoderName(*name, type, *codec);
        if (!error.empty()) {
            return Fail(error);
        }
    }
    InputContextPtr context;
    OpenedSource source;
    if (s.Source) {
        std::string error;
        source = OpenSourceInput(*s.Source, error);
        s.Source.reset();
        if (!source.Context) {
            return Fail(error);
        }
        if (!source.Warning.empty()) {
            Log(llWarning, source.Warning);
        }
        context = std::move(source.Context);
    } else {
        OpenedDemuxer opened =
            OpenDemuxer(fileName, format, InputOpenOptions(format),
                        [this](AVFormatContext* opening) { return SelectProgram(opening); });
        switch (opened.Result) {
            case DemuxerOpen::Opened:
                break;
            case DemuxerOpen::NoMemory:
                return Fail("avformat_alloc_context failed");
            case DemuxerOpen::NotAnalysed:
                if (s.Verbosity >= 0) {
                    const std::string text = fileName + ": could not find codec parameters";
                    Log(llVerbose, text);
                    return Fail(text);
                }
                break;
            case DemuxerOpen::Refused:
            case DemuxerOpen::NotOpened:
            case DemuxerOpen::Stopped:
                return Fail(opened.Error);
        }
        context = std::move(opened.Context);
    }
    const std::int64_t fileStart = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    if (s.StartTime != 0) {
        const std::int64_t target = s.StartTime + fileStart;
        if (av_seek_frame(context.get(), -1, target, AVSEEK_FLAG_BACKWARD) < 0 && s.Verbosity > 0) {
            Log(llVerbose, Format("%s: could not seek to position %0.3f", fileName.c_str(),
                                  static_cast<double>(target) / AV_TIME_BASE));
        }
    }
    InputFile input;
    input.FileName = fileName;
    input.TsScale = s.TsScale;
    TakeStreamSettings(context.get(), decoders, input);
    if (context->duration != AV_NOPTS_VALUE && context->duration > m_totalDuration) {
        m_totalDuration = context->duration;
    }
    input.TsOffset = s.InputTsOffset - (s.CopyTs ? 0 : s.StartTime + fileStart);
    if (s.Verbosity >= 0) {
        Log(llVerbose, "Input #" + std::to_string(m_inputs.size()) + ", " + context->iformat->name +
                           ", from '" + fileName + "'");
    }
    input.Source = std::move(source.Io);
    input.BurnStream = source.BurnStream;
    input.Windows = std::move(source.Windows);
    input.Context = std::move(context);
    m_inputs.push_back(std::move(input));

    s.FileFormat.clear();
    s.VideoCodecName.clear();
    s.AudioCodecName.clear();
    s.SubtitleCodecName.clear();
    s.VideoChannel = 0;
    s.StartTime = 0;
    s.InputTsOffset = 0;
    s.TsScale.clear();
    return true;
}

AVPtr<AVDictionary> TCustomFFmpeg::InputOpenOptions(const AVInputFormat* format) const {
    const TaskSettings& s = m_settings;
    AVDictionary* options = nullptr;
    for (const NamedOption& option : m_libraryOptions.Format().Entries()) {
        av_dict_set(&options, option.Name.c_str(), option.Value.c_str(), 0);
    }
    // Raw inputs take their shape from the pending settings, as capture devices do.
    if (format && format->priv_class) {
        if (s.FrameWidth > 0 && s.FrameHeight > 0) {
            av_dict_set(
                &options, "video_size",
                (std::to_string(s.FrameWidth) + "x" + std::to_string(s.FrameHeight)).c_str(), 0);
        }
        if (s.FrameRate.den != 0) {
            av_dict_set(
                &options, "framerate",
                (std::to_string(s.FrameRate.num) + "/" + std::to_string(s.FrameRate.den)).c_str(),
                0);
        }
        if (s.PixelFormat >= 0) {
            av_dict_set(&options, "pixel_format",
                        av_get_pix_fmt_name(static_cast<AVPixelFormat>(s.PixelFormat)), 0);
        }
    }
    return AVPtr<AVDictionary>(options);
}

std::string TCustomFFmpeg::SelectProgram(AVFormatContext* context) {
    TaskSettings& s = m_settings;
    if (s.ProgramId < 0) {
        return std::string();
    }
    bool found = false;
    for (unsigned p = 0; p < context->nb_programs; ++p) {
        AVProgram* program = context->programs[p];
        if (program->id == s.ProgramId) {
            found = true;
            for (unsigned i = 0; i < context->nb_streams; ++i) {
                context->streams[i]->discard = AVDISCARD_ALL;
            }
            for (unsigned i = 0; i < program->nb_stream_indexes; ++i) {
                context->streams[program->stream_index[i]]->discard = AVDISCARD_DEFAULT;
            }
        } else {
            program->discard = AVDISCARD_ALL;
        }
    }
    s.ProgramId = -1;
    return found ? std::string() : "Specified program id not found";
}

void TCustomFFmpeg::TakeStreamSettings(AVFormatContext* context, const PendingDecoders& decoders,
                                       InputFile& input) {
    TaskSettings& s = m_settings;
    // The first input with pictures gives the output its picture shape and frame rate, the
    // first one with sound its sample rate and channels: a join fits the later inputs into
    // what the first ones set.
    const auto earlierInputHas = [this](AVMediaType type) {
        for (const InputFile& earlier : m_inputs) {
            for (unsigned i = 0; i < earlier.Context->nb_streams; ++i) {
                if (earlier.Context->streams[i]->codecpar->codec_type == type) {
                    return true;
                }
            }
        }
        return false;
    };
    const bool takeVideoShape = !earlierInputHas(AVMEDIA_TYPE_VIDEO);
    const bool takeAudioShape = !earlierInputHas(AVMEDIA_TYPE_AUDIO);
    input.DecoderNames.resize(context->nb_streams);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        const AVCodecParameters* parameters = stream->codecpar;
        const AVCodec* decoder = nullptr;
        switch (parameters->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                TakeVideoSettings(stream, takeVideoShape);
                decoder = decoders.Video;
                break;
            case AVMEDIA_TYPE_AUDIO:
                if (takeAudioShape) {
                    TakeAudioSettings(parameters);
                }
                if (s.AudioDisable) {
                    stream->discard = AVDISCARD_ALL;
                }
                decoder = decoders.Audio;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                if (s.SubtitleDisable) {
                    stream->discard = AVDISCARD_ALL;
                }
                decoder = decoders.Subtitle;
                break;
            case AVMEDIA_TYPE_DATA:
            case AVMEDIA_TYPE_ATTACHMENT:
            case AVMEDIA_TYPE_UNKNOWN:
                break;
            default:
                throw EngineError("invalid codec_type");
        }
        if (decoder) {
            input.DecoderNames[i] = decoder->name;
        }
    }
}

void TCustomFFmpeg::TakeVideoSettings(AVStream* stream, bool takeShape) {
    TaskSettings& s = m_settings;
    const AVCodecParameters* parameters = stream->codecpar;
    s.PixelFormat = parameters->format < 0 ? 0 : parameters->format;
    if (takeShape) {
        s.FrameWidth = parameters->width;
        s.FrameHeight = parameters->height;
        const AVRational sar = stream->sample_aspect_ratio.num ? stream->sample_aspect_ratio
                                                               : parameters->sample_aspect_ratio;
        const double sampleAspect = sar.num && sar.den ? av_q2d(sar) : 1.0;
        s.FrameAspect = parameters->width && parameters->height
                            ? sampleAspect * parameters->width / parameters->height
                            : 4.0 / 3.0;
    }
    const AVRational rate = stream->r_frame_rate;
    const AVRational codecRate = stream->avg_frame_rate;
    if (rate.num && codecRate.num && av_cmp_q(rate, codecRate) != 0) {
        Log(llInfo, Format("Seems stream %d codec frame rate differs from container frame "
                           "rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                           stream->index, av_q2d(codecRate), codecRate.num, codecRate.den,
                           av_q2d(rate), rate.num, rate.den));
    }
    if (takeShape) {
        s.FrameRate = rate;
    }
    if (s.VideoDisable) {
        stream->discard = AVDISCARD_ALL;
    } else if (s.VideoDiscard) {
        stream->discard = static_cast<AVDiscard>(s.VideoDiscard);
    }
}

void TCustomFFmpeg::TakeAudioSettings(const AVCodecParameters* parameters) {
    TaskSettings& s = m_settings;
    s.Channels = parameters->ch_layout.nb_channels;
    s.ChannelLayoutMask =
        parameters->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? parameters->ch_layout.u.mask : 0;
    s.SampleRate = parameters->sample_rate;
    s.SampleFormat = parameters->format;
}

}  // namespace mw
