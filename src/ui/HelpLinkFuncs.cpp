#include "HelpLinkFuncs.h"

#include "core/Platform.h"

namespace mw {

void OpenEditionPage(std::string_view title, EditionPageKind kind) {
    const std::string address = EditionPage(title, kind);
    if (!address.empty()) {
        OpenWithShell(address);
    }
}

}  // namespace mw
