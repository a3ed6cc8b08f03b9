#include "CompletionActions.h"

#include "core/Platform.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

class SystemPlatform final : public CompletionPlatform {
public:
    void PlaySound(const std::string& path) override { PlaySoundFileAsync(path); }
    std::string PowerOff() override { return PowerOffComputer(); }
};

}  // namespace

CompletionPlatform& SystemCompletionPlatform() {
    static SystemPlatform platform;
    return platform;
}

std::string CompletionSound(int succeeded, int total) {
    return ProgramDir() + (succeeded < total ? "sounds/fail.wav" : "sounds/done.wav");
}

std::string ShutdownCountdown::Text() const {
    return "Time left: " + std::to_string(m_secondsLeft);
}

bool ShutdownCountdown::Tick() {
    --m_secondsLeft;
    return m_secondsLeft < 0;
}

std::string RunCompletionActions(const UserSettings& settings, int succeeded, int total,
                                 CompletionPlatform& platform,
                                 const std::function<bool()>& countdown) {
    if (settings.PlayASoundWhenFinished) {
        platform.PlaySound(CompletionSound(succeeded, total));
    }
    if (settings.ShutDownWhenFinished && countdown && countdown()) {
        return platform.PowerOff();
    }
    return {};
}

}  // namespace mw
