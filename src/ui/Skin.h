#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <array>
#include <optional>
#include <string>

namespace mw {

// The pictures of the window, read from an edition's image folder.
struct SkinImages {
    QPixmap TopLogo;
    QPixmap LeftLogo;
    QPixmap DownloadVideo;
    QPixmap ConvertVideo;
    QPixmap Main;                   // shape and background; fuchsia is transparent
    std::array<QPixmap, 3> Min;     // normal, mouse over, pressed
    std::array<QPixmap, 3> Close;   // normal, mouse over, pressed
    std::array<QPixmap, 4> Bottom;  // normal, mouse over, pressed, disabled

    // The skin's accent: the fill of its bottom buttons.
    QColor Accent() const;
};

// Loads every picture of the folder; a missing or unreadable one throws std::runtime_error
// naming the file.
SkinImages LoadSkinImages(const std::string& folder);

// Where a skin puts the frame controls (left, top in window pixels).
struct SkinLayout {
    QPoint Min, Close, Help;
    int HelpMenuOffset = 0;
    QPoint Log, Back, Next, Exit, PageControl, Title;
    QColor InfoText;  // LabelVersion, LabelMoreTools
};

// Skins 0, 1 and 2; any other number keeps the designed layout.
std::optional<SkinLayout> SkinLayoutOf(int skin);

}  // namespace mw
