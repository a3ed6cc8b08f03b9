#include "ProgressValues.h"

#include <cmath>

namespace mw {

namespace {

// Nearest integer, halves to even (the default rounding mode).
double RoundEven(double value) {
    return std::nearbyint(value);
}

}  // namespace

TProgressValues ComputeProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int64_t offset,
                                std::int64_t elapsedMs) {
    TProgressValues values;
    const double whole = static_cast<double>(dataSize + offset);
    if (whole > 0) {
        const double percent = RoundEven(static_cast<double>(bytesRead + offset) * 100.0 / whole);
        values.PercentsDone = static_cast<std::uint8_t>(static_cast<std::int64_t>(percent));
    }
    values.ElapsedTime = static_cast<std::int32_t>(elapsedMs / 1000);
    const double total = bytesRead > 0 ? static_cast<double>(dataSize) /
                                             static_cast<double>(bytesRead) * values.ElapsedTime
                                       : 0.0;
    values.EstimatedTimeLeft = static_cast<std::int32_t>(RoundEven(total)) - values.ElapsedTime;
    double rate = static_cast<double>(bytesRead) / 1024.0;
    if (values.ElapsedTime != 0) {
        rate /= values.ElapsedTime;
    }
    values.TransferRate = static_cast<float>(rate);
    return values;
}

}  // namespace mw
