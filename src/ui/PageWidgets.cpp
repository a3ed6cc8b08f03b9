#include "PageWidgets.h"

#include "Dialogs.h"
#include "core/UtilFuncs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace mw {

namespace {

// Presses its label on Space and Enter.
class PressKeys : public QObject {
public:
    PressKeys(QLabel& label, std::function<void()> press)
        : QObject(&label), m_press(std::move(press)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && IsPressKey(*static_cast<QKeyEvent*>(event))) {
            m_press();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_press;
};

}  // namespace

bool IsPressKey(const QKeyEvent& key) {
    return key.modifiers() == Qt::NoModifier &&
           (key.key() == Qt::Key_Space || key.key() == Qt::Key_Return ||
            key.key() == Qt::Key_Enter);
}

void MakePressable(QLabel& label, std::function<void()> press) {
    label.setProperty("pressable", true);
    label.setFocusPolicy(Qt::TabFocus);
    label.installEventFilter(new PressKeys(label, std::move(press)));
}

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
    MakePressable(*label, [label] { emit label->linkActivated("#"); });
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
