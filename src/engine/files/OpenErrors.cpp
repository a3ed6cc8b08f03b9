#include "engine/files/OpenErrors.h"

#include <cerrno>

#include "engine/common/AVPtr.h"
#include "engine/files/OpenGuard.h"

extern "C" {
#include <libavutil/error.h>
}

namespace mw {

namespace {

// Whether the file's header is at fault rather than an unknown format: any demuxer
// recognises the data itself, the file name's extension aside, or there is no data at all.
// Opening fails with "invalid data" both for data nobody recognises and for a recognised
// container whose header is broken or missing.
bool HeaderAtFault(const std::string& libraryName) {
    AVIOContext* raw = nullptr;
    AVDictionary* rawOptions = nullptr;
    RestrictProtocols(&rawOptions, libraryName);
    const int opened = avio_open2(&raw, libraryName.c_str(), AVIO_FLAG_READ, nullptr, &rawOptions);
    AVPtr<AVDictionary> unusedOptions(rawOptions);
    if (opened < 0) {
        return false;
    }
    AVPtr<AVIOContext> io(raw);
    if (avio_size(io.get()) == 0) {
        return true;
    }
    const AVInputFormat* format = nullptr;
    return av_probe_input_buffer2(io.get(), &format, "", nullptr, 0, 0) >= 0 && format != nullptr;
}

}  // namespace

std::string OpenErrorText(int error, const std::string& fileName, const std::string& libraryName) {
    if (error == AVERROR_INVALIDDATA) {
        return fileName +
               (HeaderAtFault(libraryName) ? ": Error while parsing header" : ": Unknown format");
    }
    if (error == AVERROR(EDOM)) {
        return fileName +
               ": Incorrect image filename syntax.\r\n"
               "Use '%d' to specify the image number:\r\n"
               "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n"
               "  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'.";
    }
    if (error == AVERROR(ENOMEM)) {
        return fileName + ": memory allocation error occurred";
    }
    if (error == AVERROR(EIO) || error == AVERROR_EOF) {
        return fileName +
               ": I/O error occurred\r\n"
               "Usually that means that input file is truncated and/or corrupted.";
    }
    if (error == AVERROR(ENOENT)) {
        return fileName + ": no such file or directory";
    }
    return fileName + ": Error while opening file";
}

}  // namespace mw
