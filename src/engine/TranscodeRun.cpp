#include "TranscodeRun.h"

#include <cmath>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

#include "EncoderFit.h"
#include "EngineError.h"
#include "FFmpegLoader.h"
#include "LegacyOptions.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

const char* TypeName(AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return "Video";
        case AVMEDIA_TYPE_AUDIO:
            return "Audio";
        case AVMEDIA_TYPE_DATA:
            return "Data";
        case AVMEDIA_TYPE_SUBTITLE:
            return "Subtitle";
        case AVMEDIA_TYPE_ATTACHMENT:
            return "Attachment";
        default:
            return "Unknown";
    }
}

// "start,end,q/start,end,-quality%" ranges of forced quantisers or quality factors.
void ParseRcOverride(const std::string& text, AVCodecContext* encoder) {
    std::vector<RcOverride> ranges;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        int first = 0, last = 0, q = 0;
        if (std::sscanf(text.substr(start, end - start).c_str(), "%d,%d,%d", &first, &last, &q) !=
            3) {
            throw EngineError("error parsing rc_override");
        }
        RcOverride range{};
        range.start_frame = first;
        range.end_frame = last;
        if (q > 0) {
            range.qscale = q;
            range.quality_factor = 1.0f;
        } else {
            range.qscale = 0;
            range.quality_factor = -static_cast<float>(q) / 100.0f;
        }
        ranges.push_back(range);
        start = end + 1;
    }
    encoder->rc_override =
        static_cast<RcOverride*>(av_malloc_array(ranges.size(), sizeof(RcOverride)));
    if (!encoder->rc_override) {
        throw EngineError("error parsing rc_override");
    }
    std::memcpy(encoder->rc_override, ranges.data(), ranges.size() * sizeof(RcOverride));
    encoder->rc_override_count = static_cast<int>(ranges.size());
}

std::uint16_t* CopyMatrix(const std::vector<std::uint16_t>& matrix) {
    auto* copy = static_cast<std::uint16_t*>(av_malloc(64 * sizeof(std::uint16_t)));
    if (copy) {
        std::memcpy(copy, matrix.data(), 64 * sizeof(std::uint16_t));
    }
    return copy;
}

}  // namespace

TranscodeRun::TranscodeRun(TCustomFFmpeg& task)
    : m_task(task),
      m_settings(task.m_settings),
      m_joined(task.m_joined),
      m_frame(MakeFrame()),
      m_filtered(MakeFrame()),
      m_packet(MakePacket()),
      m_encoded(MakePacket()) {}

TranscodeRun::~TranscodeRun() = default;

std::int64_t TranscodeRun::Now() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 m_start)
        .count();
}

bool TranscodeRun::Raise(const std::string& text) {
    if (m_settings.ExitOnError) {
        throw EngineError(text);
    }
    m_task.Log(llError, text);
    return false;
}

void TranscodeRun::Prepare() {
    BuildStreamTables();
    MapStreams();
    // Streams no output uses are not even read: the demuxer skips their data.
    for (InputStream& input : m_inputStreams) {
        if (!input.Used) {
            input.Stream->discard = AVDISCARD_ALL;
        }
    }
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->Copy) {
            SetUpCopy(*output);
        } else {
            SetUpEncoder(*output);
        }
        OpenBitstreamFilters(*output);
    }
    OpenDecoders();
    WriteHeaders();
    LogMapping();
    m_start = std::chrono::steady_clock::now();
}

void TranscodeRun::BuildStreamTables() {
    const std::int64_t wallClock = av_gettime_relative();
    for (int f = 0; f < m_task.InputCount(); ++f) {
        m_fileStreamBase.push_back(static_cast<int>(m_inputStreams.size()));
        AVFormatContext* context = m_task.InputContext(f);
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            InputStream input;
            input.File = f;
            input.Stream = context->streams[i];
            input.RealTimeStart = m_settings.RateEmulation ? wallClock : 0;
            m_inputStreams.push_back(std::move(input));
        }
    }
    m_fileStates.resize(static_cast<std::size_t>(m_task.InputCount()));

    for (std::size_t f = 0; f < m_task.m_outputs.size(); ++f) {
        TCustomFFmpeg::OutputFile& file = *m_task.m_outputs[f];
        if (file.Streams.empty()) {
            m_task.Log(llVerbose, "Output #" + std::to_string(f) + ", " +
                                      file.Context->oformat->name + ", to '" + file.FileName + "'");
            throw EngineError("Output file #" + std::to_string(f) + " does not contain any stream");
        }
        m_muxers.push_back(file.Context.get());
        for (TCustomFFmpeg::OutputStreamSpec& plan : file.Streams) {
            auto output = std::make_unique<OutputStream>();
            output->Plan = &plan;
            output->OutputFile = static_cast<int>(f);
            output->Muxer = file.Context.get();
            output->Stream = plan.Stream;
            output->Copy = plan.Copy;
            m_outputStreams.push_back(std::move(output));
        }
    }
}

void TranscodeRun::MapStreams() {
    const std::vector<StreamMap>& maps = m_settings.StreamMaps;
    if (!maps.empty()) {
        if (maps.size() != m_outputStreams.size()) {
            throw EngineError("Number of stream maps must match number of output streams");
        }
        for (std::size_t k = 0; k < maps.size(); ++k) {
            const StreamMap& map = maps[k];
            auto valid = [&](int file, int stream) {
                return file >= 0 && file < m_task.InputCount() && stream >= 0 &&
                       stream < static_cast<int>(m_task.InputContext(file)->nb_streams);
            };
            if (!valid(map.File, map.Stream)) {
                throw EngineError(
                    Format("Could not find input stream #%d.%d", map.File, map.Stream));
            }
            if (!valid(map.SyncFile, map.SyncStream)) {
                throw EngineError(
                    Format("Could not find sync stream #%d.%d", map.SyncFile, map.SyncStream));
            }
            OutputStream& output = *m_outputStreams[k];
            const int index = m_fileStreamBase[static_cast<std::size_t>(map.File)] + map.Stream;
            InputStream& input = m_inputStreams[static_cast<std::size_t>(index)];
            const AVMediaType inputType = input.Stream->codecpar->codec_type;
            if (inputType != output.Plan->Type) {
                throw EngineError(
                    Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", map.File,
                           map.Stream, TypeName(inputType), output.OutputFile, output.Stream->index,
                           TypeName(output.Plan->Type)));
            }
            output.Sources.assign(1, index);
            input.Used = true;
            input.Outputs.push_back(static_cast<int>(k));
        }
        return;
    }
    const int groups = m_joined ? m_task.InputCount() : 1;
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        const AVMediaType type = output->Plan->Type;
        for (int group = 0; group < groups; ++group) {
            int best = -1;
            int last = -1;
            for (int file = 0; file < m_task.InputCount() && best < 0; ++file) {
                if (m_joined && file != group) {
                    continue;
                }
                AVFormatContext* context = m_task.InputContext(file);
                const int base = m_fileStreamBase[static_cast<std::size_t>(file)];
                for (unsigned i = 0; i < context->nb_streams; ++i) {
                    const AVStream* stream = context->streams[i];
                    if (stream->discard != AVDISCARD_ALL && stream->codecpar->codec_type == type) {
                        last = base + static_cast<int>(i);
                    }
                }
                // The library's choice weighs the frames seen while the file was analysed.
                const int preferred = av_find_best_stream(context, type, -1, -1, nullptr, 0);
                if (preferred >= 0) {
                    const int index = base + preferred;
                    const InputStream& input = m_inputStreams[static_cast<std::size_t>(index)];
                    if (input.Stream->discard != AVDISCARD_ALL && (m_joined || !input.Used)) {
                        best = index;
                    }
                }
                for (unsigned i = 0; best < 0 && i < context->nb_streams; ++i) {
                    const InputStream& input = m_inputStreams[static_cast<std::size_t>(base) + i];
                    if (input.Stream->discard != AVDISCARD_ALL &&
                        input.Stream->codecpar->codec_type == type && (m_joined || !input.Used)) {
                        best = base + static_cast<int>(i);
                    }
                }
            }
            if (best < 0 && !m_joined && m_settings.ProgramId < 0) {
                best = last;
            }
            if (best < 0) {
                throw EngineError(Format(
                    "Could not find input stream matching output stream #%d.%d (%s)",
                    m_joined ? group : output->OutputFile, output->Stream->index, TypeName(type)));
            }
            m_inputStreams[static_cast<std::size_t>(best)].Used = true;
            output->Sources.push_back(best);
        }
    }
    for (std::size_t o = 0; o < m_outputStreams.size(); ++o) {
        for (int source : m_outputStreams[o]->Sources) {
            m_inputStreams[static_cast<std::size_t>(source)].Outputs.push_back(static_cast<int>(o));
        }
    }
}

void TranscodeRun::SetUpCopy(OutputStream& output) {
    const TCustomFFmpeg::OutputStreamSpec& plan = *output.Plan;
    if (plan.Type == AVMEDIA_TYPE_VIDEO) {
        if (m_task.OnCustomHook()) {
            throw EngineError(
                "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
        }
        if (m_task.OnPreviewBitmap()) {
            throw EngineError(
                "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
        }
    }
    if (plan.Type == AVMEDIA_TYPE_AUDIO && plan.Volume != 256) {
        throw EngineError("-acodec copy and -vol are incompatible (frames are not decoded)");
    }
    const InputStream& input = m_inputStreams[static_cast<std::size_t>(output.Sources[0])];
    AVCodecParameters* parameters = output.Stream->codecpar;
    if (avcodec_parameters_copy(parameters, input.Stream->codecpar) < 0) {
        throw EngineError("Could not copy the stream parameters");
    }
    unsigned tag = input.Stream->codecpar->codec_tag;
    const AVCodecTag* const* tags = output.Muxer->oformat->codec_tag;
    if (tag && tags) {
        unsigned muxerTag = 0;
        if (av_codec_get_id(tags, tag) != parameters->codec_id &&
            av_codec_get_tag2(tags, parameters->codec_id, &muxerTag)) {
            tag = 0;
        }
    }
    parameters->codec_tag = tag;
    if (!plan.Tag.empty()) {
        parameters->codec_tag = MKTAG(plan.Tag[0], plan.Tag[1], plan.Tag[2], plan.Tag[3]);
    }
    if (plan.Type == AVMEDIA_TYPE_AUDIO &&
        ((parameters->block_align == 1 && parameters->codec_id == AV_CODEC_ID_MP3) ||
         parameters->codec_id == AV_CODEC_ID_AC3)) {
        parameters->block_align = 0;
    }
    if (plan.SampleAspect.num > 0) {
        parameters->sample_aspect_ratio = plan.SampleAspect;
    }
    output.Stream->sample_aspect_ratio = parameters->sample_aspect_ratio;
    output.Stream->time_base = input.Stream->time_base;
    output.Stream->avg_frame_rate = input.Stream->avg_frame_rate;
    output.Stream->r_frame_rate = input.Stream->r_frame_rate;
    if (!av_dict_get(output.Stream->metadata, "language", nullptr, 0)) {
        if (const AVDictionaryEntry* language =
                av_dict_get(input.Stream->metadata, "language", nullptr, 0)) {
            av_dict_set(&output.Stream->metadata, "language", language->value, 0);
        }
    }
}

void TranscodeRun::SetUpEncoder(OutputStream& output) {
    TCustomFFmpeg::OutputStreamSpec& plan = *output.Plan;
    const InputStream& input = m_inputStreams[static_cast<std::size_t>(output.Sources[0])];
    const AVCodec* codec = plan.Encoder;
    output.Encoder = AllocateCodec(codec);
    AVCodecContext* encoder = output.Encoder.get();
    if (!encoder) {
        throw EngineError("Could not allocate an encoder context");
    }
    if (std::strcmp(codec->name, "libx264") == 0) {
        ApplyOptions(encoder, LegacyX264Defaults(), false);
    }
    ApplyOptions(encoder, plan.CodecOptions, true);
    encoder->thread_count = 0;
    if (output.Muxer->oformat->flags & AVFMT_GLOBALHEADER ||
        (plan.Type == AVMEDIA_TYPE_VIDEO && m_settings.VideoGlobalHeader & 1)) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (!plan.Tag.empty()) {
        encoder->codec_tag = MKTAG(plan.Tag[0], plan.Tag[1], plan.Tag[2], plan.Tag[3]);
    }

    if (plan.Type == AVMEDIA_TYPE_VIDEO) {
        AVRational rate = plan.FrameRate;
        if (!m_settings.ForceFps) {
            rate = FitFrameRate(codec, rate);
        }
        encoder->framerate = rate;
        encoder->time_base = av_inv_q(rate);
        const AVPixelFormat sourceFormat =
            static_cast<AVPixelFormat>(input.Stream->codecpar->format);
        encoder->pix_fmt =
            FitPixelFormat(codec, static_cast<AVPixelFormat>(plan.PixelFormat), sourceFormat);
        if (encoder->pix_fmt == AV_PIX_FMT_NONE) {
            throw EngineError("Video pixel format is unknown, stream cannot be encoded");
        }
        int width = plan.Width > 0 ? plan.Width : input.Stream->codecpar->width;
        int height = plan.Height > 0 ? plan.Height : input.Stream->codecpar->height;
        const int fullWidth = width;
        const int fullHeight = height;
        AVRational sampleAspect = plan.SampleAspect.num > 0 ? plan.SampleAspect
                                  : input.Stream->sample_aspect_ratio.num > 0
                                      ? input.Stream->sample_aspect_ratio
                                      : input.Stream->codecpar->sample_aspect_ratio;
        // Where the file cannot tell the pixels' shape, the picture is scaled to square
        // pixels at the width it is shown.
        const bool squarePixels = !CarriesSampleAspect(codec, output.Muxer->oformat);
        if (squarePixels && sampleAspect.num > 0 && sampleAspect.den > 0 &&
            sampleAspect.num != sampleAspect.den) {
            width = 2 * static_cast<int>(std::lround(width * av_q2d(sampleAspect) / 2));
        }
        FitPictureSize(codec, output.Muxer->oformat, encoder->pix_fmt, width, height);
        if (width != fullWidth || height != fullHeight) {
            // The frame is shown as it would have been at the size asked for.
            if (sampleAspect.num <= 0 || sampleAspect.den <= 0) {
                sampleAspect = AVRational{1, 1};
            }
            av_reduce(&sampleAspect.num, &sampleAspect.den,
                      static_cast<std::int64_t>(sampleAspect.num) * fullWidth * height,
                      static_cast<std::int64_t>(sampleAspect.den) * fullHeight * width, 255);
            // The pads shrink or grow with the picture so that the shape is kept.
            auto scaleBand = [](int band, int newSize, int oldSize) {
                return oldSize > 0 ? band * newSize / oldSize / 2 * 2 : 0;
            };
            plan.PadLeft = scaleBand(plan.PadLeft, width, fullWidth);
            plan.PadRight = scaleBand(plan.PadRight, width, fullWidth);
            plan.PadTop = scaleBand(plan.PadTop, height, fullHeight);
            plan.PadBottom = scaleBand(plan.PadBottom, height, fullHeight);
        }
        plan.Width = width;
        plan.Height = height;
        encoder->width = width;
        encoder->height = height;
        encoder->sample_aspect_ratio = squarePixels ? AVRational{1, 1} : sampleAspect;
        if (plan.Intra) {
            encoder->gop_size = 0;
        }
        if (plan.Qscale > 0 || plan.SameQuality) {
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality =
                static_cast<int>(FF_QP2LAMBDA * (plan.Qscale > 0 ? plan.Qscale : 2.0f));
        }
        if (plan.IntraMatrix.size() == 64) {
            encoder->intra_matrix = CopyMatrix(plan.IntraMatrix);
        }
        if (plan.InterMatrix.size() == 64) {
            encoder->inter_matrix = CopyMatrix(plan.InterMatrix);
        }
        if (!plan.RcOverride.empty()) {
            ParseRcOverride(plan.RcOverride, encoder);
        }
        encoder->intra_dc_precision = plan.IntraDcPrecision - 8;
        if (plan.Psnr) {
            encoder->flags |= AV_CODEC_FLAG_PSNR;
        }
        if (plan.Pass > 0) {
            const std::string logName =
                (plan.PassLogFile.empty() ? std::string("ffmpeg2pass") : plan.PassLogFile) + "-" +
                std::to_string(output.Stream->index) + ".log";
            if (std::strcmp(codec->name, "libx264") == 0) {
                av_opt_set(encoder->priv_data, "stats", logName.c_str(), 0);
            }
            if (plan.Pass == 1) {
                encoder->flags |= AV_CODEC_FLAG_PASS1;
                output.PassLog.reset(std::fopen(logName.c_str(), "wb"));
                if (!output.PassLog) {
                    throw EngineError("Cannot write log file " + logName + " for pass-1 encoding");
                }
            } else {
                encoder->flags |= AV_CODEC_FLAG_PASS2;
                std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(
                    std::fopen(logName.c_str(), "rb"), &std::fclose);
                if (!log) {
                    throw EngineError("Cannot read log file " + logName + " for pass-2 encoding");
                }
                std::string stats;
                char buffer[4096];
                std::size_t n;
                while ((n = std::fread(buffer, 1, sizeof buffer, log.get())) > 0) {
                    stats.append(buffer, n);
                }
                encoder->stats_in = av_strdup(stats.c_str());
                if (!encoder->stats_in) {
                    throw EngineError("Could not allocate log buffer");
                }
            }
        }
        if (plan.TopFieldFirst >= 0) {
            encoder->field_order = plan.TopFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
        }
        output.Stream->sample_aspect_ratio = encoder->sample_aspect_ratio;
        output.Stream->avg_frame_rate = rate;
    } else if (plan.Type == AVMEDIA_TYPE_AUDIO) {
        encoder->sample_rate = FitSampleRate(codec, plan.SampleRate);
        FitChannelLayout(codec, plan.Channels, plan.ChannelLayoutMask, encoder->ch_layout);
        encoder->sample_fmt =
            FitSampleFormat(codec, static_cast<AVSampleFormat>(plan.SampleFormat));
        encoder->time_base = AVRational{1, encoder->sample_rate};
        encoder->bit_rate = FitBitRate(codec, encoder->bit_rate, encoder->sample_rate);
        if (plan.Quality > -99999.0f) {
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality = static_cast<int>(FF_QP2LAMBDA * plan.Quality);
        }
    } else {
        encoder->time_base = AVRational{1, AV_TIME_BASE};
        if (input.Stream->codecpar->extradata_size > 0) {
            encoder->subtitle_header =
                static_cast<std::uint8_t*>(av_mallocz(input.Stream->codecpar->extradata_size + 1));
            if (encoder->subtitle_header) {
                std::memcpy(encoder->subtitle_header, input.Stream->codecpar->extradata,
                            static_cast<std::size_t>(input.Stream->codecpar->extradata_size));
                encoder->subtitle_header_size = input.Stream->codecpar->extradata_size;
            }
        }
        if (input.Stream->codecpar->width > 0) {
            encoder->width = input.Stream->codecpar->width;
            encoder->height = input.Stream->codecpar->height;
        }
    }

    if (OpenCodec(encoder, codec) < 0) {
        throw EngineError(
            Format("Error while opening encoder for output stream #%d.%d (%s) - "
                   "maybe incorrect parameters such as bit_rate, rate, width or "
                   "height",
                   output.OutputFile, output.Stream->index, TypeName(plan.Type)));
    }
    if (avcodec_parameters_from_context(output.Stream->codecpar, encoder) < 0) {
        throw EngineError("Could not copy the encoder parameters");
    }
    output.Stream->time_base = encoder->time_base;
    if (plan.Type == AVMEDIA_TYPE_AUDIO && encoder->frame_size == 0 &&
        !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        throw EngineError("frame_bytes invalid.");
    }
    if (!av_dict_get(output.Stream->metadata, "language", nullptr, 0)) {
        if (const AVDictionaryEntry* language =
                av_dict_get(input.Stream->metadata, "language", nullptr, 0)) {
            av_dict_set(&output.Stream->metadata, "language", language->value, 0);
        }
    }
    for (int i : output.Sources) {
        m_inputStreams[static_cast<std::size_t>(i)].DecodingNeeded = true;
    }
}

void TranscodeRun::OpenBitstreamFilters(OutputStream& output) {
    for (const std::string& entry : output.Plan->BitstreamFilters) {
        const std::size_t equals = entry.find('=');
        const std::string name = entry.substr(0, equals);
        const AVBitStreamFilter* filter = av_bsf_get_by_name(name.c_str());
        AVBSFContext* raw = nullptr;
        if (!filter || av_bsf_alloc(filter, &raw) < 0) {
            throw EngineError("Unknown bitstream filter " + name);
        }
        AVPtr<AVBSFContext> context(raw);
        const AVCodecParameters* in =
            output.Filters.empty() ? output.Stream->codecpar : output.Filters.back()->par_out;
        avcodec_parameters_copy(context->par_in, in);
        context->time_base_in = output.Stream->time_base;
        if (equals != std::string::npos) {
            av_opt_set_from_string(context->priv_data, entry.substr(equals + 1).c_str(), nullptr,
                                   "=", ":");
        }
        if (av_bsf_init(context.get()) < 0) {
            throw EngineError("Unknown bitstream filter " + name);
        }
        output.Filters.push_back(std::move(context));
    }
    if (!output.Filters.empty()) {
        avcodec_parameters_copy(output.Stream->codecpar, output.Filters.back()->par_out);
    }
}

void TranscodeRun::OpenDecoders() {
    for (std::size_t i = 0; i < m_inputStreams.size(); ++i) {
        InputStream& input = m_inputStreams[i];
        if (!input.DecodingNeeded) {
            continue;
        }
        const AVCodecParameters* parameters = input.Stream->codecpar;
        const std::string& forced =
            m_task.m_inputs[static_cast<std::size_t>(input.File)]
                .DecoderNames[static_cast<std::size_t>(input.Stream->index)];
        const AVCodec* codec = forced.empty() ? avcodec_find_decoder(parameters->codec_id)
                                              : avcodec_find_decoder_by_name(forced.c_str());
        const int streamNumber = input.Stream->index;
        if (!codec) {
            throw EngineError(Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                     static_cast<int>(parameters->codec_id), input.File,
                                     streamNumber, TypeName(parameters->codec_type)));
        }
        input.Decoder = OpenDecoder(codec, *input.Stream, false);
        if (!input.Decoder) {
            throw EngineError(Format("Error while opening decoder for input stream #%d.%d (%s)",
                                     input.File, streamNumber, TypeName(parameters->codec_type)));
        }
    }
}

void TranscodeRun::WriteHeaders() {
    for (const MetadataMap& map : m_settings.MetadataMaps) {
        if (map.OutputFile < 0 || map.OutputFile >= static_cast<int>(m_muxers.size())) {
            throw EngineError(Format("Invalid output file index %d map_meta_data(%d,%d)",
                                     map.OutputFile, map.OutputFile, map.InputFile));
        }
        if (map.InputFile < 0 || map.InputFile >= m_task.InputCount()) {
            throw EngineError(Format("Invalid input file index %d map_meta_data(%d,%d)",
                                     map.InputFile, map.OutputFile, map.InputFile));
        }
        av_dict_copy(&m_muxers[static_cast<std::size_t>(map.OutputFile)]->metadata,
                     m_task.InputContext(map.InputFile)->metadata, AV_DICT_DONT_OVERWRITE);
    }
    for (std::size_t f = 0; f < m_muxers.size(); ++f) {
        AVFormatContext* muxer = m_muxers[f];
        ApplyOptions(muxer, m_task.m_outputs[f]->FormatOptions, true);
        const int written = avformat_write_header(muxer, nullptr);
        if (written < 0) {
            const std::string text =
                Format("Could not write header for output file #%d (incorrect codec parameters ?)",
                       static_cast<int>(f));
            m_task.Log(llError, text);
            throw EngineError(text);
        }
    }
}

void TranscodeRun::LogMapping() {
    if (m_settings.Verbosity < 0) {
        return;
    }
    for (std::size_t f = 0; f < m_muxers.size(); ++f) {
        m_task.Log(llVerbose, "Output #" + std::to_string(f) + ", " + m_muxers[f]->oformat->name +
                                  ", to '" + m_task.m_outputs[f]->FileName + "'");
    }
    m_task.Log(llVerbose, "Stream mapping:");
    const int groups = m_joined ? m_task.InputCount() : 1;
    for (int group = 0; group < groups; ++group) {
        for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
            const InputStream& input = m_inputStreams[static_cast<std::size_t>(
                output->Sources[static_cast<std::size_t>(group)])];
            m_task.Log(llVerbose, Format("  Stream #%d.%d -> #%d.%d (%s)", input.File,
                                         input.Stream->index, m_joined ? 0 : output->OutputFile,
                                         output->Stream->index, TypeName(output->Plan->Type)));
        }
    }
}

}  // namespace mw
