#pragma once

extern "C" {
#include <libavutil/avutil.h>
}

namespace mw {

// A media type as the set-up messages name it: "Video", "Audio", ...
inline const char* TypeName(AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return "Video";
        case AVMEDIA_TYPE_AUDIO:
            return "Audio";
        case AVMEDIA_TYPE_DATA:
            return "Data";
        case AVMEDIA_TYPE_SUBTITLE:
            return "Subtitle";
        case AVMEDIA_TYPE_ATTACHMENT:
            return "Attachment";
        default:
            return "Unknown";
    }
}

// A media type as the decoding messages name it: "video", "audio", ...
inline const char* TypeText(AVMediaType type) {
    const char* text = av_get_media_type_string(type);
    return text ? text : "unknown";
}

}  // namespace mw
