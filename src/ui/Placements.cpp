#include "Placements.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/Ini.h"
#include "core/Placement.h"

namespace mw {

namespace {

// The outer frame's position and size, as the window manager places it.
WindowPlacement CurrentPlacement(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    if (window.isMaximized()) {
        const QRect normal = window.normalGeometry();
        return {normal.x(), normal.y(), frame.width(), frame.height(), true};
    }
    return {frame.x(), frame.y(), frame.width(), frame.height(), false};
}

}  // namespace

void RestoreWindowPlacement(QWidget& window, std::string_view section,
                            const std::string& settingsFolder) {
    const Ini ini(PlacementFile("", settingsFolder));
    const WindowPlacement current = CurrentPlacement(window);
    if (!ini.SectionExists(section)) {
        return;
    }
    const WindowPlacement stored = ReadPlacement(ini, section, current);
    ScreenSize screen{1920, 1080};
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = {primary->availableGeometry().width(), primary->availableGeometry().height()};
    }
    const WindowPlacement restored = RestoredPlacement(stored, current, screen);
    window.move(restored.Left, restored.Top);
    if (restored.Maximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void SaveWindowPlacement(const QWidget& window, std::string_view section,
                         const std::string& settingsFolder) {
    Ini ini(PlacementFile("", settingsFolder));
    SavePlacement(ini, section, CurrentPlacement(window));
}

}  // namespace mw
