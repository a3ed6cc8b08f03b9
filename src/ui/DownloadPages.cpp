#include "DownloadPages.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <set>

#include "Dialogs.h"
#include "PageWidgets.h"
#include "YouTubeHQ.h"
#include "core/Platform.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

// A push button that does what its action does and is enabled as the action is.
QPushButton* BoundButton(QAction* action, const char* name, const QRect& geometry,
                         QWidget* parent) {
    auto* button = Placed(new QPushButton(action->text(), parent), name, geometry);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    button->setEnabled(action->isEnabled());
    return button;
}

}  // namespace

DownloadPage::DownloadPage(UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep5");
    auto* input = new QGroupBox(" Input URLs ", this);
    input->setGeometry(0, 0, 540, 230);
    m_links = Placed(new QListWidget(input), "ListViewInputURL", {10, 24, 410, 196});
    m_links->setSelectionMode(QAbstractItemView::SingleSelection);
    m_links->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_links->setContextMenuPolicy(Qt::CustomContextMenu);

    m_paste = new QAction("&Paste", this);
    m_paste->setObjectName("ActionURLPaste");
    m_remove = new QAction("&Remove", this);
    m_remove->setObjectName("ActionURLRemove");
    m_empty = new QAction("&Empty", this);
    m_empty->setObjectName("ActionURLEmpty");
    auto* select = new QAction("Select...", this);
    select->setObjectName("ActionURLSelect");
    connect(m_paste, &QAction::triggered, this, &DownloadPage::Paste);
    connect(m_remove, &QAction::triggered, this, &DownloadPage::Remove);
    connect(m_empty, &QAction::triggered, this, &DownloadPage::ClearLinks);
    connect(select, &QAction::triggered, this,
            [this] { SelectFolderInto(*m_folder, m_settings.OutputURLDir); });
    BoundButton(m_paste, "ButtonURLPaste", {430, 24, 100, 28}, input);
    BoundButton(m_remove, "ButtonURLRemove", {430, 58, 100, 28}, input);
    BoundButton(m_empty, "ButtonURLEmpty", {430, 92, 100, 28}, input);

    m_menu = new QMenu(this);
    m_menu->setObjectName("PopupMenuListViewURL");
    QAction* menuPaste = m_menu->addAction("&Paste");
    menuPaste->setObjectName("MenuPaste");
    menuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    menuPaste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QAction* menuDelete = m_menu->addAction("&Remove");
    menuDelete->setObjectName("MenuDelete");
    // The shortcut works while the list has the focus, menu shown or not.
    m_links->addAction(menuPaste);
    connect(menuPaste, &QAction::triggered, m_paste, &QAction::trigger);
    connect(menuDelete, &QAction::triggered, m_remove, &QAction::trigger);
    connect(m_paste, &QAction::changed, menuPaste,
            [this, menuPaste] { menuPaste->setEnabled(m_paste->isEnabled()); });
    connect(m_remove, &QAction::changed, menuDelete,
            [this, menuDelete] { menuDelete->setEnabled(m_remove->isEnabled()); });
    connect(m_links, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_menu->popup(m_links->viewport()->mapToGlobal(at)); });
    connect(m_links, &QListWidget::itemSelectionChanged, this, &DownloadPage::UpdateActions);
    connect(m_links, &QListWidget::itemDoubleClicked, this,
            [](QListWidgetItem* item) { OpenWithShell(item->text().toStdString()); });

    auto* setup = new QGroupBox(" Setup ", this);
    setup->setGeometry(0, 238, 540, 70);
    auto* folderLabel = new QLabel("Output directory:", setup);
    folderLabel->setGeometry(10, 30, 110, 24);
    m_folder = Placed(new QLineEdit(setup), "EditURLOutput", {122, 28, 300, 28});
    BoundButton(select, "ButtonURLSelect", {430, 28, 100, 28}, setup);

    auto* quality = new QGroupBox(" Quality ", this);
    quality->setGeometry(0, 316, 540, 94);
    m_quality = Placed(new QCheckBox("Prefer YouTube high quality", quality),
                       "CheckBoxYouTubeQuality", {10, 26, 300, 24});
    m_qualityConfig = Placed(new QPushButton("Config...", quality), "ButtonYouTubeQualityConfig",
                             {430, 24, 100, 28});
    m_qualityLabel = Placed(new QLabel("[Defatult Quality - HQ5]", quality), "LabelYouTubeQuality",
                            {10, 56, 520, 28});
    m_qualityLabel->setWordWrap(true);
    m_qualityConfig->setEnabled(false);
    connect(m_quality, &QCheckBox::clicked, this, [this] {
        m_qualityConfig->setEnabled(m_quality->isChecked());
        RefreshQualityLabel();
    });
    connect(m_qualityConfig, &QPushButton::clicked, this, [this] {
        if (EditQualityOrder(m_settings.PreferYouTube, *window())) {
            RefreshQualityLabel();
        }
    });
    UpdateActions();
}

void DownloadPage::LoadDownloadPage() {
    m_folder->setText(QString::fromStdString(m_settings.OutputURLDir));
    m_quality->setChecked(m_settings.PreferYouTubeQuality);
    m_qualityConfig->setEnabled(m_quality->isChecked());
    RefreshQualityLabel();
}

void DownloadPage::StoreDownloadPage() {
    m_settings.OutputURLDir = WithTrailingBackslash(m_folder->text().toStdString());
    m_settings.PreferYouTubeQuality = m_quality->isChecked();
}

void DownloadPage::SetClipboardHasText(bool hasText) {
    m_clipboardHasText = hasText;
    UpdateActions();
}

void DownloadPage::ClearLinks() {
    m_model.Clear();
    ShowLinks();
}

void DownloadPage::Paste() {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) {
        return;
    }
    m_model.Paste(text.toStdString(), [this](const std::string& message) {
        return AskOkCancel(window(), QString::fromStdString(message));
    });
    ShowLinks();
}

void DownloadPage::Remove() {
    std::set<int> selected;
    for (const QListWidgetItem* item : m_links->selectedItems()) {
        selected.insert(m_links->row(item));
    }
    const int next = m_model.Remove(selected);
    ShowLinks();
    if (next >= 0) {
        m_links->setCurrentRow(next);
        m_links->scrollToItem(m_links->item(next));
    }
    m_links->setFocus();
}

void DownloadPage::ShowLinks() {
    m_links->clear();
    for (const std::string& link : m_model.Links()) {
        m_links->addItem(QString::fromStdString(link));
    }
    UpdateActions();
}

void DownloadPage::UpdateActions() {
    m_paste->setEnabled(m_clipboardHasText);
    m_remove->setEnabled(!m_links->selectedItems().isEmpty());
    m_empty->setEnabled(m_links->count() > 0);
}

void DownloadPage::RefreshQualityLabel() {
    m_qualityLabel->setText(
        QString::fromStdString(PreferenceLabel(m_settings.PreferYouTube, m_quality->isChecked())));
}

}  // namespace mw
