#pragma once

#include <string>
#include <string_view>

namespace mw {

class Ini;

// A window's position and size in screen pixels, and whether it is maximized.
struct WindowPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Maximized = false;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct ScreenSize {
    int Width = 0;
    int Height = 0;
};

inline constexpr std::string_view kMainPlacementSection = "Form";
inline constexpr std::string_view kLogPlacementSection = "FormLog";

// The file a placement lives in: a blank path means system.dat in the settings folder.
std::string PlacementFile(std::string_view path, std::string_view settingsFolder);

// The stored placement of a section; every missing key keeps the window's current value.
WindowPlacement ReadPlacement(const Ini& ini, std::string_view section,
                              const WindowPlacement& current);

// Where a window goes for a stored placement: the stored size only bounds the position,
// which is pulled back onto the screen; a stored size of zero or less is replaced by the
// window's own. The window keeps its own size.
WindowPlacement RestoredPlacement(const WindowPlacement& stored, const WindowPlacement& current,
                                  ScreenSize screen);

// Writes x, y, height, width and maximized, in that order; throws IniWriteError.
void SavePlacement(Ini& ini, std::string_view section, const WindowPlacement& window);

}  // namespace mw
