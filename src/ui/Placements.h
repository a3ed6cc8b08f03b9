#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace mw {

// Puts a window where its stored placement says, pulled back onto the screen.
void RestoreWindowPlacement(QWidget& window, std::string_view section,
                            const std::string& settingsFolder);

// Stores the window's placement; throws IniWriteError.
void SaveWindowPlacement(const QWidget& window, std::string_view section,
                         const std::string& settingsFolder);

}  // namespace mw
