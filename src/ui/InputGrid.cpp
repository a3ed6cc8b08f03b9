#include "InputGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <functional>

#include "dvd/DvdTitles.h"
#include "engine/common/Bitmap.h"

namespace mw {

namespace {

constexpr int kRowHeight = 90;
constexpr QSize kPictureBox(128, 88);
constexpr int kTextLeft = 136;
constexpr int kTextWidth = 280;
constexpr int kLineTops[] = {0, 33, 49, 65};
constexpr int kPathWidth = 255;

// The picture in the shape it is shown in: an anamorphic one is stored squeezed, and its
// display aspect (0 when the file gives none) widens or narrows it again.
QPixmap FittedPicture(const Bitmap& bitmap, float displayAspect) {
    if (bitmap.Empty()) {
        return {};
    }
    const QImage image(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Stride(),
                       QImage::Format_BGR888);
    QSize shape(bitmap.Width, bitmap.Height);
    if (displayAspect > 0) {
        shape.setWidth(std::max(1, qRound(bitmap.Height * displayAspect)));
    }
    return QPixmap::fromImage(image.scaled(shape.scaled(kPictureBox, Qt::KeepAspectRatio),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

InputGridModel::InputGridModel(const InputList& list, QObject* parent)
    : QAbstractListModel(parent), m_list(list) {}

int InputGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.Count();
}

QVariant InputGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_list.Count()) {
        return {};
    }
    const InputItem& item = m_list.Items()[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return QString::fromStdString(item.FileFullName);
        case LineRole:
            // A file's first line is its shortened path; a DVD title's is its own text.
            return item.Dvd
                       ? QVariant(QString::fromStdString(dvd::DvdRowCaption(*item.Dvd).FileMinName))
                       : QVariant();
        case LineRole + 1:
            return QString::fromStdString(item.Duration);
        case LineRole + 2:
            return QString::fromStdString(item.BitRate);
        case LineRole + 3:
            return QString::fromStdString(item.Dimension);
        case ThumbnailRole:
            if (item.Dvd) {
                return DvdIcon();
            }
            return item.AudioIcon ? AudioIcon()
                                  : m_thumbnails[static_cast<std::size_t>(index.row())];
        default:
            return {};
    }
}

void InputGridModel::Reset() {
    beginResetModel();
    m_thumbnails.clear();
    for (const InputItem& item : m_list.Items()) {
        m_thumbnails.push_back(FittedPicture(item.Thumbnail, item.AspectRatio));
    }
    endResetModel();
}

namespace {

// A rounded tile in a gradient with a white figure on it, for rows without a picture.
QPixmap IconTile(QColor top, QColor bottom, const std::function<void(QPainter&)>& figure) {
    QPixmap picture(kPictureBox);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, kPictureBox.height());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(4, 2, 120, 84), 10, 10);
    figure(painter);
    return picture;
}

}  // namespace

QPixmap InputGridModel::AudioIcon() {
    static const QPixmap icon =
        IconTile(QColor(0x3b, 0xb0, 0xa4), QColor(0x13, 0x80, 0x76), [](QPainter& painter) {
            painter.setBrush(Qt::white);
            // A pair of beamed notes.
            painter.drawEllipse(QRectF(38, 52, 18, 13));
            painter.drawEllipse(QRectF(70, 46, 18, 13));
            painter.drawRect(QRectF(51, 22, 5, 37));
            painter.drawRect(QRectF(83, 16, 5, 37));
            painter.drawPolygon(
                QPolygonF({QPointF(51, 22), QPointF(88, 16), QPointF(88, 24), QPointF(51, 30)}));
        });
    return icon;
}

QPixmap InputGridModel::DvdIcon() {
    static const QPixmap icon =
        IconTile(QColor(0x4f, 0x6d, 0xc8), QColor(0x2a, 0x3f, 0x8a), [](QPainter& painter) {
            // A disc with its hole.
            QRadialGradient shine(QPointF(58, 38), 40);
            shine.setColorAt(0, QColor(0xf4, 0xf6, 0xfb));
            shine.setColorAt(1, QColor(0xb9, 0xc4, 0xdc));
            painter.setBrush(shine);
            painter.drawEllipse(QPointF(64, 44), 34, 34);
            painter.setBrush(QColor(0x2a, 0x3f, 0x8a));
            painter.drawEllipse(QPointF(64, 44), 7, 7);
        });
    return icon;
}

void InputTileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const QRect row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        painter->fillRect(row, m_accent.lighter(165));
    } else if (index.row() % 2 == 1) {
        painter->fillRect(row, QColor(0xf5, 0xf7, 0xfa));
    }
    const QPixmap picture = index.data(InputGridModel::ThumbnailRole).value<QPixmap>();
    const QRect pictureBox(row.left(), row.top() + 1, kPictureBox.width(), kPictureBox.height());
    if (picture.isNull()) {
        painter->fillRect(pictureBox.adjusted(4, 2, -4, -2), QColor(0x2b, 0x32, 0x3c));
    } else {
        const QPoint origin =
            pictureBox.center() - QPoint(picture.width() / 2, picture.height() / 2);
        painter->drawPixmap(origin + QPoint(1, 1), picture);
    }
    if (selected) {
        // An accent frame round the tinted tile, and a bar at its left edge over the picture.
        painter->setPen(QPen(m_accent, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(row).adjusted(1, 1, -1, -1));
        painter->fillRect(QRect(row.left(), row.top(), 5, row.height()), m_accent);
    }

    for (int line = 0; line < 4; ++line) {
        QFont font = option.font;
        font.setBold(line == 0);
        painter->setFont(font);
        const QRect box(row.left() + kTextLeft, row.top() + kLineTops[line] + (line == 0 ? 8 : 0),
                        kTextWidth, painter->fontMetrics().height());
        painter->setPen(line == 0 ? QColor(0x1d, 0x2b, 0x3e) : QColor(0x4a, 0x57, 0x68));
        painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                          TileLine(index, line, painter->fontMetrics()));
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(m_accent.darker(130), 1, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(row.adjusted(4, 4, -5, -5));
    }
    painter->setPen(QColor(0xe3, 0xe8, 0xef));
    painter->drawLine(row.bottomLeft(), row.bottomRight());
    painter->restore();
}

QString InputTileDelegate::TileLine(const QModelIndex& index, int line,
                                    const QFontMetrics& metrics) {
    if (line == 0) {
        if (const QVariant own = index.data(InputGridModel::LineRole); own.isValid()) {
            return metrics.elidedText(own.toString(), Qt::ElideMiddle, kPathWidth);
        }
        const std::string full = index.data(Qt::DisplayRole).toString().toStdString();
        const QString path = QString::fromStdString(ShortenPath(full, [&](const std::string& text) {
            return metrics.horizontalAdvance(QString::fromStdString(text)) <= kPathWidth;
        }));
        return metrics.elidedText(path, Qt::ElideRight, kPathWidth);
    }
    return metrics.elidedText(index.data(InputGridModel::LineRole + line).toString(),
                              Qt::ElideRight, kTextWidth);
}

QSize InputTileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {kTextLeft + kTextWidth, kRowHeight};
}

NextGrid::NextGrid(QWidget* parent) : QListView(parent) {
    setObjectName("NextGrid");
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    m_delegate = new InputTileDelegate(this);
    setItemDelegate(m_delegate);
}

void NextGrid::SetAccent(const QColor& accent) {
    m_delegate->SetAccent(accent);
    viewport()->update();
}

int NextGrid::TargetRow(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    if (index.isValid()) {
        return index.row();
    }
    return model() ? model()->rowCount() - 1 : -1;
}

void NextGrid::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    m_pressedRow = event->button() == Qt::LeftButton && index.isValid() ? index.row() : -1;
    m_pressPosition = event->position().toPoint();
    m_dragging = false;
}

void NextGrid::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressedRow < 0 || !(event->buttons() & Qt::LeftButton)) {
        QListView::mouseMoveEvent(event);
        return;
    }
    const QPoint position = event->position().toPoint();
    if (!m_dragging &&
        (position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragging = true;
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    if (m_dragging) {
        m_dropRow = TargetRow(position);
        viewport()->update();
    }
}

void NextGrid::mouseReleaseEvent(QMouseEvent* event) {
    const bool dropped = m_dragging && event->button() == Qt::LeftButton;
    const int from = m_pressedRow;
    const int to = TargetRow(event->position().toPoint());
    m_dragging = false;
    m_pressedRow = -1;
    m_dropRow = -1;
    viewport()->unsetCursor();
    viewport()->update();
    QListView::mouseReleaseEvent(event);
    if (dropped && from >= 0 && to >= 0 && from != to) {
        emit RowDragged(from, to);
    }
}

void NextGrid::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (!m_dragging || m_dropRow < 0 || !model()) {
        return;
    }
    // A line where the dragged row will land.
    const QRect target = visualRect(model()->index(m_dropRow, 0));
    const int y = m_dropRow > m_pressedRow ? target.bottom() : target.top();
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    painter.drawLine(0, y, viewport()->width(), y);
}

}  // namespace mw
