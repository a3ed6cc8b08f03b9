#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Interrupt.h"
#include "dvd/DvdTitleChoice.h"
#include "formats/FormatCatalog.h"

namespace mw::cli {

// What a conversion run of the command line converts and how.
struct ConversionRequest {
    const OutputFormat* Format = nullptr;
    int Preset = 0;
    std::string Folder;  // created with its parents when missing
    std::vector<std::string> Files;
    std::optional<DvdTitleChoice> DvdTitle;  // a row before the files
    bool Join = false;
    int Jobs = 1;
    // Each file is probed as it joins the list, as the open dialog of the input page adds
    // files; otherwise the run probes each file when it queues it.
    bool ProbeWhenAdded = false;
};

// Sets the request's format and preset row (the format's own without one); on bad values,
// what is wrong with them.
std::string ChooseFormat(const std::string& name, const std::optional<std::string>& preset,
                         ConversionRequest& request);

// Runs the conversion as the wizard does, its rows' states on standard output and its
// summary after them. An interrupt cancels the run. Returns the command's exit status.
int RunConversion(const ConversionRequest& request, const InterruptRequest& interrupt);

}  // namespace mw::cli
