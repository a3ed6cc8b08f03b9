#include "ModePage.h"

#include <QEvent>
#include <QLabel>
#include <QRadioButton>

#include "PageWidgets.h"

namespace mw {

ModePage::ModePage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheetMode");
    // Each picture has room round it for the focus mark.
    m_downloadImage = Placed(new QLabel(this), "ImageDownloadVideo", {48, 58, 204, 134});
    m_convertImage = Placed(new QLabel(this), "ImageConvertVideo", {288, 58, 204, 134});
    m_download = Placed(new QRadioButton("Download video from YouTube", this),
                        "RadioButtonDownloadVideo", {50, 222, 460, 26});
    m_download->setChecked(true);
    m_convert =
        Placed(new QRadioButton("Convert audio/video (previously downloaded) from file", this),
               "RadioButtonConvertVideo", {50, 256, 460, 26});
    for (QLabel* image : {m_downloadImage, m_convertImage}) {
        image->setCursor(Qt::PointingHandCursor);
        image->installEventFilter(this);
        MakePressable(*image, [this, image] { Choose(image); });
    }
}

void ModePage::Choose(QLabel* image) {
    QRadioButton* radio = image == m_downloadImage ? m_download : m_convert;
    radio->setChecked(true);
    radio->setFocus();
}

void ModePage::SetPictures(const QPixmap& download, const QPixmap& convert) {
    m_downloadImage->setPixmap(download);
    m_convertImage->setPixmap(convert);
}

bool ModePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        Choose(static_cast<QLabel*>(watched));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mw
