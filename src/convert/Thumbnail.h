#pragma once

#include <string>

#include "engine/common/Bitmap.h"
#include "engine/probe/AVProbe.h"

namespace mw {

// The picture the input list shows for a loaded file: the first picture decoded from the
// middle of its video. False when the file has no video or no picture could be decoded.
bool TakeThumbnail(TAVProbe& probe, Bitmap& picture);

}  // namespace mw
