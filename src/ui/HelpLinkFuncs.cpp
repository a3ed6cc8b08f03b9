#include "HelpLinkFuncs.h"

#include "core/Platform.h"

namespace mw {

void OpenAddress(std::string_view address) {
    if (!address.empty()) {
        OpenWithShell(address);
    }
}

void OpenEditionPage(std::string_view title, EditionPageKind kind) {
    OpenAddress(EditionPage(title, kind));
}

}  // namespace mw
