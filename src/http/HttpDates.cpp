#include "HttpDates.h"

#include <array>
#include <cctype>
#include <charconv>
#include <ctime>
#include <optional>
#include <string>

#include "core/UtilFuncs.h"

namespace mw {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    return text;
}

// Splits the rest at the first separator: the part before it is the token.
std::string_view Cut(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    std::string_view token = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
    return token;
}

std::optional<int> Number(std::string_view text) {
    text = Trim(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

int MonthNumber(std::string_view token) {
    for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
        if (SameText(token, kMonthNames[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::optional<TDateTime> EncodeDate(int year, int month, int day) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    const int monthDays = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    if (day > monthDays) {
        return std::nullopt;
    }
    // Days from 0001-01-01, then moved to the 1899-12-30 origin.
    long days = 0;
    const int y = year - 1;
    days = y * 365L + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) {
        days += kDays[m - 1] + (m == 2 && IsLeap(year) ? 1 : 0);
    }
    days += day - 1;
    constexpr long kOriginFromYearOne = 693593;
    return static_cast<TDateTime>(days - kOriginFromYearOne);
}

std::optional<TDateTime> ParseDateTime(std::string_view& rest) {
    if (rest.size() >= 3) {
        for (std::string_view name : kDayNames) {
            if (SameText(rest.substr(0, 3), name)) {
                Cut(rest, ' ');
                rest = TrimLeft(rest);
                break;
            }
        }
    }
    const std::size_t dash = rest.find('-');
    const std::size_t space = rest.find(' ');
    char separator = ' ';
    if (dash != std::string_view::npos && dash != 0 && dash < space) {
        separator = '-';
    }
    std::string_view peek = rest;
    const int asctimeMonth = MonthNumber(Cut(peek, separator));
    std::string_view dayToken;
    std::string_view monthToken;
    if (asctimeMonth != 0) {
        monthToken = Cut(rest, separator);
        rest = TrimLeft(rest);
        dayToken = Cut(rest, separator);
        rest = TrimLeft(rest);
    } else {
        dayToken = Cut(rest, separator);
        rest = TrimLeft(rest);
        monthToken = Cut(rest, separator);
        rest = TrimLeft(rest);
    }
    const int day = Number(dayToken).value_or(1);
    const int month = MonthNumber(monthToken);

    const std::string_view yearToken = Cut(rest, ' ');
    std::optional<int> year = Number(yearToken);
    if (!year) {
        // asctime puts the time before the year: read the year from what follows and
        // leave the time to be read next.
        year = Number(rest);
        rest = yearToken;
    }
    int fullYear = year.value_or(1900);
    if (fullYear < 80) {
        fullYear += 2000;
    } else if (fullYear < 100) {
        fullYear += 1900;
    }
    std::optional<TDateTime> value = EncodeDate(fullYear, month, day);
    if (!value) {
        return std::nullopt;
    }
    if (rest.find(':') != std::string_view::npos) {
        std::string_view timeToken = Cut(rest, ' ');
        const int hours = Number(Cut(timeToken, ':')).value_or(0);
        const int minutes = Number(Cut(timeToken, ':')).value_or(0);
        const int seconds = Number(Cut(timeToken, ' ')).value_or(0);
        if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 ||
            seconds > 59) {
            return std::nullopt;
        }
        *value += (hours * 3600 + minutes * 60 + seconds) / 86400.0;
        rest = TrimLeft(rest);
    }
    return value;
}

}  // namespace

TDateTime GmtOffsetStrToDateTime(std::string_view text) {
    text = Trim(text).substr(0, 5);
    if (text.empty() || (text[0] != '+' && text[0] != '-')) {
        return 0;
    }
    const std::optional<int> hours = text.size() >= 3 ? Number(text.substr(1, 2)) : std::nullopt;
    const std::optional<int> minutes = text.size() >= 5 ? Number(text.substr(3, 2)) : std::nullopt;
    if (!hours || !minutes || *hours < 0 || *hours >= 24 || *minutes < 0 || *minutes >= 60) {
        return 0;
    }
    const TDateTime offset = *hours / 24.0 + *minutes / 1440.0;
    return text[0] == '-' ? -offset : offset;
}

TDateTime UtcToLocalDateTime(TDateTime utc) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // tm_gmtoff is local minus UTC, daylight time included when it is in force now.
    return utc + static_cast<double>(local.tm_gmtoff) / 86400.0;
}

TDateTime HttpDateToDateTime(std::string_view text) {
    std::string_view rest = Trim(text);
    if (rest.empty()) {
        return 0;
    }
    TDateTime value = ParseDateTime(rest).value_or(0);
    rest = Trim(rest);
    const TDateTime offset = rest.size() > 4 ? GmtOffsetStrToDateTime(rest) : 0;
    return UtcToLocalDateTime(value - offset);
}

}  // namespace mw
