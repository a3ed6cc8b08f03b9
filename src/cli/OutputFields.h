#pragma once

#include <string>
#include <string_view>

#include "engine/OptionRecords.h"

namespace mw::cli {

// Sets a field of an output record by its name ("VideoCodec", "FrameSize", "PadTop",
// "Title", ...) from text; false with the reason when the name or value does not fit.
bool SetOutputField(TOutputOptions& options, std::string_view name, std::string_view value,
                    std::string& error);

}  // namespace mw::cli
