#pragma once

#include <string_view>

namespace mw::dvd {

// The English name of a two-letter language code as discs carry it ("en" -> "English"),
// or an empty view for a code the table does not know.
std::string_view LanguageName(std::string_view code);

}  // namespace mw::dvd
