#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "core/EditionConfig.h"

namespace mw {

// The About window of the small editions: on white, the icon, name, version, rights
// notice, legal warning and the home-page address.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const EditionConfig& edition, QWidget* parent = nullptr);
};

// The tabbed About window: the edition's picture beside an "About" and an "Update" tab.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(const EditionConfig& edition, QWidget* parent = nullptr);
};

// The top-left corner that centres a window of that size over the main window; the
// halves are rounded toward zero.
QPoint CentredOver(const QRect& main, const QSize& size);

// Shows the edition's About window modally, centred over the main window: TfrmAbout for
// the editions marked for it, TFormAbout for every other title.
void ShowAboutWindow(const EditionConfig& edition, QWidget& main);

}  // namespace mw
