#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "OptionRecords.h"

namespace mw {

// Sets a field of an output record by its name ("VideoCodec", "FrameSize", "PadTop",
// "Title", ...) from text; false with the reason when the name or value does not fit.
bool SetOutputField(TOutputOptions& options, std::string_view name, std::string_view value,
                    std::string& error);

// The fields of a record that differ from InitOutputOptions, by name, as text.
std::vector<std::pair<std::string, std::string>> ChangedOutputFields(const TOutputOptions& options);

}  // namespace mw
