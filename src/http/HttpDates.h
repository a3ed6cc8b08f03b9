#pragma once

#include <string_view>

namespace mw {

// Days since 30 December 1899 00:00; the fraction is the time of day.
using TDateTime = double;

// "+hhmm" or "-hhmm" as a signed fraction of a day; 0 for anything else.
TDateTime GmtOffsetStrToDateTime(std::string_view text);

// A date of an HTTP header (RFC 1123, RFC 850 with a two-digit year, or asctime; a trailing
// "+hhmm"/"-hhmm" zone applied) as local time. An empty text gives exactly 0; a text that
// is no date gives 0 shifted to local time.
TDateTime HttpDateToDateTime(std::string_view text);

// A UTC date-time shifted by the system's current offset from UTC (daylight time included
// when it is in force now, whatever the date).
TDateTime UtcToLocalDateTime(TDateTime utc);

}  // namespace mw
