#include "support/MediaFixture.h"

#include <fstream>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "engine/FFmpegLoader.h"
#include "engine/common/AVPtr.h"

namespace mw::test {

namespace {

void Check(int result, const std::string& what) {
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(what + ": " + text);
    }
}

// A source graph "description -> sink"; the sink's frames are what the encoder takes.
class SourceGraph {
public:
    SourceGraph(const std::string& description, bool audio) : m_graph(avfilter_graph_alloc()) {
        m_graph->nb_threads = 1;
        const AVFilter* sink = avfilter_get_by_name(audio ? "abuffersink" : "buffersink");
        Check(avfilter_graph_create_filter(&m_sink, sink, "out", nullptr, nullptr, m_graph.get()),
              "sink");
        AVFilterInOut* outputs = nullptr;
        AVFilterInOut* inputs = avfilter_inout_alloc();
        inputs->name = av_strdup("out");
        inputs->filter_ctx = m_sink;
        inputs->pad_idx = 0;
        inputs->next = nullptr;
        const int parsed = avfilter_graph_parse_ptr(m_graph.get(), description.c_str(), &inputs,
                                                    &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        Check(parsed, "filter graph " + description);
        Check(avfilter_graph_config(m_graph.get(), nullptr), "filter graph configuration");
    }

    void SetFrameSize(int samples) { av_buffersink_set_frame_size(m_sink, samples); }

    // The next frame, or false at the end of the source.
    bool Next(AVFrame* frame) {
        const int result = av_buffersink_get_frame(m_sink, frame);
        if (result == AVERROR_EOF) {
            return false;
        }
        Check(result, "source frame");
        return true;
    }

private:
    AVPtr<AVFilterGraph> m_graph;
    AVFilterContext* m_sink = nullptr;
};

struct OutputStream {
    AVStream* Stream = nullptr;
    AVPtr<AVCodecContext> Encoder;
    std::unique_ptr<SourceGraph> Source;
    bool Finished = false;
    std::int64_t NextPts = 0;
};

AVPtr<AVDictionary> MakeDictionary(const std::map<std::string, std::string>& entries) {
    AVDictionary* raw = nullptr;
    for (const auto& [key, value] : entries) {
        av_dict_set(&raw, key.c_str(), value.c_str(), 0);
    }
    return AVPtr<AVDictionary>(raw);
}

const AVCodec* FindEncoder(const std::string& name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) {
        throw std::runtime_error("no encoder " + name);
    }
    return codec;
}

void WritePackets(AVFormatContext* muxer, OutputStream& output, AVPacket* packet) {
    for (;;) {
        const int result = avcodec_receive_packet(output.Encoder.get(), packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return;
        }
        Check(result, "encode");
        av_packet_rescale_ts(packet, output.Encoder->time_base, output.Stream->time_base);
        packet->stream_index = output.Stream->index;
        Check(av_interleaved_write_frame(muxer, packet), "write packet");
    }
}

void OpenVideo(AVFormatContext* muxer, const FixturePlan& fixture, OutputStream& output) {
    const AVCodec* codec = FindEncoder(fixture.VideoCodec);
    output.Encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* encoder = output.Encoder.get();
    AVPixelFormat format = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    if (!fixture.PixelFormat.empty()) {
        format = av_get_pix_fmt(fixture.PixelFormat.c_str());
    }
    encoder->width = fixture.Width;
    encoder->height = fixture.Height;
    encoder->pix_fmt = format;
    encoder->time_base = AVRational{fixture.FrameRateDen, fixture.FrameRateNum};
    encoder->framerate = AVRational{fixture.FrameRateNum, fixture.FrameRateDen};
    encoder->gop_size = fixture.GopSize;
    encoder->bit_rate = fixture.VideoBitRate;
    encoder->sample_aspect_ratio = AVRational{fixture.SampleAspectNum, fixture.SampleAspectDen};
    encoder->thread_count = 1;
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    std::map<std::string, std::string> options = fixture.VideoOptions;
    if (fixture.VideoCodec == "libx264") {
        options.emplace("preset", "ultrafast");
    }
    if (fixture.VideoCodec == "libvpx") {
        options.emplace("deadline", "realtime");
        options.emplace("cpu-used", "8");
    }
    AVDictionary* rawOptions = MakeDictionary(options).release();
    const int opened = avcodec_open2(encoder, codec, &rawOptions);
    AVPtr<AVDictionary> unused(rawOptions);
    Check(opened, "open " + fixture.VideoCodec);
    output.Stream = avformat_new_stream(muxer, nullptr);
    Check(avcodec_parameters_from_context(output.Stream->codecpar, encoder), "video parameters");
    output.Stream->time_base = encoder->time_base;
    output.Stream->sample_aspect_ratio = encoder->sample_aspect_ratio;
    const std::string description =
        fixture.VideoSource + (fixture.VideoSource.find('=') == std::string::npos ? "=" : ":") +
        "size=" + std::to_string(fixture.Width) + "x" + std::to_string(fixture.Height) +
        ":rate=" + std::to_string(fixture.FrameRateNum) + "/" +
        std::to_string(fixture.FrameRateDen) + ":duration=" + std::to_string(fixture.Seconds) +
        ",format=" + av_get_pix_fmt_name(format);
    output.Source = std::make_unique<SourceGraph>(description, false);
}

void OpenAudio(AVFormatContext* muxer, const FixturePlan& fixture, OutputStream& output) {
    const AVCodec* codec = FindEncoder(fixture.AudioCodec);
    output.Encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* encoder = output.Encoder.get();
    encoder->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    encoder->sample_rate = fixture.SampleRate;
    av_channel_layout_default(&encoder->ch_layout, fixture.Channels);
    encoder->bit_rate = fixture.AudioBitRate;
    encoder->time_base = AVRational{1, fixture.SampleRate};
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    Check(avcodec_open2(encoder, codec, nullptr), "open " + fixture.AudioCodec);
    output.Stream = avformat_new_stream(muxer, nullptr);
    Check(avcodec_parameters_from_context(output.Stream->codecpar, encoder), "audio parameters");
    output.Stream->time_base = encoder->time_base;
    char layout[64] = {};
    av_channel_layout_describe(&encoder->ch_layout, layout, sizeof layout);
    const std::string description =
        "sine=frequency=440:beep_factor=4:sample_rate=" + std::to_string(fixture.SampleRate) +
        ":duration=" + std::to_string(fixture.Seconds) +
        ",aformat=sample_fmts=" + av_get_sample_fmt_name(encoder->sample_fmt) +
        ":channel_layouts=" + layout;
    output.Source = std::make_unique<SourceGraph>(description, true);
    const bool variable = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    output.Source->SetFrameSize(encoder->frame_size > 0 && !variable ? encoder->frame_size : 1024);
}

// Feeds one source frame (or the end) to the encoder and writes what comes out.
void Step(AVFormatContext* muxer, OutputStream& output, AVFrame* frame, AVPacket* packet) {
    if (output.Source->Next(frame)) {
        frame->pts = output.NextPts;
        output.NextPts += output.Encoder->codec_type == AVMEDIA_TYPE_AUDIO ? frame->nb_samples : 1;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        Check(avcodec_send_frame(output.Encoder.get(), frame), "send frame");
        av_frame_unref(frame);
    } else {
        Check(avcodec_send_frame(output.Encoder.get(), nullptr), "flush");
        output.Finished = true;
    }
    WritePackets(muxer, output, packet);
}

}  // namespace

void WriteFixture(const std::string& path, const FixturePlan& fixture) {
    LoadEngineLibraries();
    AVFormatContext* raw = nullptr;
    Check(
        avformat_alloc_output_context2(
            &raw, nullptr, fixture.Format.empty() ? nullptr : fixture.Format.c_str(), path.c_str()),
        "muxer for " + path);
    OutputContextPtr muxer(raw);
    for (const auto& [key, value] : fixture.Metadata) {
        av_dict_set(&muxer->metadata, key.c_str(), value.c_str(), 0);
    }
    std::vector<OutputStream> outputs;
    if (!fixture.VideoCodec.empty()) {
        OpenVideo(muxer.get(), fixture, outputs.emplace_back());
    }
    if (!fixture.AudioCodec.empty()) {
        OpenAudio(muxer.get(), fixture, outputs.emplace_back());
    }
    if (!(muxer->oformat->flags & AVFMT_NOFILE)) {
        Check(avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE), "open " + path);
    }
    AVDictionary* rawOptions = MakeDictionary(fixture.MuxerOptions).release();
    const int header = avformat_write_header(muxer.get(), &rawOptions);
    AVPtr<AVDictionary> unused(rawOptions);
    Check(header, "header of " + path);

    AVPtr<AVFrame> frame = MakeFrame();
    AVPtr<AVPacket> packet = MakePacket();
    for (;;) {
        // Feed the stream that is furthest behind, so packets come in time order.
        OutputStream* next = nullptr;
        for (OutputStream& output : outputs) {
            if (!output.Finished &&
                (!next || av_compare_ts(output.NextPts, output.Encoder->time_base, next->NextPts,
                                        next->Encoder->time_base) < 0)) {
                next = &output;
            }
        }
        if (!next) {
            break;
        }
        Step(muxer.get(), *next, frame.get(), packet.get());
    }
    Check(av_write_trailer(muxer.get()), "trailer of " + path);
}

void DamageFlvTimestamp(const std::string& path, int tagType, int ordinal, std::uint32_t addedMs) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<unsigned char> header(9);
    if (!file.read(reinterpret_cast<char*>(header.data()), 9) || header[0] != 'F') {
        throw std::runtime_error(path + " is no FLV file");
    }
    // After the header and the first back pointer: tags of 11 header bytes, data and a
    // 4-byte back pointer each.
    std::streamoff at = header[5] << 24 | header[6] << 16 | header[7] << 8 | header[8];
    at += 4;
    int seen = 0;
    for (;;) {
        unsigned char tag[11];
        file.seekg(at);
        if (!file.read(reinterpret_cast<char*>(tag), sizeof tag)) {
            throw std::runtime_error(path + " has too few tags of type " + std::to_string(tagType));
        }
        const std::streamoff size = tag[1] << 16 | tag[2] << 8 | tag[3];
        if ((tag[0] & 0x1F) == tagType && seen++ == ordinal) {
            std::uint32_t stamp = static_cast<std::uint32_t>(tag[7]) << 24 |
                                  static_cast<std::uint32_t>(tag[4]) << 16 |
                                  static_cast<std::uint32_t>(tag[5]) << 8 | tag[6];
            stamp += addedMs;
            const unsigned char bytes[4] = {
                static_cast<unsigned char>(stamp >> 16), static_cast<unsigned char>(stamp >> 8),
                static_cast<unsigned char>(stamp), static_cast<unsigned char>(stamp >> 24)};
            file.seekp(at + 4);
            file.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
            if (!file) {
                throw std::runtime_error("cannot damage " + path);
            }
            return;
        }
        at += 11 + size + 4;
    }
}

void LoadEngineLibraries() {
    if (!LibrariesLoaded() && !LoadLibraries("")) {
        throw std::runtime_error(TFFmpegLoader::Instance().LastError());
    }
}

}  // namespace mw::test
