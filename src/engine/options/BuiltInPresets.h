#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mw {

// The option text of a built-in preset ("libx264-hq"), looked up without regard to case.
std::optional<std::string> BuiltInPreset(std::string_view name);

}  // namespace mw
