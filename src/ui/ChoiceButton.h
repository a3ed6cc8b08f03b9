#pragma once

#include "HoverButton.h"

namespace mw {

// A class or format button of the format page. The chosen one is disabled, and a disabled
// button is drawn as chosen: filled with the accent and ticked.
class ChoiceButton : public HoverButton {
    Q_OBJECT
public:
    ChoiceButton(const QString& caption, const QString& subtitle, QWidget* parent = nullptr);

    void SetAccent(const QColor& accent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_subtitle;
    QColor m_accent = QColor(0x2a, 0x74, 0xc9);
};

}  // namespace mw
