#include "Theme.h"

#include <QWidget>

#include "FormatPage.h"
#include "InputGrid.h"

namespace mw {

namespace {

constexpr const char* kStyle = R"(
QWidget { color: #1d2b3e; }
QPushButton {
    background: #ffffff; border: 1px solid #c5cfdc; border-radius: 5px;
    padding: 4px 10px; color: #1d2b3e;
}
QPushButton:hover { border-color: @accent; background: @light; }
QPushButton:pressed { background: @lighter; }
QPushButton:focus { border: 2px solid @accent; padding: 3px 9px; }
QPushButton:disabled { color: #9aa5b3; background: #f3f5f8; border-color: #dde3ea; }
QLineEdit, QComboBox {
    border: 1px solid #c5cfdc; border-radius: 4px; padding: 3px 6px; background: #ffffff;
    selection-background-color: @accent;
}
QLineEdit:focus, QComboBox:focus { border: 2px solid @accent; padding: 2px 5px; }
QComboBox QAbstractItemView { selection-background-color: @light; selection-color: #1d2b3e; }
QListView, QTreeView, QPlainTextEdit {
    border: 1px solid #d3dbe6; border-radius: 4px; background: #ffffff;
    selection-background-color: @light; selection-color: #1d2b3e;
}
QListView:focus, QTreeView:focus, QPlainTextEdit:focus { border: 2px solid @accent; }
QHeaderView::section {
    background: #eef2f7; border: none; border-right: 1px solid #d3dbe6;
    border-bottom: 1px solid #d3dbe6; padding: 4px 6px; font-weight: bold; color: #33445a;
}
QGroupBox {
    border: 1px solid #d3dbe6; border-radius: 6px; margin-top: 10px; padding-top: 8px;
    font-weight: bold; color: #33445a;
}
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }
QGroupBox QLabel, QGroupBox QCheckBox, QGroupBox QRadioButton { font-weight: normal; }
QProgressBar { border: 1px solid #c5cfdc; border-radius: 4px; background: #eef2f7; }
QProgressBar::chunk { background: @accent; border-radius: 3px; }
QLabel a { color: @accent; }
QLabel[pressable="true"] { border: 2px solid transparent; border-radius: 4px; }
QLabel[pressable="true"]:focus { border: 2px dotted @accent; }
)";

}  // namespace

void ApplyTheme(QWidget& pages, const QColor& accent) {
    QString style = kStyle;
    style.replace("@accent", accent.name());
    style.replace("@lighter", accent.lighter(160).name());
    style.replace("@light", accent.lighter(180).name());
    pages.setStyleSheet(style);
    QPalette palette = pages.palette();
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::Link, accent);
    pages.setPalette(palette);
    if (auto* formats = pages.findChild<FormatPage*>()) {
        formats->SetAccent(accent);
    }
    if (auto* grid = pages.findChild<NextGrid*>()) {
        grid->SetAccent(accent);
    }
}

}  // namespace mw
