#include "DvdSource.h"

#include "DVDSelectFrm.h"
#include "Dialogs.h"
#include "WorkerCall.h"
#include "dvd/DVDPlugIn.h"

namespace mw {

DvdSource::DvdSource(std::string programDir)
    : m_plugIn(std::make_unique<dvd::DVDPlugIn>(std::move(programDir))) {}

// The dialog goes before the plug-in whose reader it may still be using.
DvdSource::~DvdSource() = default;

std::optional<DvdTitleChoice> DvdSource::LoadDvd(QWidget* parent) {
    if (!m_plugIn->Loaded()) {
        m_plugIn->ClearCancel();
        const bool loaded =
            RunOnWorker([this] { return m_plugIn->Load(); }, QEventLoop::ExcludeUserInputEvents);
        if (!loaded) {
            ShowNotice(parent, QString::fromStdString(m_plugIn->LastErrorMessage()));
            return std::nullopt;
        }
    }
    if (!m_dialog) {
        m_dialog = std::make_unique<TfrmDVDSelect>(*m_plugIn, parent);
    }
    if (ExecModal(*m_dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return m_dialog->TitleChoice();
}

}  // namespace mw
