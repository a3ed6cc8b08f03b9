#include "Placement.h"

#include <algorithm>

#include "Ini.h"
#include "UserSettings.h"
#include "UtilFuncs.h"

namespace mw {

namespace {

// The extent that bounds a position: the stored one, or the window's own where the stored
// one is zero or less; never more than the screen, and at least a pixel, so that the
// window's edge always lands on the screen.
long long BoundingExtent(int stored, int own, int screen) {
    const long long extent = stored > 0 ? stored : own;
    return std::max(1LL, std::min<long long>(extent, screen));
}

}  // namespace

std::string PlacementFile(std::string_view path, std::string_view settingsFolder) {
    if (Trim(path).empty()) {
        return WithTrailingBackslash(settingsFolder) + std::string(kSettingsFileName);
    }
    return std::string(path);
}

WindowPlacement ReadPlacement(const Ini& ini, std::string_view section,
                              const WindowPlacement& current) {
    WindowPlacement stored;
    stored.Maximized = ini.ReadBool(section, "maximized", false);
    stored.Left = ini.ReadInteger(section, "x", current.Left);
    stored.Top = ini.ReadInteger(section, "y", current.Top);
    stored.Height = ini.ReadInteger(section, "height", current.Height);
    stored.Width = ini.ReadInteger(section, "width", current.Width);
    return stored;
}

WindowPlacement RestoredPlacement(const WindowPlacement& stored, const WindowPlacement& current,
                                  ScreenSize screen) {
    const long long width = BoundingExtent(stored.Width, current.Width, screen.Width);
    const long long height = BoundingExtent(stored.Height, current.Height, screen.Height);
    long long x = stored.Left;
    long long y = stored.Top;
    if (x + width > screen.Width) {
        x = screen.Width - width;
    }
    if (y + height > screen.Height) {
        y = screen.Height - height;
    }
    x = std::max(x, 0LL);
    y = std::max(y, 0LL);

    WindowPlacement restored = current;
    restored.Left = static_cast<int>(x);
    restored.Top = static_cast<int>(y);
    restored.Maximized = stored.Maximized;
    return restored;
}

void SavePlacement(Ini& ini, std::string_view section, const WindowPlacement& window) {
    ini.WriteStrings(section, {{"x", std::to_string(window.Left)},
                               {"y", std::to_string(window.Top)},
                               {"height", std::to_string(window.Height)},
                               {"width", std::to_string(window.Width)},
                               {"maximized", IniBoolText(window.Maximized)}});
}

}  // namespace mw
