#include "engine/common/Bitmap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "engine/EngineError.h"
#include "engine/codecs/Codecs.h"
#include "engine/common/AVError.h"
#include "engine/common/AVPtr.h"
#include "engine/files/OutputPlacement.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
}

namespace mw {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void Bitmap::Resize(int width, int height) {
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    Pixels.assign(static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(Height), 0);
}

Bitmap ScaleToFit(const Bitmap& source, int maxWidth, int maxHeight) {
    if (source.Empty() || maxWidth <= 0 || maxHeight <= 0) {
        return Bitmap{};
    }
    // Scale by the tighter of the two bounds, in 64 bits so that huge sizes cannot overflow.
    long long width = maxWidth;
    long long height = static_cast<long long>(source.Height) * maxWidth / source.Width;
    if (height > maxHeight) {
        height = maxHeight;
        width = static_cast<long long>(source.Width) * maxHeight / source.Height;
    }
    Bitmap target;
    target.Resize(static_cast<int>(std::max(width, 1LL)), static_cast<int>(std::max(height, 1LL)));
    AVPtr<SwsContext> scaler(sws_getContext(source.Width, source.Height, AV_PIX_FMT_BGR24,
                                            target.Width, target.Height, AV_PIX_FMT_BGR24, SWS_AREA,
                                            nullptr, nullptr, nullptr));
    if (!scaler) {
        return Bitmap{};
    }
    const std::uint8_t* sourcePlanes[4] = {source.Pixels.data(), nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {source.Stride(), 0, 0, 0};
    std::uint8_t* targetPlanes[4] = {target.Pixels.data(), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {target.Stride(), 0, 0, 0};
    sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, source.Height, targetPlanes,
              targetStrides);
    return target;
}

std::string SaveBitmapAsPng(const Bitmap& bitmap, const std::string& path, std::string& error) {
    if (bitmap.Empty()) {
        error = "no picture";
        return std::string();
    }
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    CodecContextPtr context = codec ? AllocateCodec(codec) : nullptr;
    AVPtr<AVFrame> frame = MakeFrame();
    AVPtr<AVPacket> packet = MakePacket();
    if (!context || !frame || !packet) {
        error = "the PNG encoder is not available";
        return std::string();
    }
    context->width = bitmap.Width;
    context->height = bitmap.Height;
    context->time_base = AVRational{1, 25};
    // PNG stores RGB; the BGR rows are swapped while filling the encoder's frame.
    context->pix_fmt = AV_PIX_FMT_RGB24;
    frame->format = AV_PIX_FMT_RGB24;
    frame->width = bitmap.Width;
    frame->height = bitmap.Height;
    int result = OpenCodec(context.get(), codec);
    if (result >= 0) {
        result = av_frame_get_buffer(frame.get(), 0);
    }
    if (result < 0) {
        error = AVErrorText(result);
        return std::string();
    }
    for (int y = 0; y < bitmap.Height; ++y) {
        const std::uint8_t* in = bitmap.Row(y);
        std::uint8_t* out = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < bitmap.Width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    result = avcodec_send_frame(context.get(), frame.get());
    if (result >= 0) {
        result = avcodec_receive_packet(context.get(), packet.get());
    }
    if (result < 0) {
        error = AVErrorText(result);
        return std::string();
    }
    try {
        const std::string temporary = CreateTemporaryBeside(path);
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
        const std::size_t size = static_cast<std::size_t>(packet->size);
        const bool written = file && std::fwrite(packet->data, 1, size, file.get()) == size &&
                             std::fclose(file.release()) == 0;
        if (!written) {
            error = std::strerror(errno);
            unlink(temporary.c_str());
            return std::string();
        }
        return ClaimFinalName(temporary, path);
    } catch (const EngineError& failure) {
        error = failure.what();
        return std::string();
    }
}

}  // namespace mw
