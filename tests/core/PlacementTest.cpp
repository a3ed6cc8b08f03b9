#include <gtest/gtest.h>

#include "core/Ini.h"
#include "core/Placement.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(Placement, RestoredPositionStaysOnTheScreen) {
    const ScreenSize screen{1920, 1080};
    const WindowPlacement current{100, 100, 772, 560, false};
    struct Case {
        WindowPlacement Stored;
        int Left, Top;
        bool Maximized;
    };
    const Case cases[] = {
        {{5000, 100, 772, 560, false}, 1148, 100, false},
        {{-30, -5, 772, 560, false}, 0, 0, false},
        {{300, 700, 772, 560, true}, 300, 520, true},
        // A stored size larger than the screen is bounded by it first.
        {{50, 50, 4000, 3000, false}, 0, 0, false},
        {{2147483000, 2147483000, 772, 560, false}, 1148, 520, false},
    };
    for (const Case& c : cases) {
        const WindowPlacement restored = RestoredPlacement(c.Stored, current, screen);
        EXPECT_EQ(restored.Left, c.Left) << c.Stored.Left;
        EXPECT_EQ(restored.Top, c.Top) << c.Stored.Top;
        EXPECT_EQ(restored.Maximized, c.Maximized);
        EXPECT_EQ(restored.Width, current.Width);  // the window keeps its own size
        EXPECT_EQ(restored.Height, current.Height);
    }
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
