#pragma once

#include "engine/options/OptionRecords.h"
#include "engine/task/CustomFFmpeg.h"

namespace mw {

// An input record, applied before its input is opened: the option text (other options,
// then codec names), then the forced format, the start time and the program.
void ApplyInputRecord(TCustomFFmpeg& task, const TInputOptions& options);

// An output record, applied before its output is created: target, codec names and codecs,
// presets, other options, the fields in table order, the frame size, the filters. A field
// that is set wins over the same option in the text, except the fields applied always.
void ApplyOutputRecord(TCustomFFmpeg& task, const TOutputOptions& options);

// The part of an output record that needs the output to exist: extra streams.
void ApplyNewStreamRecord(TCustomFFmpeg& task, const TOutputOptions& options);

}  // namespace mw
