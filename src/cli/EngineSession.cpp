#include "EngineSession.h"

#include <cstdio>

#include "core/UtilFuncs.h"
#include "engine/FFmpegLoader.h"
#include "engine/FFmpegLogger.h"

namespace mw::cli {

EngineSession::EngineSession() {
    // The command line reports failures itself; the libraries' chatter stays quiet.
    TFFLogger::Instance().SetLogLevel(llQuiet);
    m_ready = LibrariesLoaded() || LoadLibraries(ProgramDir() + "lib");
    if (!m_ready) {
        std::fprintf(stderr, "mediawizard-cli: %s\n",
                     TFFmpegLoader::Instance().LastError().c_str());
    }
}

}  // namespace mw::cli
