#include "SourceInput.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "engine/FFmpegLoader.h"
#include "engine/files/OpenErrors.h"

namespace mw {

namespace {

constexpr int kIoBufferSize = 256 * 1024;

// The sub-picture decoder reads its colours from its extra data, as in .idx files.
void SetPalette(AVCodecParameters& parameters, const std::vector<std::uint32_t>& palette) {
    if (palette.empty()) {
        return;
    }
    std::string text = "palette:";
    for (std::size_t i = 0; i < palette.size(); ++i) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "%s %06x", i == 0 ? "" : ",", palette[i] & 0xFFFFFF);
        text += colour;
    }
    text += "\n";
    av_freep(&parameters.extradata);
    parameters.extradata_size = 0;
    parameters.extradata =
        static_cast<std::uint8_t*>(av_mallocz(text.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (parameters.extradata) {
        std::memcpy(parameters.extradata, text.data(), text.size());
        parameters.extradata_size = static_cast<int>(text.size());
    }
}

std::string StreamIdText(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id & 0xFF);
    return text;
}

}  // namespace

SourceIo::SourceIo(std::unique_ptr<SourceStream> stream) : m_stream(std::move(stream)) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) {
        return;
    }
    m_io = avio_alloc_context(buffer, kIoBufferSize, 0, this, &ReadPacket, nullptr, &SeekTo);
    if (!m_io) {
        av_free(buffer);
        return;
    }
    m_io->seekable = AVIO_SEEKABLE_NORMAL;
}

SourceIo::~SourceIo() {
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

int SourceIo::ReadPacket(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<SourceIo*>(opaque);
    const int read = self->m_stream->Read(buffer, size);
    if (read < 0) {
        return AVERROR(EIO);
    }
    if (read == 0) {
        return AVERROR_EOF;
    }
    self->m_position += read;
    return read;
}

std::int64_t SourceIo::SeekTo(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<SourceIo*>(opaque);
    const std::int64_t size = self->m_stream->Size();
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = self->m_position + offset;
            break;
        case SEEK_END:
            target = size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0 || !self->m_stream->Seek(target)) {
        return AVERROR(EIO);
    }
    self->m_position = target;
    return target;
}

OpenedSource OpenSourceInput(const InputSource& source, std::string& error) {
    OpenedSource opened;
    const std::string name = source.Name();
    const AVInputFormat* format = av_find_input_format(source.FormatName().c_str());
    if (!format) {
        error = "Unknown input format: \"" + source.FormatName() + "\"";
        return opened;
    }
    // The source's own messages say what is wrong with it.
    std::unique_ptr<SourceStream> bytes = source.Open(error);
    if (!bytes) {
        return opened;
    }
    const SourceStreams chosen = bytes->Streams();
    opened.Windows = bytes->Windows();
    const std::int64_t duration = bytes->DurationUs();
    opened.Io = std::make_unique<SourceIo>(std::move(bytes));
    AVFormatContext* raw = avformat_alloc_context();
    if (!opened.Io->Ready() || !raw) {
        avformat_free_context(raw);
        error = name + ": memory allocation error occurred";
        return opened;
    }
    raw->pb = opened.Io->Io();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    // avformat_open_input frees the context itself when it fails.
    const int result = avformat_open_input(&raw, name.c_str(), format, nullptr);
    if (result < 0) {
        const std::string reason = opened.Io->Stream().LastError();
        error = reason.empty() ? OpenErrorText(result, name, name) : name + ": " + reason;
        return opened;
    }
    InputContextPtr context(raw);
    int analysed;
    {
        std::lock_guard guard(CodecLock());
        analysed = avformat_find_stream_info(context.get(), nullptr);
    }
    if (analysed < 0) {
        error = name + ": could not find codec parameters";
        return opened;
    }
    bool audioFound = chosen.AudioId == SourceStreams::kAny;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        switch (stream->codecpar->codec_type) {
            case AVMEDIA_TYPE_AUDIO:
                if (chosen.AudioId != SourceStreams::kAny && stream->id != chosen.AudioId) {
                    stream->discard = AVDISCARD_ALL;
                } else {
                    audioFound = true;
                }
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                if (chosen.BurnSubtitleId != SourceStreams::kNone &&
                    stream->id == chosen.BurnSubtitleId && opened.BurnStream < 0) {
                    opened.BurnStream = static_cast<int>(i);
                    SetPalette(*stream->codecpar, chosen.SubtitlePalette);
                } else {
                    stream->discard = AVDISCARD_ALL;
                }
                break;
            case AVMEDIA_TYPE_VIDEO:
                break;
            default:
                stream->discard = AVDISCARD_ALL;
                break;
        }
    }
    if (!audioFound && chosen.AudioId != SourceStreams::kNone) {
        error = name + ": the audio stream " + StreamIdText(chosen.AudioId) + " was not found";
        return opened;
    }
    if (chosen.BurnSubtitleId != SourceStreams::kNone && opened.BurnStream < 0) {
        opened.Warning = name + ": the sub-picture stream " + StreamIdText(chosen.BurnSubtitleId) +
                         " was not found at the start; nothing is burned in";
    }
    if (duration > 0) {
        context->duration = duration;
    }
    if (!opened.Windows.empty()) {
        context->start_time = opened.Windows.front().StartUs;
    }
    opened.Context = std::move(context);
    return opened;
}

}  // namespace mw
