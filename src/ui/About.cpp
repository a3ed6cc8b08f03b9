#include "About.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <memory>

#include "ApplicationTitle.h"
#include "ClickLabel.h"
#include "Dialogs.h"
#include "HelpLinkFuncs.h"
#include "core/EditionTable.h"

namespace mw {

namespace {

constexpr QSize kSimpleSize(445, 217);
constexpr QSize kTabbedSize(600, 330);
constexpr QRect kLeftPanel(0, 0, 172, 330);

QString RightsNotice(const EditionConfig& edition) {
    return QString("Copyright \u00a9 %1. All rights reserved.")
        .arg(QString::fromStdString(edition.Copyright));
}

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* NewBoldLabel(const char* name, const QString& text, QWidget* parent) {
    QLabel* label = NewLabel(name, text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QString Address(EditionPageKind kind) {
    return QString::fromStdString(EditionPage(ApplicationTitle().toStdString(), kind));
}

void ShowAddress(ClickLabel& label, const QString& address) {
    label.setText(address);
    label.setToolTip(address);
}

// A label showing a page address that opens the page when clicked.
ClickLabel* NewPageLabel(const char* name, EditionPageKind kind, QWidget* parent) {
    ClickLabel* label = NewAddressLabel(name, parent);
    ShowAddress(*label, Address(kind));
    QObject::connect(label, &ClickLabel::clicked, label,
                     [kind] { OpenEditionPage(ApplicationTitle().toStdString(), kind); });
    return label;
}

QPushButton* NewOkButton(const QString& caption, QDialog* dialog) {
    auto* button = new QPushButton(caption, dialog);
    button->setObjectName("ButtonOK");
    button->setDefault(true);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    return button;
}

QWidget* NewAboutTab(const EditionConfig& edition) {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheetAbout");
    NewBoldLabel("LabalTitle",
                 QString("%1 %2").arg(ApplicationTitle(), QString::fromStdString(edition.Version)),
                 tab)
        ->setGeometry(16, 18, 380, 22);
    NewLabel("LabelCopyright", RightsNotice(edition), tab)->setGeometry(16, 46, 380, 20);
    NewLabel("LabelWebCaption", "Web site:", tab)->setGeometry(16, 96, 380, 18);
    // The web-site label opens the address it shows.
    ClickLabel* web = NewAddressLabel("LabelWeb", tab);
    ShowAddress(*web, Address(EditionPageKind::HomePage));
    web->setGeometry(16, 116, 380, 18);
    QObject::connect(web, &ClickLabel::clicked, web,
                     [web] { OpenAddress(web->text().toStdString()); });
    NewLabel("LabelSupportCaption", "Support:", tab)->setGeometry(16, 148, 380, 18);
    NewPageLabel("LabelSupportEmail", EditionPageKind::Support, tab)->setGeometry(16, 168, 380, 18);
    return tab;
}

QWidget* NewUpdateTab(const EditionConfig& edition) {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheetUpdate");
    NewBoldLabel("LabelCheckForUpdate", "Check for update", tab)->setGeometry(16, 14, 380, 20);
    QLabel* hint = NewLabel(
        "LabelUpdateHint",
        "To ensure you're using the latest version, click on the \r\nUpdates button below.", tab);
    hint->setGeometry(16, 38, 380, 36);
    auto* updates = new QPushButton("&Updates...", tab);
    updates->setObjectName("ButtonUpdates");
    updates->setGeometry(16, 80, 110, 26);
    QObject::connect(updates, &QPushButton::clicked, updates, [] {
        OpenEditionPage(ApplicationTitle().toStdString(), EditionPageKind::Updates);
    });
    NewBoldLabel("LabelProductInformation", "Product information", tab)
        ->setGeometry(16, 126, 380, 20);
    auto* group = new QGroupBox(tab);
    group->setObjectName("GroupBoxProduct");
    group->setGeometry(16, 150, 380, 64);
    auto* row = new QHBoxLayout(group);
    row->addWidget(NewLabel("LabelVersionCaption", "Version:", group));
    row->addWidget(NewLabel("LabelVersion", QString::fromStdString(edition.Version), group), 1);
    return tab;
}

}  // namespace

TfrmAbout::TfrmAbout(const EditionConfig& edition, QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString("About %1").arg(ApplicationTitle()));
    setFixedSize(kSimpleSize);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    QLabel* icon = NewLabel("ImageIcon", QString(), this);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    icon->setGeometry(18, 18, 48, 48);
    NewBoldLabel("LabelAppName", ApplicationTitle(), this)->setGeometry(82, 16, 345, 22);
    NewLabel("LabelVersion", QString("Version %1").arg(QString::fromStdString(edition.Version)),
             this)
        ->setGeometry(82, 40, 345, 18);
    NewLabel("LabelCopyRight", RightsNotice(edition), this)->setGeometry(82, 60, 345, 18);
    QLabel* warning = NewLabel(
        "LabelWarning",
        "Warning: this program is protected by copyright law. Copying or distributing it, or "
        "any part of it, without the permission of the rights holder is not allowed and may be "
        "prosecuted.",
        this);
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    warning->setGeometry(82, 86, 345, 64);
    NewPageLabel("LabelWeb", EditionPageKind::HomePage, this)->setGeometry(82, 158, 345, 18);
    NewOkButton("OK", this)->setGeometry(347, 181, 82, 26);
}

TFormAbout::TFormAbout(const EditionConfig& edition, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("FormAbout");
    setWindowTitle("About ");
    setFixedSize(kTabbedSize);

    auto* panel = new QWidget(this);
    panel->setObjectName("PanelmageLeft");
    panel->setGeometry(kLeftPanel);
    ClickLabel* picture = new ClickLabel(panel);
    picture->setObjectName("ImageLeft");
    picture->setAlignment(Qt::AlignCenter);
    picture->setGeometry(kLeftPanel.adjusted(8, 8, -8, -8));
    const QPixmap logo(QString::fromStdString(ImageFolder(edition) + "leftlogo.png"));
    if (!logo.isNull()) {
        picture->setPixmap(
            logo.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    connect(picture, &ClickLabel::clicked, this,
            [] { OpenEditionPage(ApplicationTitle().toStdString(), EditionPageKind::Updates); });

    auto* pages = new QTabWidget(this);
    pages->setObjectName("PageControl");
    pages->setGeometry(kLeftPanel.right() + 12, 12, kTabbedSize.width() - kLeftPanel.width() - 24,
                       kTabbedSize.height() - 62);
    pages->addTab(NewAboutTab(edition), "About");
    pages->addTab(NewUpdateTab(edition), "Update");
    NewOkButton("&OK", this)
        ->setGeometry(kTabbedSize.width() - 12 - 90, kTabbedSize.height() - 40, 90, 28);
}

QPoint CentredOver(const QRect& main, const QSize& size) {
    // Integer division of C++ rounds toward zero, also for a window taller than the main one.
    return {main.left() + (main.width() - size.width()) / 2,
            main.top() + (main.height() - size.height()) / 2};
}

void ShowAboutWindow(const EditionConfig& edition, QWidget& main) {
    const EditionRow* row = FindEdition(ApplicationTitle().toStdString());
    std::unique_ptr<QDialog> about;
    if (row && row->SimpleAbout) {
        about = std::make_unique<TfrmAbout>(edition, &main);
    } else {
        about = std::make_unique<TFormAbout>(edition, &main);
    }
    about->move(CentredOver(QRect(main.pos(), main.size()), about->size()));
    ExecModal(*about);
}

}  // namespace mw
