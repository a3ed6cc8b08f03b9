#include "PageWidgets.h"

#include "Dialogs.h"
#include "core/UtilFuncs.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace mw {

QLabel* NewHeadingLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    label->setFont(bold);
    label->setGeometry(18, 16, 510, 24);
    return label;
}

QLabel* NewLinkLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(QString("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()), parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

QProgressBar* NewPercentBar(const char* name, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

void SelectFolderInto(QLineEdit& edit, std::string& setting) {
    std::string folder = setting;
    if (BrowseForFolder(edit.window(), folder, "Please select a folder")) {
        edit.setText(QString::fromStdString(WithTrailingBackslash(folder)));
        setting = edit.text().toStdString();
    }
}

QString FinishHint(const QString& title) {
    return QString("To convert other files, click \"Finish\". Click \"Exit\" to quit %1.")
        .arg(title);
}

}  // namespace mw
