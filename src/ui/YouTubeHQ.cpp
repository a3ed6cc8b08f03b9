#include "YouTubeHQ.h"

#include <QPushButton>
#include <QTreeWidget>

#include "Dialogs.h"
#include "PageWidgets.h"

namespace mw {

TFormYouTubeHQ::TFormYouTubeHQ(QualityPreference& order, QWidget* parent)
    : QDialog(parent), m_order(order) {
    setObjectName("FormYouTubeHQ");
    setWindowTitle("Prefer YouTube high quality");
    // A fixed dialog border with a close box only.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(470, 260);

    m_list = Placed(new QTreeWidget(this), "ListViewYouTubeHQ", {10, 10, 340, 240});
    m_list->setHeaderLabels({"Type", "Format", "Video", "Audio"});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setColumnWidth(0, 70);
    m_list->setColumnWidth(1, 60);
    m_list->setColumnWidth(2, 90);

    auto* up = Placed(new QPushButton("&Up", this), "ButtonUp", {360, 10, 100, 28});
    auto* down = Placed(new QPushButton("&Down", this), "ButtonDown", {360, 44, 100, 28});
    auto* best =
        Placed(new QPushButton("&Best Available", this), "ButtonBestAvailable", {360, 90, 100, 28});
    auto* preset = Placed(new QPushButton("&Default", this), "ButtonDefault", {360, 124, 100, 28});
    auto* ok = Placed(new QPushButton("&OK", this), "ButtonOK", {360, 188, 100, 28});
    auto* cancel = Placed(new QPushButton("&Cancel", this), "ButtonCancel", {360, 222, 100, 28});
    ok->setDefault(true);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(best, &QPushButton::clicked, this, [this] {
        m_order = kBestAvailableQualityOrder;
        FillList();
    });
    connect(preset, &QPushButton::clicked, this, [this] {
        m_order = kDefaultQualityOrder;
        FillList();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    FillList();
}

void TFormYouTubeHQ::FillList() {
    m_list->clear();
    for (const std::uint8_t entry : m_order) {
        // A stored value outside the table has no row.
        if (const QualityType* type = QualityTypeOf(entry)) {
            m_list->addTopLevelItem(new QTreeWidgetItem(
                QStringList{QString::fromUtf8(type->Tag.data(), type->Tag.size()),
                            QString::fromUtf8(type->Format.data(), type->Format.size()),
                            QString::fromUtf8(type->Video.data(), type->Video.size()),
                            QString::fromUtf8(type->Audio.data(), type->Audio.size())}));
        }
    }
}

void TFormYouTubeHQ::MoveSelected(int step) {
    QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const int from = m_list->indexOfTopLevelItem(item);
    const int to = from + step;
    if (to < 0 || to >= m_list->topLevelItemCount()) {
        return;
    }
    m_list->takeTopLevelItem(from);
    m_list->insertTopLevelItem(to, item);
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->scrollToItem(item);
    m_list->setFocus();
}

void TFormYouTubeHQ::accept() {
    // Rows beyond those shown keep their entries: values outside the table have no row.
    for (int row = 0; row < m_list->topLevelItemCount() && row < kQualityTypeCount; ++row) {
        m_order[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(
            QualityTypeOfTag(m_list->topLevelItem(row)->text(0).toStdString()));
    }
    QDialog::accept();
}

bool EditQualityOrder(QualityPreference& order, QWidget& mainWindow) {
    TFormYouTubeHQ dialog(order, &mainWindow);
    const QRect main = mainWindow.frameGeometry();
    dialog.move(main.left() + (main.width() - dialog.width()) / 2,
                main.top() + (main.height() - dialog.height()) / 2);
    return ExecModal(dialog) == QDialog::Accepted;
}

}  // namespace mw
