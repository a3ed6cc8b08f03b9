#include "TranscodeRun.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/time.h>
}

#include "TypeNames.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"

namespace mw {

TranscodeRun::TranscodeRun(TCustomFFmpeg& task)
    : m_task(task),
      m_settings(task.m_settings),
      m_joined(task.m_joined),
      m_packet(MakePacket()) {}

TranscodeRun::~TranscodeRun() { StopStages(); }

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
    SetUpBurnIn();
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
    for (std::size_t f = 0; f < m_fileStates.size(); ++f) {
        m_fileStates[f].TsOffset = m_task.m_inputs[f].TsOffset;
    }

    for (std::size_t f = 0; f < m_task.m_outputs.size(); ++f) {
        TCustomFFmpeg::OutputFile& file = *m_task.m_outputs[f];
        if (file.Streams.empty()) {
            m_task.Log(llVerbose, "Output #" + std::to_string(f) + ", " +
                                      file.Context->oformat->name + ", to '" + file.FileName + "'");
            throw EngineError("Output file #" + std::to_string(f) + " does not contain any stream");
        }
        m_muxers.push_back(file.Context.get());
        for (TCustomFFmpeg::OutputStreamPlan& plan : file.Streams) {
            auto output = std::make_unique<OutputStream>();
            output->Plan = &plan;
            output->OutputFile = static_cast<int>(f);
            output->Muxer = file.Context.get();
            output->Stream = plan.Stream;
            output->Copy = plan.Copy;
            output->Index = m_outputStreams.size();
            m_outputStreams.push_back(std::move(output));
        }
    }
}

void TranscodeRun::MapStreams() {
    if (!m_settings.StreamMaps.empty()) {
        ApplyStreamMaps();
        return;
    }
    const int groups = m_joined ? m_task.InputCount() : 1;
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        for (int group = 0; group < groups; ++group) {
            const int best = ChooseSource(*output, group);
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

void TranscodeRun::ApplyStreamMaps() {
    const std::vector<StreamMap>& maps = m_settings.StreamMaps;
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
            throw EngineError(Format("Could not find input stream #%d.%d", map.File, map.Stream));
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
            throw EngineError(Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                     map.File, map.Stream, TypeName(inputType), output.OutputFile,
                                     output.Stream->index, TypeName(output.Plan->Type)));
        }
        output.Sources.assign(1, index);
        input.Used = true;
        input.Outputs.push_back(static_cast<int>(k));
    }
}

int TranscodeRun::ChooseSource(const OutputStream& output, int group) const {
    const AVMediaType type = output.Plan->Type;
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
        throw EngineError(Format("Could not find input stream matching output stream #%d.%d (%s)",
                                 m_joined ? group : output.OutputFile, output.Stream->index,
                                 TypeName(type)));
    }
    return best;
}

void TranscodeRun::OpenDecoders() {
    // The library's default is a frame thread more than there are cores. A decoder on a
    // thread of its own shares the cores with the encoders' threads, and there one frame
    // thread per core decodes faster (720p H.264 on two cores: 20% less wall time); the
    // single-thread loop keeps the default, which suits it better.
    const bool ownThread = m_task.StageThreads() && StageThreadsFit() && DecodeThreadsFit();
    const int threads =
        ownThread ? static_cast<int>(std::max(1u, std::thread::hardware_concurrency())) : 0;
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
        input.Decoder = OpenDecoder(codec, *input.Stream, false, threads);
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
