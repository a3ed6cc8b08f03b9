#include "Palette.h"

SkinPalette PaletteOf(int skin) {
    SkinPalette p;
    switch (skin) {
        case 1:  // graphite with an amber accent, the large frame
            p.Window = {824, 610};
            p.BottomButton = {84, 30};
            p.TopLogo = {600, 56};
            p.LeftLogo = {212, 410};
            p.HeaderHeight = 62;
            p.Header = QColor(0x1b, 0x20, 0x27);
            p.HeaderLight = QColor(0x2a, 0x31, 0x3b);
            p.Body = QColor(0x2b, 0x32, 0x3c);
            p.BodyLow = QColor(0x22, 0x28, 0x30);
            p.Line = QColor(0x45, 0x4e, 0x5b);
            p.Panel = QColor(0xf6, 0xf7, 0xf9);
            p.Accent = QColor(0xe8, 0x7a, 0x22);
            p.AccentDark = QColor(0xc2, 0x5f, 0x10);
            p.Text = Qt::white;
            p.DarkBody = true;
            p.PanelLeft = 240;
            p.PanelTop = 110;
            break;
        case 2:  // light with a teal accent
            p.Window = {760, 550};
            p.BottomButton = {80, 30};
            p.TopLogo = {420, 34};
            p.LeftLogo = {180, 368};
            p.HeaderHeight = 38;
            p.Header = QColor(0x0e, 0x6f, 0x67);
            p.HeaderLight = QColor(0x15, 0x8c, 0x81);
            p.Body = QColor(0xee, 0xf5, 0xf4);
            p.BodyLow = QColor(0xde, 0xeb, 0xe9);
            p.Line = QColor(0xbf, 0xd5, 0xd2);
            p.Panel = Qt::white;
            p.Accent = QColor(0x13, 0x94, 0x88);
            p.AccentDark = QColor(0x0d, 0x73, 0x6a);
            p.Text = QColor(0x1f, 0x33, 0x31);
            p.PanelLeft = 198;
            p.PanelTop = 74;
            break;
        default:  // light with an azure accent
            p.Window = {760, 550};
            p.BottomButton = {80, 30};
            p.TopLogo = {420, 34};
            p.LeftLogo = {180, 368};
            p.HeaderHeight = 38;
            p.Header = QColor(0x1c, 0x57, 0xa0);
            p.HeaderLight = QColor(0x2a, 0x74, 0xc9);
            p.Body = QColor(0xee, 0xf2, 0xf8);
            p.BodyLow = QColor(0xe0, 0xe7, 0xf1);
            p.Line = QColor(0xc3, 0xcf, 0xde);
            p.Panel = Qt::white;
            p.Accent = QColor(0x2a, 0x74, 0xc9);
            p.AccentDark = QColor(0x1c, 0x57, 0xa0);
            p.Text = QColor(0x1d, 0x2b, 0x3e);
            p.PanelLeft = 203;
            p.PanelTop = 74;
            break;
    }
    return p;
}
