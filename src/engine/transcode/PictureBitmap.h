#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "engine/common/AVPtr.h"
#include "engine/common/Bitmap.h"

namespace mw {

// A decoded picture's copy as a 24-bit BGR bitmap, for the handlers that take one (the
// custom hook, the preview), with the scalers it keeps from one picture to the next.
class PictureBitmap {
public:
    // Copies the picture into the bitmap; false when no scaler converts its format.
    bool Take(const AVFrame* frame);
    // Writes the bitmap back into the picture in the picture's format; false when no scaler
    // converts to it.
    bool PutBack(AVFrame* frame);
    Bitmap& Picture() { return m_bitmap; }

private:
    Bitmap m_bitmap;
    AVPtr<SwsContext> m_toRgb;
    AVPtr<SwsContext> m_fromRgb;
};

}  // namespace mw
