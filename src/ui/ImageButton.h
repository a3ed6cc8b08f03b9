#pragma once

#include <QPixmap>
#include <vector>
#include "HoverButton.h"

namespace mw {

// A button drawn from pictures: normal, mouse over, pressed and (when given) disabled. The
// caption, if any, is drawn on the picture. It takes the size of its pictures.
class ImageButton : public HoverButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void SetPictures(std::vector<QPixmap> pictures);
    void SetCaptionColors(const QColor& normal, const QColor& disabled);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPixmap> m_pictures;
    QColor m_caption = Qt::white;
    QColor m_disabledCaption = QColor(0xf4, 0xf6, 0xf9);
};

}  // namespace mw
