#pragma once

#include <QColor>
#include <QSize>

// The colours and sizes of one skin's pictures.
struct SkinPalette {
    QSize Window;        // main.bmp
    QSize BottomButton;  // bottom_1..4.bmp
    QSize TopLogo;
    QSize LeftLogo;
    int HeaderHeight = 0;  // the band behind the logo and the frame buttons
    QColor Header;
    QColor HeaderLight;
    QColor Body;
    QColor BodyLow;  // the bar behind the bottom buttons
    QColor Line;
    QColor Panel;  // behind the pages
    QColor Accent;
    QColor AccentDark;
    QColor Text;  // on the body
    bool DarkBody = false;
    int PanelLeft = 0;  // where the pages sit
    int PanelTop = 0;
};

// Skins 0, 1 and 2.
SkinPalette PaletteOf(int skin);
