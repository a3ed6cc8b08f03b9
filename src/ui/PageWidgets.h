#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace mw {

// Small building blocks shared by the wizard's pages.

// Names a new control and puts it at its place on the page.
template <typename Control>
Control* Placed(Control* control, const char* name, const QRect& geometry) {
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// Space or Enter without modifiers: the keys that press the control with the focus.
bool IsPressKey(const QKeyEvent& key);

// A label the mouse presses (a link, a picture) takes the focus from Tab, shows it with the
// theme's focus mark, and calls press on Space or Enter as on a click.
void MakePressable(QLabel& label, std::function<void()> press);

// The bold first line of a summary page.
QLabel* NewHeadingLabel(const char* name, QWidget* parent);

// A label that reads like a link; its linkActivated signal runs the action.
QLabel* NewLinkLabel(const char* name, const QString& text, QWidget* parent);

// A bar from 0 to 100 whose percentage is shown by a label beside it.
QProgressBar* NewPercentBar(const char* name, QWidget* parent);

// The folder picker of an output-folder box: on OK the box shows the chosen folder with a
// trailing separator and the setting takes that text at once.
void SelectFolderInto(QLineEdit& edit, std::string& setting);

// The second line of both summary pages, with the title filled in.
QString FinishHint(const QString& title);

}  // namespace mw
