#include "Thumbnail.h"

namespace mw {

bool TakeThumbnail(TAVProbe& probe, Bitmap& picture) {
    if (probe.VideoStreamIndex() < 0) {
        return false;
    }
    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    // The key picture at or before the middle: a forward seek finds nothing when the last
    // key picture comes earlier, as in short clips with long picture groups. An unknown
    // duration (-1) gives position 0. A file whose middle yields no key picture gives its
    // first picture.
    const int stream = probe.VideoStreamIndex();
    if (!probe.Seek(AVSEEK_FLAG_BACKWARD, info.Duration / 2) || !probe.DecodeNextFrame(stream)) {
        probe.Seek(0, 0);
        if (!probe.DecodeNextFrame(stream)) {
            return false;
        }
    }
    return probe.CopyToBitmap(picture);
}

}  // namespace mw
