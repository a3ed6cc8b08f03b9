#include "Skin.h"

#include <QImageReader>
#include <stdexcept>

namespace mw {

namespace {

QPixmap LoadPicture(const std::string& folder, const std::string& file) {
    const std::string path = folder + file;
    QImageReader reader(QString::fromStdString(path));
    const QImage image = reader.read();
    if (image.isNull()) {
        throw std::runtime_error("Cannot load the picture " + path + ": " +
                                 reader.errorString().toStdString());
    }
    return QPixmap::fromImage(image);
}

}  // namespace

QColor SkinImages::Accent() const {
    const QImage normal = Bottom[0].toImage();
    if (normal.isNull()) {
        return QColor(0x2a, 0x74, 0xc9);
    }
    return normal.pixelColor(normal.width() / 2, normal.height() / 2);
}

SkinImages LoadSkinImages(const std::string& folder) {
    SkinImages images;
    images.TopLogo = LoadPicture(folder, "toplogo.png");
    images.LeftLogo = LoadPicture(folder, "leftlogo.png");
    images.DownloadVideo = LoadPicture(folder, "downloadyoutube.png");
    images.ConvertVideo = LoadPicture(folder, "youtubeconvert.png");
    images.Main = LoadPicture(folder, "main.bmp");
    for (std::size_t i = 0; i < images.Min.size(); ++i) {
        images.Min[i] = LoadPicture(folder, "min_" + std::to_string(i + 1) + ".bmp");
        images.Close[i] = LoadPicture(folder, "close_" + std::to_string(i + 1) + ".bmp");
    }
    for (std::size_t i = 0; i < images.Bottom.size(); ++i) {
        images.Bottom[i] = LoadPicture(folder, "bottom_" + std::to_string(i + 1) + ".bmp");
    }
    return images;
}

std::optional<SkinLayout> SkinLayoutOf(int skin) {
    const QColor grey(128, 128, 128);
    switch (skin) {
        case 0:
            return SkinLayout{{696, 4},   {728, 4},   {40, 510}, 0,        {138, 510}, {426, 510},
                              {522, 510}, {672, 510}, {203, 74}, {24, 43}, grey};
        case 1:
            return SkinLayout{
                {766, 3},   {794, 3},   {25, 566},  0,         {120, 566},           {400, 566},
                {495, 566}, {730, 566}, {240, 110}, {252, 70}, QColor(255, 255, 255)};
        case 2:
            return SkinLayout{{696, 6},   {728, 4},   {40, 513}, 5,        {138, 513}, {426, 513},
                              {522, 513}, {672, 513}, {198, 74}, {24, 43}, grey};
        default:
            return std::nullopt;
    }
}

}  // namespace mw
