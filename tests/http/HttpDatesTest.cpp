#include <gtest/gtest.h>

#include "http/HttpDates.h"

namespace mw {
namespace {

// 6 November 1994 08:49:37 as a date-time.
constexpr TDateTime kNov6 = 34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0;
constexpr double kSecond = 1.0 / 86400;

TEST(HttpDates, TheThreeFormsAndZones) {
    struct Case {
        const char* Text;
        TDateTime Utc;
    };
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", kNov6},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kNov6},
        {"Sun Nov  6 08:49:37 1994", kNov6},
        {"  sun, 06 nov 1994 08:49:37 gmt  ", kNov6},
        {"06 Nov 1994 08:49:37", kNov6},
        {"Sun, 06 Nov 1994 10:00:00 +0130", 34644.0 + 8.5 / 24},
        {"Sun, 06 Nov 1994 10:00:00 -0130", 34644.0 + 11.5 / 24},
        {"Sun, 06 Nov 1994", 34644.0},
        {"Sun, 01-Jan-79 00:00:00 GMT", 65381.0},
        {"Tue, 01-Jan-80 00:00:00 GMT", 29221.0},
        {"Sat, 30 Dec 1899 00:00:00 GMT", 0.0},
        {"Sun, 31 Nov 1994 08:49:37 GMT", 0.0},
        {"Sun, 06 Nov 1994 25:00:00 GMT", 0.0},
        {"no date at all", 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(HttpDateToDateTime(c.Text), UtcToLocalDateTime(c.Utc), kSecond / 10) << c.Text;
    }
}

TEST(HttpDates, EmptyHeaderIsExactlyZero) {
    EXPECT_EQ(HttpDateToDateTime(""), 0.0);
    EXPECT_EQ(HttpDateToDateTime("   "), 0.0);
}

TEST(HttpDates, GmtOffsets) {
    struct Case {
        const char* Text;
        TDateTime Offset;
    };
    const Case cases[] = {
        {"+0130", 1.5 / 24}, {"-0130", -1.5 / 24}, {" +0000 ", 0},   {"+2359", 23.0 / 24 + 59.0 / 1440},
        {"+2400", 0},        {"+0160", 0},         {"0130", 0},      {"GMT", 0},
        {"", 0},             {"+01x0", 0},         {"+013", 0},      {"+013059", 1.5 / 24},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(GmtOffsetStrToDateTime(c.Text), c.Offset, 1e-12) << c.Text;
    }
}

TEST(HttpDates, LocalShiftUsesTheCurrentOffset) {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_NEAR(UtcToLocalDateTime(1000.0) - 1000.0, local.tm_gmtoff / 86400.0, 1e-12);
}

}  // namespace
}  // namespace mw
