#include "engine/task/CustomFFmpeg.h"
#include "engine/options/OptionTable.h"

namespace mw {

void TCustomFFmpeg::SetOption(std::string_view name, std::string_view value) {
    const OptionRow* row = FindOption(name);
    if (!row) {
        SetLibraryOption(name, value);
    } else if (row->Handler) {
        row->Handler(*this, name, value);
    } else {
        StoreOption(*row, m_settings, value);
    }
}

void TCustomFFmpeg::SetLibraryOption(std::string_view name, std::string_view value) {
    m_libraryOptions.Set(name, value, [this](AVMediaType type) { return PendingEncoder(type); });
    if (m_libraryOptions.DebugRequested()) {
        TFFLogger::Instance().SetLogLevel(llDebug);
    }
}

void TCustomFFmpeg::CheckBitRate(AVMediaType type) {
    if (m_libraryOptions.BitRate(type) < 1000) {
        Log(llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not "
            "kbits/s");
    }
}

void TCustomFFmpeg::ApplyExtOptions(std::string_view text, OptionGroup group) {
    for (const OptionLine& line : ParseExtOptions(text)) {
        if (GroupOf(line.Name) == group) {
            SetOption(line.Name, line.Value);
        }
    }
}

}  // namespace mw
