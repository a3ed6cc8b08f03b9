#pragma once

#include <string_view>

#include "core/EditionTable.h"

namespace mw {

// Opens a page address in the browser; the empty address of an edition without pages
// opens nothing.
void OpenAddress(std::string_view address);

// Opens the edition's page of that kind in the browser.
void OpenEditionPage(std::string_view title, EditionPageKind kind);

}  // namespace mw
