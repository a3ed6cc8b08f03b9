#include "engine/task/CustomFFmpeg.h"
#include "engine/EngineError.h"
#include "engine/files/OpenGuard.h"
#include "engine/files/OutputPlacement.h"
#include "engine/task/TaskFiles.h"

namespace mw {

void TCustomFFmpeg::OpenOutputFiles() {
    for (std::unique_ptr<OutputFile>& output : m_outputs) {
        AVFormatContext* muxer = output->Context.get();
        if (muxer->oformat->flags & AVFMT_NOFILE) {
            continue;
        }
        // The muxer was chosen from the final name; the temporary one only receives bytes.
        std::string target = output->LibraryName;
        if (!output->Path.empty()) {
            output->TemporaryPath = CreateTemporaryBeside(output->Path);
            target = "file:" + output->TemporaryPath;
        }
        AVDictionary* rawOptions = nullptr;
        RestrictProtocols(&rawOptions, target);
        const int opened =
            avio_open2(&muxer->pb, target.c_str(), AVIO_FLAG_WRITE, nullptr, &rawOptions);
        AVPtr<AVDictionary> unusedOptions(rawOptions);
        if (opened < 0) {
            throw EngineError(WriteErrorText(output->FileName, opened));
        }
    }
}

void TCustomFFmpeg::CommitOutputs() {
    for (std::unique_ptr<OutputFile>& output : m_outputs) {
        AVFormatContext* muxer = output->Context.get();
        if (muxer->pb) {
            avio_flush(muxer->pb);
            if (muxer->pb->error < 0) {
                throw EngineError(WriteErrorText(output->FileName, muxer->pb->error));
            }
            const int closed = avio_closep(&muxer->pb);
            if (closed < 0) {
                throw EngineError(WriteErrorText(output->FileName, closed));
            }
        }
    }
    for (std::unique_ptr<OutputFile>& output : m_outputs) {
        if (output->TemporaryPath.empty()) {
            m_writtenFiles.push_back(output->FileName);
            continue;
        }
        output->WrittenPath = ClaimFinalName(output->TemporaryPath, output->Path);
        output->TemporaryPath.clear();
        m_writtenFiles.push_back(output->WrittenPath);
    }
}

}  // namespace mw
