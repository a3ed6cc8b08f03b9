#pragma once

#include <functional>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

#include "engine/common/AVPtr.h"

namespace mw {

// How far opening a media input came.
enum class DemuxerOpen {
    Opened,       // open, its streams analysed
    Refused,      // a name the engine does not open (Error says why)
    NoMemory,     // no demuxer context could be allocated
    NotOpened,    // the library could not open it (Error holds the open-error text)
    Stopped,      // the preparation before the analysis refused it (Error)
    NotAnalysed,  // open, but the stream analysis failed
};

struct OpenedDemuxer {
    DemuxerOpen Result = DemuxerOpen::Opened;
    InputContextPtr Context;  // set when Opened or NotAnalysed
    std::string Error;
};

// Opens a media input the way every open of the engine does: refused names stay unopened,
// the open may use only the protocols its name calls for, and the stream analysis, which
// opens decoders, runs under CodecLock. prepare runs on the open file before the analysis
// (to choose its streams) and returns a reason to stop, or empty.
OpenedDemuxer OpenDemuxer(const std::string& fileName, const AVInputFormat* format,
                          AVPtr<AVDictionary> options,
                          const std::function<std::string(AVFormatContext*)>& prepare = {});

}  // namespace mw
