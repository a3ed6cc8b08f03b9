#include "engine/options/OptionRecords.h"

namespace mw {

void InitInputOptions(TInputOptions& options) {
    options = TInputOptions{};
}

void InitOutputOptions(TOutputOptions& options) {
    options = TOutputOptions{};
}

}  // namespace mw
