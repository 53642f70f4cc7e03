// Play, pause and stop, the speeds and frame steps, volume and mute, the
// screenshot, the power saving that playback holds off and the shutdown
// after playback, carried out on the session's engine. The views learn what
// changed from the session's state and command table.
#pragma once

#include <functional>

class CSettings;
class PlayerSession;

class Transport {
public:
    Transport(PlayerSession& session, CSettings* settings);

    // Asked before the engine starts playing; false (the medium went while
    // it waited) leaves the engine as it is.
    void SetPlayGate(std::function<bool()> gate) { playGate_ = std::move(gate); }

    void PlayPause();
    void Play();
    void Pause();
    // Back to the start, stopped; with `toMarkStart` only to the mark start.
    void Stop(bool toMarkStart);

    // A refused rate is normal speed.
    void SetNormalSpeed();
    void PlayFastForwards();
    void PlayFastBackwards();
    void PlaySlowForwards();
    void PlaySlowBackwards();
    // Only a paused picture steps.
    void StepFrame(bool forwards);

    // The sound's and the subtitles' delay against the picture moves by
    // `milliseconds` (the steps are kDelayStep), within kLongestDelay either
    // way; 0 sets it back to none. Kept in the state; a new medium has none.
    void ShiftAudioDelay(int milliseconds);
    void ShiftSubtitleDelay(int milliseconds);
    static constexpr int kDelayStep = 50;
    static constexpr int kLongestDelay = 10000;

    void ToggleMute();
    void VolumeUp();
    void VolumeDown();
    // The volume slider was moved.
    void SetVolume(int volume);
    // The engine's volume as it is now: the mute check, the volume commands'
    // states and the mute button.
    void ShowVolume();

    // "_<frame>.bmp" after the screenshot folder and the film's name.
    void Screenshot();

    void ToggleShutdown();
    bool ShutdownArmed() const;

    // Playing a film keeps the screen on, when the settings ask for it.
    void HoldOffPowerSaving();
    void RestorePowerSaving();

private:
    bool HasAudio() const;
    bool HasVideo() const;

    PlayerSession& session_;
    CSettings* settings_;
    std::function<bool()> playGate_;
    int volumeBeforeMute_ = 0;
    bool powerSavingHeldOff_ = false;
};
