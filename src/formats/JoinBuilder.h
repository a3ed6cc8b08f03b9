#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FFmpegVCL.h"
#include "engine/options/OptionRecords.h"

namespace mw {

struct UserSettings;

// What the join needs of one input-list row.
struct JoinInput {
    std::string FileName;
    std::int64_t DurationUs = 0;  // 0 when unknown
    int Width = -1;
    int Height = -1;
    float Aspect = -1.0f;
    InputSourcePtr Source = nullptr;  // read instead of the file, when set
};

// One row of the conversion list in join mode.
struct JoinRow {
    std::string Name;      // file name without folder
    std::string Duration;  // hh:mm:ss.mmm
    std::string Size;      // "640x480"
    std::string Aspect;    // "1.33333337306976"
    std::string Path;      // the joined output
};

struct JoinTask {
    std::vector<JoinRow> Rows;
    std::int64_t TotalMicroseconds = 0;
    TOutputOptions Options;
    bool Queued = false;  // false: no input was accepted, or the output was refused
};

// Queues one engine task that joins every input the engine accepts, in order, into
// Output_Merge plus the chosen format's extension. Messages go to the log.
JoinTask BuildJoinTask(TFFmpegVCL& engine, const std::vector<JoinInput>& inputs,
                       const UserSettings& settings,
                       const std::function<void(const std::string&)>& log);

}  // namespace mw
