#pragma once

#include <cstdint>
#include <string>

#include "UrlParts.h"

namespace mw {

struct TTransfer;

// The text a connection status number is reported with.
std::string StatusText(std::int32_t status);

// The URL libcurl is given: scheme, host and port, the encoded path and extra part.
std::string RequestUrl(const TUrlParts& parts);

// The range header line (with its CR LF) for a resume offset and range end, else for the
// Range setting; empty when no range applies.
std::string RangeLine(std::int64_t fromByte, std::int64_t toByte, std::uint32_t startRange,
                      std::uint32_t endRange);

// Sets up the transfer's handle for one request: URL, verb, proxy, credentials, flags,
// timeouts and header lines (rangeLine included when it is not empty).
void ApplyRequestOptions(TTransfer& transfer, const std::string& rangeLine);

}  // namespace mw
