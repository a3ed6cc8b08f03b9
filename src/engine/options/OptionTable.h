#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "engine/options/TaskSettings.h"

namespace mw {

class TCustomFFmpeg;

// How the text of an option becomes the value of its pending setting.
enum class OptionKind {
    Handled,   // the row's handler reads the text itself
    Flag,      // true whatever the text
    Bool,      // true unless the text is "0"
    Int,       // a decimal 32-bit integer
    Int64,     // a decimal 64-bit integer
    Float,     // a decimal number with "."
    Text,      // the text as it stands
    Duration,  // seconds or [HH:]MM:SS[.m], kept in microseconds
};

using SettingsField =
    std::variant<std::monostate, bool TaskSettings::*, int TaskSettings::*,
                 std::int64_t TaskSettings::*, float TaskSettings::*, std::string TaskSettings::*>;
using OptionHandler = void (*)(TCustomFFmpeg& task, std::string_view name, std::string_view value);

// One option name with the kind of its value and either the pending setting it fills or
// the handler that applies it.
struct OptionRow {
    std::string_view Name;
    OptionKind Kind = OptionKind::Handled;
    SettingsField Field;
    OptionHandler Handler = nullptr;
};

// The first row of a name (compared exactly, in dispatch order); nullptr for a name the
// libraries' own options may know.
const OptionRow* FindOption(std::string_view name);

// Parses a field row's text by its kind into its setting; raises EngineError with the
// parser's message.
void StoreOption(const OptionRow& row, TaskSettings& settings, std::string_view value);

}  // namespace mw
