#pragma once

#include <QString>

namespace mw {

// The edition's name: the caption of the windows and of every message box.
const QString& ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace mw
