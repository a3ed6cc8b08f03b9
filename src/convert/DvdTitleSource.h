#pragma once

#include <string>

#include "dvd/DvdTitleChoice.h"
#include "engine/input/InputSource.h"

namespace mw {

// A DVD title's chosen chapters as an input of the engine: read through the DVD plug-in in
// a reader process of its own, as one MPEG program stream, with the chosen audio stream and
// the chosen sub-picture stream to burn in.
class DvdTitleSource final : public InputSource {
public:
    // programDir holds the DVD reader and the plug-in's lib folder.
    DvdTitleSource(std::string programDir, DvdTitleChoice choice);

    // The root followed by "Title" and the title's number: the output is named after it.
    std::string Name() const override;
    std::string FormatName() const override { return "mpeg"; }
    std::unique_ptr<SourceStream> Open(std::string& error) const override;

    const DvdTitleChoice& Choice() const { return m_choice; }

private:
    std::string m_programDir;
    DvdTitleChoice m_choice;
};

// The demuxer's id of a DVD stream id (MPEG audio 0xC0.. is 0x1C0..).
int DemuxerStreamId(int dvdStreamId);
// A sub-picture colour of a program chain (0x00YYCrCb) as 0xRRGGBB.
std::uint32_t PaletteRgb(std::uint32_t yCrCb);

}  // namespace mw
