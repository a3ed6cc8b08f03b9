#pragma once

#include <span>
#include <string>

namespace mw::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::span<const std::string>;

// mediawizard-cli edition [FILE]: the edition configuration the program starts with.
int RunEditionCommand(Arguments args);

}  // namespace mw::cli
