#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/options/OptionRecords.h"

namespace mw {

// Sets a field of an output record by its name ("VideoCodec", "FrameSize", "PadTop",
// "Title", ...) from text; false with the reason when the name or value does not fit.
bool SetOutputField(TOutputOptions& options, std::string_view name, std::string_view value,
                    std::string& error);

// One field of a record by name, its value as text, and whether the field is a number.
struct OutputFieldValue {
    std::string Name;
    std::string Value;
    bool Numeric = false;

    friend bool operator==(const OutputFieldValue&, const OutputFieldValue&) = default;
    friend auto operator<=>(const OutputFieldValue&, const OutputFieldValue&) = default;
};

// The fields of a record that differ from InitOutputOptions, in the record's order.
std::vector<OutputFieldValue> ChangedOutputFields(const TOutputOptions& options);

}  // namespace mw
