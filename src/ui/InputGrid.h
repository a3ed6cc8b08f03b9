#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <vector>

#include "convert/InputList.h"

namespace mw {

// The rows of the input list for the grid; the grid is told of changes with Reset.
class InputGridModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { LineRole = Qt::UserRole, ThumbnailRole = Qt::UserRole + 4 };

    explicit InputGridModel(const InputList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole: the full name; LineRole + 1..3: the visible lines under the first, which
    // is the shortened full name, or for a DVD title LineRole + 0;
    // ThumbnailRole: the picture fitted to its 128 x 88 box.
    QVariant data(const QModelIndex& index, int role) const override;

    // The list changed: the grid shows it again.
    void Reset();
    // The picture of files without video.
    static QPixmap AudioIcon();
    // The picture of a DVD title row.
    static QPixmap DvdIcon();

private:
    const InputList& m_list;
    std::vector<QPixmap> m_thumbnails;
};

// Draws a row as a 90-pixel tile: the picture at the left, four lines beside it.
class InputTileDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The skin's colour that marks the selected tile.
    void SetAccent(const QColor& accent) { m_accent = accent; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Line 0 to 3 of a tile as drawn in the font of the metrics: the path shortened to its
    // width, every line that still does not fit ending in "…".
    static QString TileLine(const QModelIndex& index, int line, const QFontMetrics& metrics);

private:
    QColor m_accent = QColor(0x2a, 0x74, 0xc9);
};

// The grid of page Step1: rows are dragged to a new position with the mouse.
class NextGrid : public QListView {
    Q_OBJECT
public:
    explicit NextGrid(QWidget* parent = nullptr);

    void SetAccent(const QColor& accent);

signals:
    // A row was dragged from one position to another.
    void RowDragged(int from, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int TargetRow(const QPoint& position) const;

    int m_pressedRow = -1;
    QPoint m_pressPosition;
    bool m_dragging = false;
    int m_dropRow = -1;
    InputTileDelegate* m_delegate;
};

}  // namespace mw
