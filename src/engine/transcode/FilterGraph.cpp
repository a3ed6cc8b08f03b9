#include "engine/transcode/FilterGraph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/mem.h>
}

#include "engine/EngineError.h"
#include "engine/common/AVError.h"

namespace mw {

namespace {

void ParseChain(AVFilterGraph* graph, AVFilterContext* source, AVFilterContext* sink,
                const std::string& chain) {
    AVPtr<AVFilterInOut> outputs(avfilter_inout_alloc());
    AVPtr<AVFilterInOut> inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) {
        throw EngineError("Error opening filters!");
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    // The parser takes over the lists and leaves back what it did not link.
    AVFilterInOut* open = inputs.release();
    AVFilterInOut* linked = outputs.release();
    const int parsed = avfilter_graph_parse_ptr(graph, chain.c_str(), &open, &linked, nullptr);
    inputs.reset(open);
    outputs.reset(linked);
    if (parsed < 0) {
        throw EngineError("Error opening filters: " + AVErrorText(parsed));
    }
    const int configured = avfilter_graph_config(graph, nullptr);
    if (configured < 0) {
        throw EngineError("Error opening filters: " + AVErrorText(configured));
    }
}

}  // namespace

void FilterGraph::Build(const FilterGraphSetUp& setUp, const AVFrame* frame, int input) {
    Reset();
    AVPtr<AVFilterGraph> graph(avfilter_graph_alloc());
    if (!graph) {
        throw EngineError(setUp.SourceFailure);
    }
    if (setUp.Video) {
        graph->scale_sws_opts = av_strdup(setUp.ScalerFlags.c_str());
    }
    if (!setUp.Video || !setUp.SliceThreads) {
        graph->nb_threads = 1;
    }
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (avfilter_graph_create_filter(&source,
                                     avfilter_get_by_name(setUp.Video ? "buffer" : "abuffer"), "in",
                                     setUp.SourceArgs.c_str(), nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(
            &sink, avfilter_get_by_name(setUp.Video ? "buffersink" : "abuffersink"), "out", nullptr,
            nullptr, graph.get()) < 0) {
        throw EngineError(setUp.SourceFailure);
    }
    ParseChain(graph.get(), source, sink, setUp.Chain);
    if (setUp.SinkFrameSize > 0) {
        av_buffersink_set_frame_size(sink, setUp.SinkFrameSize);
    }
    m_graph = std::move(graph);
    m_source = source;
    m_sink = sink;
    m_video = setUp.Video;
    m_input = input;
    m_width = frame->width;
    m_height = frame->height;
    m_format = frame->format;
    m_sampleRate = frame->sample_rate;
    m_channels = frame->ch_layout.nb_channels;
}

void FilterGraph::Reset() {
    m_graph.reset();
    m_source = m_sink = nullptr;
    m_input = -1;
}

bool FilterGraph::ShapeChanged(const AVFrame* frame) const {
    if (m_video) {
        return frame->width != m_width || frame->height != m_height || frame->format != m_format;
    }
    return frame->sample_rate != m_sampleRate || frame->format != m_format ||
           frame->ch_layout.nb_channels != m_channels;
}

int FilterGraph::Push(AVFrame* frame) {
    return av_buffersrc_write_frame(m_source, frame);
}

int FilterGraph::PushEnd() {
    return av_buffersrc_add_frame(m_source, nullptr);
}

int FilterGraph::Pull(AVFrame* frame) {
    return av_buffersink_get_frame(m_sink, frame);
}

AVRational FilterGraph::TimeBase() const {
    return av_buffersink_get_time_base(m_sink);
}

AVRational FilterGraph::FrameRate() const {
    return av_buffersink_get_frame_rate(m_sink);
}

}  // namespace mw
