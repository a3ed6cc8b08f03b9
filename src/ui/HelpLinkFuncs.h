#pragma once

#include <string_view>

#include "core/EditionTable.h"

namespace mw {

// Opens the edition's page of that kind in the browser; an edition without one opens
// nothing.
void OpenEditionPage(std::string_view title, EditionPageKind kind);

}  // namespace mw
