#pragma once

#include <string>
#include <string_view>

namespace mw {

// The per-user settings folder of an edition, with a trailing separator: the
// application-data folder plus the edition title, each "/" of the title a blank. It is
// created when missing; when that fails, the application-data folder itself serves.
std::string PrepareSettingsFolder(std::string_view appDataFolder, std::string_view title);

}  // namespace mw
