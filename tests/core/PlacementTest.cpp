#include <gtest/gtest.h>

#include "core/Ini.h"
#include "core/Placement.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(Placement, RestoredPositionStaysOnTheScreen) {
    const ScreenSize screen{1920, 1080};
    const WindowPlacement current{100, 100, 772, 560, false};
    // The stored values as the file holds them: x, y, width, height, maximized.
    struct Case {
        const char* X;
        const char* Y;
        const char* Width;
        const char* Height;
        const char* Maximized;
        int Left, Top;
    };
    const Case cases[] = {
        {"5000", "100", "772", "560", "0", 1148, 100},
        {"-30", "-5", "772", "560", "0", 0, 0},
        {"300", "700", "772", "560", "1", 300, 520},
        // A stored size only bounds the position; one larger than the screen is bounded by it.
        {"1500", "900", "100", "50", "0", 1500, 900},
        {"50", "50", "4000", "3000", "0", 0, 0},
        // A size of zero or less is no size: the window's own bounds the position.
        {"5000", "5000", "0", "0", "0", 1148, 520},
        {"5000", "5000", "-772", "-560", "0", 1148, 520},
        {"1900", "1070", "-1", "-1", "0", 1148, 520},
        // Coordinates and sizes at the limits of the integers.
        {"2147483000", "2147483000", "772", "560", "0", 1148, 520},
        {"2147483647", "2147483647", "2147483647", "2147483647", "0", 0, 0},
        {"-2147483648", "-2147483648", "-2147483648", "-2147483648", "0", 0, 0},
        {"$7FFFFFFF", "$80000000", "$80000000", "$7FFFFFFF", "0", 1148, 0},
        {"2147483647", "0", "-2147483648", "0", "0", 1148, 0},
    };
    test::TempDir dir;
    const std::string path = dir.File("system.dat");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.X) + "," + c.Y + " " + c.Width + "x" + c.Height);
        test::WriteTextFile(path, std::string("[Form]\nx=") + c.X + "\ny=" + c.Y +
                                      "\nwidth=" + c.Width + "\nheight=" + c.Height +
                                      "\nmaximized=" + c.Maximized + "\n");
        const WindowPlacement stored = ReadPlacement(Ini(path), "Form", current);
        const WindowPlacement restored = RestoredPlacement(stored, current, screen);
        EXPECT_EQ(restored.Left, c.Left);
        EXPECT_EQ(restored.Top, c.Top);
        EXPECT_EQ(restored.Maximized, std::string_view(c.Maximized) == "1");
        EXPECT_EQ(restored.Width, current.Width);  // the window keeps its own size
        EXPECT_EQ(restored.Height, current.Height);
    }
    // A window without a size yet still lands with its corner on the screen.
    const WindowPlacement unsized = RestoredPlacement({5000, 5000, 0, 0, false}, {}, screen);
    EXPECT_EQ(unsized.Left, 1919);
    EXPECT_EQ(unsized.Top, 1079);
}

TEST(Placement, SaveAndReadBack) {
    test::TempDir dir;
    const std::string path = PlacementFile("  ", dir.Path());
    EXPECT_EQ(path, dir.File("system.dat"));
    EXPECT_EQ(PlacementFile("/x/other.dat", dir.Path()), "/x/other.dat");

    Ini ini(path);
    const WindowPlacement current{10, 20, 300, 400, false};
    EXPECT_EQ(ReadPlacement(ini, "FormLog", current), current);  // nothing stored yet

    SavePlacement(ini, "Form", {15, 25, 560, 772, true});
    EXPECT_EQ(test::ReadTextFile(path), "[Form]\nx=15\ny=25\nheight=772\nwidth=560\nmaximized=1\n");
    EXPECT_EQ(ReadPlacement(Ini(path), "form", current), (WindowPlacement{15, 25, 560, 772, true}));
}

}  // namespace
}  // namespace mw
