#include "engine/files/OpenDemuxer.h"

#include <mutex>

#include "engine/FFmpegLoader.h"
#include "engine/files/OpenErrors.h"
#include "engine/files/OpenGuard.h"
#include "engine/files/UnicodeProtocol.h"

namespace mw {

OpenedDemuxer OpenDemuxer(const std::string& fileName, const AVInputFormat* format,
                          AVPtr<AVDictionary> options,
                          const std::function<std::string(AVFormatContext*)>& prepare) {
    OpenedDemuxer opened;
    if (std::string refusal = ReadRefusal(fileName); !refusal.empty()) {
        opened.Result = DemuxerOpen::Refused;
        opened.Error = std::move(refusal);
        return opened;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) {
        opened.Result = DemuxerOpen::NoMemory;
        return opened;
    }
    const std::string libraryName = ToLibraryName(fileName);
    AVDictionary* rawOptions = options.release();
    RestrictProtocols(&rawOptions, libraryName);
    // avformat_open_input frees the context itself when it fails.
    const int result = avformat_open_input(&raw, libraryName.c_str(), format, &rawOptions);
    options.reset(rawOptions);
    if (result < 0) {
        opened.Result = DemuxerOpen::NotOpened;
        opened.Error = OpenErrorText(result, fileName, libraryName);
        return opened;
    }
    InputContextPtr context(raw);
    if (prepare) {
        if (std::string stop = prepare(context.get()); !stop.empty()) {
            opened.Result = DemuxerOpen::Stopped;
            opened.Error = std::move(stop);
            return opened;
        }
    }
    int analysed;
    {
        std::lock_guard guard(CodecLock());
        analysed = avformat_find_stream_info(context.get(), nullptr);
    }
    opened.Result = analysed < 0 ? DemuxerOpen::NotAnalysed : DemuxerOpen::Opened;
    opened.Context = std::move(context);
    return opened;
}

}  // namespace mw
