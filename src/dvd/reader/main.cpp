// The DVD reader: runs the DVD plug-in outside the program's process, so that a damaged or
// hostile disc that crashes the disc library ends this process only. It answers the
// program's requests on file descriptor 3 until the program closes it.
#include <cstring>

#include "PlugInLibrary.h"
#include "dvd/ReaderProtocol.h"
#include "dvd/TitleRecord.h"

namespace {

constexpr int kChannel = 3;

using namespace mw::dvd;

ReaderReply Answer(PlugInLibrary& library, const ReaderRequest& request) {
    ReaderReply reply;
    switch (request.Op) {
        case ReaderOp::Load:
            reply.Text = library.Load(request.Text);
            reply.Result = reply.Text.empty() ? 1 : 0;
            break;
        case ReaderOp::EnumTitle:
            reply.Result = library.Loaded() ? library.EnumTitle(request.Text) : 0;
            break;
        case ReaderOp::GetTitle: {
            if (!library.Loaded()) {
                break;
            }
            TDVDTitle record;
            std::memset(&record, 0, sizeof record);
            reply.Result = library.GetTitle(request.Argument, &record);
            if (reply.Result != 0) {
                reply.Data.assign(reinterpret_cast<const char*>(&record), sizeof record);
            } else {
                reply.Problem = library.TitleError(reply.Text);
            }
            break;
        }
    }
    return reply;
}

}  // namespace

int main() {
    PlugInLibrary library;
    ReaderRequest request;
    while (ReadRequest(kChannel, request)) {
        if (!WriteReply(kChannel, Answer(library, request))) {
            return 1;
        }
    }
    return 0;
}
