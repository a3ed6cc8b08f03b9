#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dvd/DvdTitleChoice.h"

class QWidget;

namespace mw {

namespace dvd {
class DVDPlugIn;
}
class TfrmDVDSelect;

// The DVD plug-in and the title dialog of the program's run: the plug-in is loaded on the
// first request (and again after a failed load), the dialog is made on its first use and
// kept with its state.
class DvdSource {
public:
    // programDir holds the DVD reader and the lib folder with the plug-in.
    explicit DvdSource(std::string programDir);
    ~DvdSource();
    DvdSource(const DvdSource&) = delete;
    DvdSource& operator=(const DvdSource&) = delete;

    // Load DVD: loads the plug-in (its error text is shown when that fails), shows the
    // dialog, and returns the chosen title on OK.
    std::optional<DvdTitleChoice> LoadDvd(QWidget* parent);

    // The dialog once it was made.
    TfrmDVDSelect* Dialog() const { return m_dialog.get(); }
    dvd::DVDPlugIn& PlugIn() const { return *m_plugIn; }

private:
    std::unique_ptr<dvd::DVDPlugIn> m_plugIn;
    std::unique_ptr<TfrmDVDSelect> m_dialog;
};

}  // namespace mw
