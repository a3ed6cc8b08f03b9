#pragma once

#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
}

#include "engine/common/AVPtr.h"

namespace mw {

// How to build a filter graph: the buffer source's arguments, the chain between source and
// sink in the library's filter syntax, and what the kind of graph needs besides.
struct FilterGraphSetUp {
    bool Video = true;
    std::string SourceArgs;
    std::string Chain;
    std::string ScalerFlags;     // video: the scaler options the graph's scale filters use
    bool SliceThreads = true;    // video: filters may split a picture between threads
    unsigned SinkFrameSize = 0;  // audio: whole encoder frames of this many samples, or 0
    std::string SourceFailure;   // the message when source or sink cannot be created
};

// The filter graph of one output stream, from the decoded frames of one input stream to the
// frames its encoder takes. It remembers the input stream and the frame shape it was built
// for, so that a new input of a join or a new picture size can be told apart.
class FilterGraph {
public:
    // Builds the graph for frames like this one from input stream `input`; raises
    // EngineError with the texts of a failed open.
    void Build(const FilterGraphSetUp& setUp, const AVFrame* frame, int input);
    void Reset();

    bool Built() const { return static_cast<bool>(m_graph); }
    // The input stream the graph was built for, -1 when none.
    int Input() const { return m_input; }
    // Whether a frame differs in shape (size and pixel format, or sample rate, sample format
    // and channels) from the frames the graph was built for.
    bool ShapeChanged(const AVFrame* frame) const;

    // The library's results: 0 or more on success.
    int Push(AVFrame* frame);
    int PushEnd();
    int Pull(AVFrame* frame);

    AVRational TimeBase() const;
    AVRational FrameRate() const;

private:
    AVPtr<AVFilterGraph> m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    bool m_video = true;
    int m_input = -1;
    int m_width = 0, m_height = 0, m_format = -1;
    int m_sampleRate = 0, m_channels = 0;
};

}  // namespace mw
