#pragma once

#include <QColor>

class QWidget;

namespace mw {

// The look of the controls on the pages, in the skin's accent colour.
void ApplyTheme(QWidget& pages, const QColor& accent);

}  // namespace mw
