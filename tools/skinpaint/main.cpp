// Paints the window pictures of skins 0, 1 and 2 and the edition icons into a program
// directory: skinpaint <program directory>.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

#include "Glyphs.h"
#include "Palette.h"

namespace {

// Where the pages sit; the panel behind them is part of the window picture.
constexpr QSize kPanelSize(540, 418);
const QColor kTransparentKey(255, 0, 255);

QFont Font(int pixelSize, bool bold) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage NewImage(QSize size, const QColor& fill) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    const bool bmp = path.endsWith(".bmp");
    const QImage out = bmp ? image.convertToFormat(QImage::Format_RGB888) : image;
    if (!out.save(path)) {
        std::fprintf(stderr, "skinpaint: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage PaintMain(const SkinPalette& s) {
    QImage image = NewImage(s.Window, kTransparentKey);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect frame(0, 0, s.Window.width(), s.Window.height());
    QPainterPath shape;
    shape.addRoundedRect(frame, 12, 12);
    p.setClipPath(shape);
    p.fillRect(frame, s.Body);

    QLinearGradient header(0, 0, 0, s.HeaderHeight);
    header.setColorAt(0, s.HeaderLight);
    header.setColorAt(1, s.Header);
    p.fillRect(QRect(0, 0, frame.width(), s.HeaderHeight), s.Header);
    p.fillRect(QRect(0, s.HeaderHeight, frame.width(), 3), s.Accent);

    const int barTop = frame.height() - 50;
    p.fillRect(QRect(0, barTop, frame.width(), 50), s.BodyLow);
    p.fillRect(QRect(0, barTop, frame.width(), 1), s.Line);

    const QRect panel(QPoint(s.PanelLeft, s.PanelTop), kPanelSize);
    p.setPen(s.Line);
    p.setBrush(s.Panel);
    p.drawRect(panel.adjusted(-1, -1, 0, 0));
    p.end();
    return image;
}

// The frame buttons sit on the header band: state 0 normal, 1 mouse over, 2 pressed.
QImage PaintFrameButton(const SkinPalette& s, bool close, int state) {
    QImage image = NewImage({26, 22}, s.Header);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (state > 0) {
        QColor fill = close ? QColor(0xd9, 0x45, 0x3b) : s.HeaderLight;
        if (state == 2) {
            fill = fill.darker(125);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(1, 1, 24, 20), 4, 4);
    }
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        p.drawLine(QPointF(8.5, 6.5), QPointF(17.5, 15.5));
        p.drawLine(QPointF(17.5, 6.5), QPointF(8.5, 15.5));
    } else {
        p.drawLine(QPointF(8, 14.5), QPointF(18, 14.5));
    }
    return image;
}

// The bottom buttons: 0 normal, 1 mouse over, 2 pressed, 3 disabled; the caption is drawn
// by the program.
QImage PaintBottomButton(const SkinPalette& s, int state) {
    QImage image = NewImage(s.BottomButton, s.BodyLow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, s.BottomButton.width() - 1, s.BottomButton.height() - 1);
    QColor top = s.Accent.lighter(112);
    QColor bottom = s.Accent;
    if (state == 1) {
        top = s.Accent.lighter(128);
        bottom = s.Accent.lighter(110);
    } else if (state == 2) {
        top = s.AccentDark;
        bottom = s.AccentDark.darker(108);
    } else if (state == 3) {
        top = bottom = s.DarkBody ? QColor(0x4a, 0x52, 0x5e) : QColor(0xc4, 0xcc, 0xd7);
    }
    QLinearGradient fill(0, 0, 0, box.height());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(state == 3 ? top.darker(110) : s.AccentDark, 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 6, 6);
    return image;
}

QImage PaintTopLogo(const SkinPalette& s) {
    QImage image = NewImage(s.TopLogo, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int h = s.TopLogo.height();
    const QRectF mark(2, h * 0.12, h * 0.76, h * 0.76);
    DrawBrandMark(p, mark, s.Accent, Qt::white);
    p.setPen(Qt::white);
    p.setFont(Font(int(h * 0.56), true));
    const QRectF name(mark.right() + 10, 0, s.TopLogo.width(), h);
    p.drawText(name, Qt::AlignVCenter | Qt::AlignLeft, "MediaWizard");
    const int nameWidth = p.fontMetrics().horizontalAdvance("MediaWizard");
    p.setPen(QColor(255, 255, 255, 170));
    p.setFont(Font(int(h * 0.32), false));
    p.drawText(QRectF(name.left() + nameWidth + 14, 0, s.TopLogo.width(), h * 0.94),
               Qt::AlignVCenter | Qt::AlignLeft, "convert \u00b7 join \u00b7 download");
    return image;
}

QImage PaintLeftLogo(const SkinPalette& s) {
    QImage image = NewImage(s.LeftLogo, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box(0, 0, s.LeftLogo.width(), s.LeftLogo.height());
    QLinearGradient fill(0, 0, 0, box.height());
    fill.setColorAt(0, s.Accent);
    fill.setColorAt(1, s.AccentDark.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, 10, 10);

    const double w = box.width();
    DrawBrandMark(p, QRectF(w / 2 - 36, 28, 72, 72), QColor(255, 255, 255, 46), Qt::white);
    p.setPen(Qt::white);
    p.setFont(Font(w > 200 ? 24 : 21, true));
    p.drawText(QRectF(0, 112, w, 32), Qt::AlignCenter, "MediaWizard");
    p.setPen(QColor(255, 255, 255, 190));
    p.setFont(Font(12, false));
    p.drawText(QRectF(0, 142, w, 20), Qt::AlignCenter, "your media, any format");

    struct Feature {
        const char* text;
        std::function<void(QPainter&, const QRectF&)> glyph;
    };
    const Feature features[] = {
        {"Video formats", [](QPainter& q, const QRectF& r) { DrawPlayGlyph(q, r, Qt::white); }},
        {"Devices", [](QPainter& q, const QRectF& r) { DrawPhoneGlyph(q, r, Qt::white); }},
        {"Audio formats", [](QPainter& q, const QRectF& r) { DrawNoteGlyph(q, r, Qt::white); }},
        {"YouTube links", [](QPainter& q, const QRectF& r) { DrawArrowDown(q, r, Qt::white); }},
    };
    double y = 196;
    for (const Feature& feature : features) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 36));
        p.drawRoundedRect(QRectF(16, y, w - 32, 34), 7, 7);
        feature.glyph(p, QRectF(28, y + 9, 16, 16));
        p.setPen(Qt::white);
        p.setFont(Font(13, false));
        p.drawText(QRectF(56, y, w - 70, 34), Qt::AlignVCenter | Qt::AlignLeft, feature.text);
        y += 44;
    }
    return image;
}

QImage PaintModePicture(const SkinPalette& s, bool download) {
    QImage image = NewImage({200, 130}, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(1, 1, 198, 128);
    QLinearGradient fill(0, 0, 0, 130);
    fill.setColorAt(0, s.Accent.lighter(175));
    fill.setColorAt(1, s.Accent.lighter(150));
    p.setPen(QPen(s.Accent.lighter(130), 1));
    p.setBrush(fill);
    p.drawRoundedRect(card, 12, 12);
    if (download) {
        const QRectF screen(40, 22, 90, 62);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd9, 0x30, 0x25));
        p.drawRoundedRect(screen, 14, 14);
        DrawPlayGlyph(p, QRectF(72, 38, 30, 30), Qt::white);
        p.setBrush(s.AccentDark);
        p.drawEllipse(QRectF(118, 62, 50, 50));
        DrawArrowDown(p, QRectF(131, 72, 24, 30), Qt::white);
    } else {
        DrawFilmStrip(p, QRectF(18, 34, 70, 62), s.AccentDark, s.Accent.lighter(170));
        DrawArrowRight(p, QRectF(92, 52, 26, 26), s.Accent);
        p.setPen(Qt::NoPen);
        p.setBrush(s.AccentDark);
        p.drawEllipse(QRectF(124, 32, 64, 64));
        DrawNoteGlyph(p, QRectF(140, 46, 32, 36), Qt::white);
    }
    return image;
}

// The edition icons: a tile of its own colour with the edition's glyph.
QImage PaintIcon(const QString& name) {
    QImage image = NewImage({64, 64}, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    struct IconLook {
        const char* name;
        QColor tile;
    };
    const IconLook looks[] = {
        {"ICON_MEDIAWIZARD", QColor(0x2a, 0x74, 0xc9)}, {"ICON_VIDEO", QColor(0x6b, 0x4f, 0xd8)},
        {"ICON_AUDIO", QColor(0x13, 0x94, 0x88)},       {"ICON_DEVICE", QColor(0x3d, 0x4a, 0x5c)},
        {"ICON_MOBILE", QColor(0x2e, 0x9e, 0x4f)},      {"ICON_JOINER", QColor(0xe8, 0x7a, 0x22)},
        {"ICON_YOUTUBE", QColor(0xd9, 0x30, 0x25)},     {"ICON_DVD", QColor(0x8e, 0x3b, 0xa8)},
    };
    QColor tile = looks[0].tile;
    for (const IconLook& look : looks) {
        if (name == look.name) {
            tile = look.tile;
        }
    }
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0, tile.lighter(120));
    fill.setColorAt(1, tile);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    const QRectF glyph(16, 16, 32, 32);
    if (name == "ICON_VIDEO" || name == "ICON_YOUTUBE") {
        DrawPlayGlyph(p, glyph, Qt::white);
    } else if (name == "ICON_AUDIO") {
        DrawNoteGlyph(p, glyph, Qt::white);
    } else if (name == "ICON_DEVICE" || name == "ICON_MOBILE") {
        DrawPhoneGlyph(p, glyph.adjusted(0, -2, 0, 2), Qt::white);
    } else if (name == "ICON_JOINER") {
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(12, 22, 18, 20), 3, 3);
        p.drawRoundedRect(QRectF(34, 22, 18, 20), 3, 3);
        p.drawRect(QRectF(28, 29, 8, 6));
    } else if (name == "ICON_DVD") {
        DrawDiscGlyph(p, glyph.adjusted(-4, -4, 4, 4), Qt::white);
    } else {
        DrawBrandMark(p, glyph.adjusted(-6, -6, 6, 6), QColor(255, 255, 255, 0), Qt::white);
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skinpaint <program directory>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (int skin = 0; skin < 3; ++skin) {
        const SkinPalette s = PaletteOf(skin);
        const QString folder = root.filePath(QString("sounds/res%1").arg(skin));
        QDir().mkpath(folder);
        const auto out = [&](const QString& file) { return folder + "/" + file; };
        ok &= Save(PaintMain(s), out("main.bmp"));
        ok &= Save(PaintTopLogo(s), out("toplogo.png"));
        ok &= Save(PaintLeftLogo(s), out("leftlogo.png"));
        ok &= Save(PaintModePicture(s, true), out("downloadyoutube.png"));
        ok &= Save(PaintModePicture(s, false), out("youtubeconvert.png"));
        for (int state = 0; state < 3; ++state) {
            ok &=
                Save(PaintFrameButton(s, false, state), out(QString("min_%1.bmp").arg(state + 1)));
            ok &=
                Save(PaintFrameButton(s, true, state), out(QString("close_%1.bmp").arg(state + 1)));
        }
        for (int state = 0; state < 4; ++state) {
            ok &= Save(PaintBottomButton(s, state), out(QString("bottom_%1.bmp").arg(state + 1)));
        }
    }
    const QString icons = root.filePath("icons");
    QDir().mkpath(icons);
    for (const char* name : {"ICON_MEDIAWIZARD", "ICON_VIDEO", "ICON_AUDIO", "ICON_DEVICE",
                             "ICON_MOBILE", "ICON_JOINER", "ICON_YOUTUBE", "ICON_DVD"}) {
        ok &= Save(PaintIcon(name), icons + "/" + name + ".png");
    }
    return ok ? 0 : 1;
}
