#pragma once

#include <QString>

namespace mw {

struct EditionConfig;

// The edition's name: the caption of the windows and of every message box.
const QString& ApplicationTitle();
void SetApplicationTitle(const QString& title);

// The program entry's part: the edition's name becomes the title, and the icon of its row
// in the edition table the application's icon.
void ApplyEditionTitle(const EditionConfig& edition);

}  // namespace mw
