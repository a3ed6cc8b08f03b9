#include <gtest/gtest.h>

#include "convert/CompletionActions.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {
namespace {

// Records what the end of a run asked of the machine; it never touches the real one.
class RecordingPlatform final : public CompletionPlatform {
public:
    void PlaySound(const std::string& path) override { Events.push_back("sound " + path); }
    std::string PowerOff() override {
        Events.push_back("power off");
        return Refusal;
    }
    std::vector<std::string> Events;
    std::string Refusal;
};

TEST(CompletionActions, SoundThenShutdownOffer) {
    const std::string done = ProgramDir() + "sounds/done.wav";
    const std::string fail = ProgramDir() + "sounds/fail.wav";
    EXPECT_EQ(CompletionSound(3, 3), done);
    EXPECT_EQ(CompletionSound(2, 3), fail);
    EXPECT_EQ(CompletionSound(1, 3), fail);  // a cancelled run

    struct Case {
        bool Sound, Shutdown, CountdownRunsOut;
        std::string Refusal;  // what the system answers a power-off
        std::vector<std::string> Events;
        std::string Reported;
    };
    const Case cases[] = {
        {false, false, true, "", {}, ""},
        {true, false, true, "", {"sound " + done}, ""},
        {true, true, false, "Access denied", {"sound " + done, "countdown"}, ""},
        {true, true, true, "", {"sound " + done, "countdown", "power off"}, ""},
        {false, true, true, "", {"countdown", "power off"}, ""},
        {false, true, true, "Access denied", {"countdown", "power off"}, "Access denied"},
    };
    for (const Case& c : cases) {
        UserSettings settings;
        settings.PlayASoundWhenFinished = c.Sound;
        settings.ShutDownWhenFinished = c.Shutdown;
        RecordingPlatform platform;
        platform.Refusal = c.Refusal;
        const std::string reported = RunCompletionActions(settings, 3, 3, platform, [&] {
            platform.Events.push_back("countdown");
            return c.CountdownRunsOut;
        });
        EXPECT_EQ(platform.Events, c.Events);
        EXPECT_EQ(reported, c.Reported);
    }
}

TEST(CompletionActions, CountdownShowsThirtyToZeroThenRunsOut) {
    ShutdownCountdown countdown;
    EXPECT_EQ(countdown.Text(), "Time left: 30");
    for (int shown = 29; shown >= 0; --shown) {
        EXPECT_FALSE(countdown.Tick());
        EXPECT_EQ(countdown.Text(), "Time left: " + std::to_string(shown));
    }
    EXPECT_TRUE(countdown.Tick());  // one second after 0 was shown
}

}  // namespace
}  // namespace mw
