#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mw {

// A 24-bit BGR raster, top row first, each row padded to a multiple of 4 bytes.
struct Bitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    static int StrideFor(int width) { return (width * 3 + 3) & ~3; }
    int Stride() const { return StrideFor(Width); }
    bool Empty() const { return Width <= 0 || Height <= 0; }

    // Sizes the raster; the content is black.
    void Resize(int width, int height);
    std::uint8_t* Row(int y) { return Pixels.data() + static_cast<std::size_t>(y) * Stride(); }
    const std::uint8_t* Row(int y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * Stride();
    }
};

// The picture scaled to fit inside maxWidth x maxHeight with its shape kept.
Bitmap ScaleToFit(const Bitmap& source, int maxWidth, int maxHeight);

// Writes the picture as a PNG file, whole or not at all; an existing file keeps its name and
// the picture gets the next free "name(N).png". Returns the name written, or empty with a
// reason when that fails.
std::string SaveBitmapAsPng(const Bitmap& bitmap, const std::string& path, std::string& error);

}  // namespace mw
