#pragma once

#include <cstdint>

namespace mw {

// The figures a progress report shows, from the counts of the transfer under way.
struct TProgressValues {
    std::uint8_t PercentsDone = 0;
    std::int32_t ElapsedTime = 0;        // seconds
    std::int32_t EstimatedTimeLeft = 0;  // seconds; -ElapsedTime when the size is unknown
    float TransferRate = -1.0F;          // KB per second since the start
};

// dataSize and bytesRead are those of this transfer (dataSize 0 when unknown), offset the
// byte it resumed at. Rounding is to the nearest integer, halves to even.
TProgressValues ComputeProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int64_t offset,
                                std::int64_t elapsedMs);

}  // namespace mw
