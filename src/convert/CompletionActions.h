#pragma once

#include <functional>
#include <string>

namespace mw {

struct UserSettings;

// What the end of a run may do to the machine; tests put their own in place.
class CompletionPlatform {
public:
    virtual ~CompletionPlatform() = default;
    // Starts playing a sound file and returns at once.
    virtual void PlaySound(const std::string& path) = 0;
    // Shuts the computer down and switches it off; the reason the system refused, empty
    // when it took the request.
    virtual std::string PowerOff() = 0;
};

// The real machine: an audio player for the sound, logind for the power.
CompletionPlatform& SystemCompletionPlatform();

// The sound of a run's end: sounds/done.wav when every file succeeded, else fail.wav.
std::string CompletionSound(int succeeded, int total);

// The 30-second countdown before a shutdown, driven by a one-second timer of its view.
class ShutdownCountdown {
public:
    static constexpr int kSeconds = 30;
    int SecondsLeft() const { return m_secondsLeft; }
    std::string Text() const;  // "Time left: 30"
    // One second passed; true when the countdown has run out.
    bool Tick();

private:
    int m_secondsLeft = kSeconds;
};

// The sound, then the shutdown offer. countdown shows the countdown and tells whether it
// ran out (true) or was cancelled. Gives the reason a power-off was refused, else empty.
std::string RunCompletionActions(const UserSettings& settings, int succeeded, int total,
                                 CompletionPlatform& platform,
                                 const std::function<bool()>& countdown);

}  // namespace mw
