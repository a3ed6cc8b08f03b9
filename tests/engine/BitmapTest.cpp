#include <gtest/gtest.h>

#include "engine/common/Bitmap.h"
#include "engine/probe/AVProbe.h"
#include "support/MediaFixture.h"
#include "support/TempDir.h"

namespace mw {
namespace {

Bitmap Solid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    Bitmap bitmap;
    bitmap.Resize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bitmap.Row(y) + 3 * x;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
    return bitmap;
}

TEST(Bitmap, ScaleToFitKeepsTheShape) {
    struct Case {
        int Width, Height, MaxWidth, MaxHeight, ExpectedWidth, ExpectedHeight;
    };
    const Case cases[] = {
        {1280, 720, 128, 88, 128, 72}, {720, 1280, 128, 88, 49, 88}, {100, 100, 128, 88, 88, 88},
        {64, 48, 128, 88, 117, 88},    {4000, 10, 128, 88, 128, 1},  {10, 0, 128, 88, 0, 0},
    };
    for (const Case& c : cases) {
        const Bitmap scaled =
            ScaleToFit(Solid(c.Width, c.Height, 0, 0, 255), c.MaxWidth, c.MaxHeight);
        EXPECT_EQ(scaled.Width, c.ExpectedWidth) << c.Width << "x" << c.Height;
        EXPECT_EQ(scaled.Height, c.ExpectedHeight) << c.Width << "x" << c.Height;
        if (!scaled.Empty()) {
            EXPECT_GT(scaled.Row(scaled.Height - 1)[3 * (scaled.Width - 1) + 2], 240);
        }
    }
}

TEST(Bitmap, SavedPngReadsBack) {
    test::TempDir dir;
    const std::string path = dir.File("picture.png");
    std::string error;
    ASSERT_EQ(SaveBitmapAsPng(Solid(31, 17, 255, 0, 0), path, error), path) << error;
    test::LoadEngineLibraries();
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(path)) << probe.LastErrorMessage();
    ASSERT_TRUE(probe.DecodeNextFrame(-1));
    Bitmap back;
    ASSERT_TRUE(probe.CopyToBitmap(back));
    ASSERT_EQ(back.Width, 31);
    ASSERT_EQ(back.Height, 17);
    EXPECT_EQ(back.Row(16)[3 * 30], 255);  // blue stays blue
    EXPECT_EQ(back.Row(16)[3 * 30 + 2], 0);

    EXPECT_EQ(SaveBitmapAsPng(Bitmap{}, path, error), "");
    EXPECT_EQ(SaveBitmapAsPng(Solid(2, 2, 0, 0, 0), dir.File("no/such/folder.png"), error), "");
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace mw
