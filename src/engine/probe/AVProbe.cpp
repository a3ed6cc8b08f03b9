#include "engine/probe/AVProbe.h"

#include <sys/stat.h>

#include <cctype>

extern "C" {
#include <libavutil/parseutils.h>
}

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"
#include "engine/files/OpenDemuxer.h"
#include "engine/files/UnicodeProtocol.h"

namespace mw {

namespace {

std::string MetadataValue(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry && entry->value ? std::string(entry->value) : std::string();
}

// The leading decimal number of a text ("2009-05-01" -> 2009, "3/12" -> 3), or 0.
std::int32_t LeadingNumber(const std::string& text) {
    std::int64_t value = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) {
            return 0;
        }
    }
    return static_cast<std::int32_t>(value);
}

AVRational UsableTimeBase(AVRational timeBase) {
    if (timeBase.den == 0) {
        timeBase.den = timeBase.num != 0 ? timeBase.num : 1;
    }
    return timeBase;
}

std::int64_t ToMicroseconds(std::int64_t value, AVRational timeBase) {
    return value == AV_NOPTS_VALUE
               ? -1
               : av_rescale_q(value, UsableTimeBase(timeBase), AVRational{1, AV_TIME_BASE});
}

std::int32_t ClampToInt32(std::int64_t value) {
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    return value < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(value);
}

std::string CodecName(const AVCodecParameters& parameters) {
    if (const AVCodec* decoder = avcodec_find_decoder(parameters.codec_id)) {
        const std::string_view longName = decoder->long_name ? Trim(decoder->long_name) : "";
        if (!longName.empty()) {
            return std::string(decoder->name) + "(" + std::string(longName) + ")";
        }
        return decoder->name;
    }
    if (parameters.codec_id == AV_CODEC_ID_MPEG2TS) {
        return "mpeg2ts";
    }
    if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id)) {
        return std::string(Trim(descriptor->name));
    }
    const unsigned tag = parameters.codec_tag;
    const char bytes[4] = {static_cast<char>(tag & 0xFF), static_cast<char>((tag >> 8) & 0xFF),
                           static_cast<char>((tag >> 16) & 0xFF),
                           static_cast<char>((tag >> 24) & 0xFF)};
    bool printable = true;
    for (char c : bytes) {
        printable = printable && c >= 32 && c <= 126;
    }
    if (printable) {
        return Format("%c%c%c%c / 0x%04X", bytes[0], bytes[1], bytes[2], bytes[3], tag);
    }
    return Format("0x%04x", tag);
}

void FillCommon(const AVStream& stream, TStreamInfoCommon& info) {
    info.Language = MetadataValue(stream.metadata, "language");
    info.CodecName = CodecName(*stream.codecpar);
    info.RawStartTime = stream.start_time;
    info.StartTime = ToMicroseconds(stream.start_time, stream.time_base);
    info.RawDuration = stream.duration;
    info.Duration = ToMicroseconds(stream.duration, stream.time_base);
    info.BitRate = ClampToInt32(stream.codecpar->bit_rate);
}

}  // namespace

TCustomAVProbe::~TCustomAVProbe() = default;

void TCustomAVProbe::Report(TLogLevel level, const std::string& text) {
    m_lastErrorMessage = text;
    LogEngineMessage(this, level, text);
}

void TCustomAVProbe::CheckLibraries() const {
    const TFFmpegLoader& loader = TFFmpegLoader::Instance();
    if (!loader.Loaded(FFLibrary::AVCodec)) {
        throw EngineError("LibAVCodec not loaded.");
    }
    if (!loader.Loaded(FFLibrary::AVFormat)) {
        throw EngineError("LibAVFormat not loaded.");
    }
    if (!loader.Loaded(FFLibrary::AVUtil)) {
        throw EngineError("LibAVUtil not loaded.");
    }
    if (!loader.Loaded(FFLibrary::SwScale)) {
        throw EngineError("LibSwScale not loaded.");
    }
}

bool TCustomAVProbe::LoadFile(const std::string& fileName, const std::string& formatName) {
    CheckLibraries();
    Close();
    const AVInputFormat* format = nullptr;
    if (!formatName.empty()) {
        format = av_find_input_format(formatName.c_str());
        if (!format) {
            m_lastErrorMessage = "Unknown input format: " + formatName;
            return false;
        }
    }
    OpenedDemuxer opened = OpenDemuxer(fileName, format, nullptr);
    switch (opened.Result) {
        case DemuxerOpen::Opened:
            break;
        case DemuxerOpen::NoMemory:
            Report(llError, fileName + ": memory allocation error occurred");
            return false;
        case DemuxerOpen::NotAnalysed:
            m_lastErrorMessage = fileName + ": could not find codec parameters";
            return false;
        case DemuxerOpen::Refused:
        case DemuxerOpen::NotOpened:
        case DemuxerOpen::Stopped:
            Report(llError, opened.Error);
            return false;
    }
    m_ownedContext = std::move(opened.Context);
    m_context = m_ownedContext.get();
    m_fileName = fileName;
    m_formatName = formatName;
    ComputeCounts();
    ContextReady();
    return true;
}

bool TCustomAVProbe::LoadSource(const InputSource& source) {
    CheckLibraries();
    Close();
    std::string error;
    OpenedSource opened = OpenSourceInput(source, error);
    if (!opened.Context) {
        Report(llError, error);
        return false;
    }
    m_sourceIo = std::move(opened.Io);
    m_ownedContext = std::move(opened.Context);
    m_context = m_ownedContext.get();
    m_fileName = source.Name();
    m_formatName = source.FormatName();
    ComputeCounts();
    ContextReady();
    return true;
}

void TCustomAVProbe::Close() {
    m_ownedContext.reset();
    m_sourceIo.reset();
    m_context = nullptr;
    m_fileName.clear();
    m_formatName.clear();
    ResetCounts();
}

void TCustomAVProbe::AttachContext(AVFormatContext* context) {
    CheckLibraries();
    Close();
    m_context = context;
    if (m_context) {
        m_fileName = FromLibraryName(m_context->url ? m_context->url : "");
        ComputeCounts();
        ContextReady();
    }
}

void TCustomAVProbe::ResetCounts() {
    m_fileSize = -1;
    m_streamCount = m_programCount = -1;
    m_audioStreamCount = m_videoStreamCount = m_subtitleStreamCount = -1;
    m_audioStreamIndex = m_videoStreamIndex = m_subtitleStreamIndex = -1;
}

void TCustomAVProbe::ComputeCounts() {
    const std::int64_t reported = m_context->pb ? avio_size(m_context->pb) : -1;
    m_fileSize = reported;
    if (reported <= 0) {
        struct stat info {};
        if (stat(LocalFilePath(m_fileName).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            m_fileSize = info.st_size;
        }
    }
    m_streamCount = static_cast<int>(m_context->nb_streams);
    m_programCount = static_cast<int>(m_context->nb_programs);
    m_audioStreamCount = m_videoStreamCount = m_subtitleStreamCount = 0;
    for (int i = 0; i < m_streamCount; ++i) {
        switch (m_context->streams[i]->codecpar->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                ++m_videoStreamCount;
                m_videoStreamIndex = m_videoStreamIndex < 0 ? i : m_videoStreamIndex;
                break;
            case AVMEDIA_TYPE_AUDIO:
                ++m_audioStreamCount;
                m_audioStreamIndex = m_audioStreamIndex < 0 ? i : m_audioStreamIndex;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                ++m_subtitleStreamCount;
                m_subtitleStreamIndex = m_subtitleStreamIndex < 0 ? i : m_subtitleStreamIndex;
                break;
            default:
                break;
        }
    }
}

std::string TCustomAVProbe::FileName() {
    if (!m_context) {
        Report(llWarning, "file not loaded.");
        return std::string();
    }
    return m_fileName;
}

bool TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info) {
    info = TFileStreamInfo{};
    if (!m_context) {
        Report(llWarning, "file not loaded.");
        return false;
    }
    info.StartTime = m_context->start_time == AV_NOPTS_VALUE ? -1 : m_context->start_time;
    info.Duration = m_context->duration == AV_NOPTS_VALUE ? -1 : m_context->duration;
    info.BitRate = ClampToInt32(m_context->bit_rate);
    const AVDictionary* metadata = m_context->metadata;
    info.Timestamp = 0;
    const std::string created = MetadataValue(metadata, "creation_time");
    if (std::int64_t time = 0; !created.empty() && av_parse_time(&time, created.c_str(), 0) == 0) {
        info.Timestamp = time / 1000000;
    }
    std::string date = MetadataValue(metadata, "date");
    if (date.empty()) {
        date = MetadataValue(metadata, "year");
    }
    info.Year = LeadingNumber(date);
    info.Track = LeadingNumber(MetadataValue(metadata, "track"));
    info.Title = MetadataValue(metadata, "title");
    info.Author = MetadataValue(metadata, "author");
    if (info.Author.empty()) {
        info.Author = MetadataValue(metadata, "artist");
    }
    info.Copyright = MetadataValue(metadata, "copyright");
    info.Comment = MetadataValue(metadata, "comment");
    info.Album = MetadataValue(metadata, "album");
    info.Genre = MetadataValue(metadata, "genre");
    return true;
}

AVStream* TCustomAVProbe::StreamOfKind(int index, AVMediaType kind) {
    const bool audio = kind == AVMEDIA_TYPE_AUDIO;
    if (!m_context) {
        Report(llWarning, "file not loaded.");
        return nullptr;
    }
    if (index < 0) {
        index = audio ? m_audioStreamIndex : m_videoStreamIndex;
        if (index < 0) {
            Report(llError, audio ? "no audio stream." : "no video stream.");
            return nullptr;
        }
    }
    if (index >= m_streamCount) {
        Report(llError, Format("stream index #%d is invalid.", index));
        return nullptr;
    }
    AVStream* stream = m_context->streams[index];
    if (stream->codecpar->codec_type != kind) {
        Report(llError,
               Format(audio ? "stream #%d is not audio stream." : "stream #%d is not video stream.",
                      index));
        return nullptr;
    }
    return stream;
}

bool TCustomAVProbe::GetAudioStreamInfo(int index, TAudioStreamInfo& info) {
    info = TAudioStreamInfo{};
    const AVStream* stream = StreamOfKind(index, AVMEDIA_TYPE_AUDIO);
    if (!stream) {
        return false;
    }
    FillCommon(*stream, info);
    info.Channels = stream->codecpar->ch_layout.nb_channels;
    info.SampleRate = stream->codecpar->sample_rate;
    info.SampleFormat = stream->codecpar->format;
    return true;
}

bool TCustomAVProbe::GetVideoStreamInfo(int index, TVideoStreamInfo& info) {
    info = TVideoStreamInfo{};
    AVStream* stream = StreamOfKind(index, AVMEDIA_TYPE_VIDEO);
    if (!stream) {
        return false;
    }
    FillCommon(*stream, info);
    const AVCodecParameters& parameters = *stream->codecpar;
    info.Height = parameters.height;
    info.Width = parameters.width;
    const AVRational aspect = av_guess_sample_aspect_ratio(m_context, stream, nullptr);
    const double sampleAspect = aspect.num != 0 && aspect.den != 0 ? av_q2d(aspect) : 0.0;
    // A picture without height has no shape to speak of.
    info.DisplayAspectRatio =
        parameters.height != 0
            ? static_cast<float>(sampleAspect * parameters.width / parameters.height)
            : 0.0f;
    info.PixelFormat = parameters.format;
    info.FrameRateNum = stream->r_frame_rate.num;
    info.FrameRateDen = stream->r_frame_rate.den;
    return true;
}

}  // namespace mw
