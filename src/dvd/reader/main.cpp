// The DVD reader: runs the DVD plug-in outside the program's process, so that a damaged or
// hostile disc that crashes the disc library ends this process only. It answers the
// program's requests on file descriptor 3 until the program closes it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "PlugInLibrary.h"
#include "dvd/ChapterStreamInfo.h"
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
        case ReaderOp::OpenChapters: {
            TDVDChapterStream info{};
            if (library.Loaded() && library.OpenChapters(request.Argument, request.Argument2,
                                                         request.Argument3, &info, reply.Text)) {
                reply.Result = 1;
                reply.Data.assign(reinterpret_cast<const char*>(&info), sizeof info);
            }
            break;
        }
        case ReaderOp::ReadChapters: {
            if (!library.Loaded() || request.Argument2 < 0 || request.Argument2 > kMaxReadSectors) {
                reply.Result = -1;
                break;
            }
            reply.Data.resize(static_cast<std::size_t>(request.Argument2) * kSectorSize);
            reply.Result =
                library.ReadChapters(request.Argument, request.Argument2, reply.Data.data());
            if (reply.Result > request.Argument2) {
                reply.Result = -1;
            }
            reply.Data.resize(
                reply.Result > 0 ? static_cast<std::size_t>(reply.Result) * kSectorSize : 0);
            break;
        }
        case ReaderOp::ChapterWindows: {
            if (!library.Loaded()) {
                break;
            }
            constexpr int kMaxWindows = kMaxFrameData / sizeof(TDVDStreamWindow);
            std::vector<TDVDStreamWindow> windows(kMaxWindows);
            reply.Result =
                std::clamp(library.ChapterWindows(windows.data(), kMaxWindows), 0, kMaxWindows);
            reply.Data.assign(reinterpret_cast<const char*>(windows.data()),
                              static_cast<std::size_t>(reply.Result) * sizeof(TDVDStreamWindow));
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
