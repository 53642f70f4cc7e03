#include "session/Transport.h"

#include "engine/CMediaPlayer.h"
#include "engine/VolumeScale.h"
#include "platform/PowerSaving.h"
#include "resource.h"
#include "session/LoopMarks.h"
#include "session/PlayerSession.h"
#include "settings/CSettings.h"

#include <algorithm>
#include <string>

Transport::Transport(PlayerSession& session, CSettings* settings)
    : session_(session), settings_(settings) {}

bool Transport::HasAudio() const {
    CMediaPlayer* player = session_.Player();
    return player && player->HasAudio() == S_OK;
}

bool Transport::HasVideo() const {
    CMediaPlayer* player = session_.Player();
    return player && player->HasVideo() == S_OK;
}

void Transport::PlayPause() {
    if (!session_.Player()) {
        return;
    }
    if (session_.State().play == State_Running) {
        Pause();
    } else {
        Play();
    }
}

void Transport::Play() {
    if (!session_.Player()) {
        return;
    }
    if (settings_->deactivatePowerManagement) {
        HoldOffPowerSaving();
    }
    session_.Update([](PlayerState& now) { now.play = State_Running; });
    if (playGate_ && !playGate_()) {
        return;
    }
    session_.Player()->Play();
    SetNormalSpeed();
}

void Transport::Pause() {
    if (CMediaPlayer* player = session_.Player()) {
        RestorePowerSaving();
        session_.Update([](PlayerState& now) { now.play = State_Paused; });
        player->Pause();
    }
}

void Transport::Stop(bool toMarkStart) {
    CMediaPlayer* player = session_.Player();
    if (!player) {
        return;
    }
    RestorePowerSaving();
    if (session_.FilePlayer() && player->GetPosition() != 0) {
        session_.History().SaveResumePosition();
        session_.Commands().SetEnabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE, true);
        session_.Commands().SetEnabled(IDTBB_JUMPLASTPOSITION, true);
    }
    if (toMarkStart) {
        player->SetPosition(session_.Loop().Marks().Start());
        return;
    }
    // Paused first: a pipeline plays on until a pause lands, and stop must
    // rest at the start.
    player->Pause();
    player->SetPosition(0);
    session_.Update([](PlayerState& now) { now.play = State_Stopped; });
}

void Transport::SetNormalSpeed() {
    if (CMediaPlayer* player = session_.Player()) {
        player->SetRate(1.0);
    }
}

void Transport::PlayFastForwards() {
    CMediaPlayer* player = session_.Player();
    if (player && FAILED(player->SetRate(NextFastForwardRate(player->GetRate())))) {
        player->SetRate(1.0);
    }
}

void Transport::PlayFastBackwards() {
    CMediaPlayer* player = session_.Player();
    if (player && FAILED(player->SetRate(NextFastBackwardRate(player->GetRate())))) {
        player->SetRate(-1.0);
    }
}

void Transport::PlaySlowForwards() {
    CMediaPlayer* player = session_.Player();
    if (player && FAILED(player->SetRate(0.5))) {
        player->SetRate(1.0);
    }
}

void Transport::PlaySlowBackwards() {
    CMediaPlayer* player = session_.Player();
    if (player && FAILED(player->SetRate(-0.5))) {
        player->SetRate(1.0);
    }
}

// The player refuses a disc's menu.
void Transport::StepFrame(bool forwards) {
    if (session_.State().play == State_Paused && HasVideo()) {
        session_.Player()->StepFrame(forwards);
    }
}

void Transport::ToggleMute() {
    if (!HasAudio() || !session_.Commands().IsEnabled(IDM_AUDIO_STUMM)) {
        return;
    }
    CMediaPlayer* player = session_.Player();
    if (session_.Commands().IsChecked(IDM_AUDIO_STUMM)) {
        player->SetVolume(volumeBeforeMute_ == kVolumeSilent ? kVolumeFull : volumeBeforeMute_);
    } else {
        volumeBeforeMute_ = player->GetVolume();
        player->SetVolume(kVolumeSilent);
    }
    ShowVolume();
}

void Transport::ShowVolume() {
    CMediaPlayer* player = session_.Player();
    if (!player) {
        return;
    }
    const int volume = player->GetVolume();
    session_.Update([volume](PlayerState& now) { now.volume = volume; });
    CommandStateTable& commands = session_.Commands();
    const bool silent = volume == kVolumeSilent;
    commands.SetChecked(IDM_AUDIO_STUMM, silent);
    commands.SetEnabled(IDM_AUDIO_LEISER, !silent);
    commands.SetEnabled(IDM_AUDIO_LAUTER, silent || volume < 0);
    if (silent) {
        commands.SetFace(IDTBB_MUTE, "Mute", "NoMute");
    } else {
        commands.SetFace(IDTBB_MUTE, "NoMute", "Mute");
    }
}

namespace {

int ShiftedDelay(int delay, int milliseconds) {
    return milliseconds == 0 ? 0
                             : std::clamp(delay + milliseconds, -Transport::kLongestDelay,
                                          Transport::kLongestDelay);
}

}  // namespace

void Transport::ShiftAudioDelay(int milliseconds) {
    CMediaPlayer* player = session_.Player();
    if (!player) {
        return;
    }
    const int delay = ShiftedDelay(session_.State().audioDelay, milliseconds);
    player->SetAudioDelay(delay);
    session_.Update([delay](PlayerState& now) { now.audioDelay = delay; });
}

void Transport::ShiftSubtitleDelay(int milliseconds) {
    CMediaPlayer* player = session_.Player();
    // A disc's subpictures keep its timing: the commands are greyed there.
    if (!player || !session_.Commands().IsEnabled(IDM_SUBTITLE_DELAY_RESET)) {
        return;
    }
    const int delay = ShiftedDelay(session_.State().subtitleDelay, milliseconds);
    player->SetSubtitleDelay(delay);
    session_.Update([delay](PlayerState& now) { now.subtitleDelay = delay; });
}

void Transport::VolumeUp() {
    if (!HasAudio()) {
        return;
    }
    CMediaPlayer* player = session_.Player();
    const int percent = volume_slider::PositionFromVolume(player->GetVolume());
    if (percent < 100) {
        player->SetVolume(volume_slider::VolumeFromPosition(std::min(100, percent + 1)));
    }
    ShowVolume();
}

void Transport::VolumeDown() {
    if (!HasAudio()) {
        return;
    }
    CMediaPlayer* player = session_.Player();
    const int percent = volume_slider::PositionFromVolume(player->GetVolume());
    if (percent > 0) {
        volumeBeforeMute_ = player->GetVolume();
        player->SetVolume(volume_slider::VolumeFromPosition(std::max(0, percent - 1)));
        ShowVolume();
    }
}

void Transport::SetVolume(int volume) {
    if (CMediaPlayer* player = session_.Player()) {
        player->SetVolume(volume);
        ShowVolume();
    }
}

void Transport::Screenshot() {
    if (!HasVideo()) {
        return;
    }
    const QString& name = session_.State().name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const std::string base = dot < 0 ? std::string() : name.left(dot).toStdString();
    std::string prefix = settings_->screenshotDirectory;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    session_.Player()->SaveScreenshot(prefix + base);
}

bool Transport::ShutdownArmed() const {
    return session_.Commands().IsChecked(IDM_WIEDERGABE_SHUTDOWN);
}

void Transport::ToggleShutdown() {
    const bool arm = !ShutdownArmed();
    session_.Commands().SetChecked(IDM_WIEDERGABE_SHUTDOWN, arm);
    if (arm) {
        session_.Commands().SetFace(IDTBB_SHUTDOWN, "Shutdown", "NoShutdown");
    } else {
        session_.Commands().SetFace(IDTBB_SHUTDOWN, "NoShutdown", "Shutdown");
    }
}

void Transport::HoldOffPowerSaving() {
    if (HasVideo()) {
        SetPowerSavingActive(false);
        powerSavingHeldOff_ = true;
    }
}

void Transport::RestorePowerSaving() {
    if (HasVideo() && powerSavingHeldOff_) {
        SetPowerSavingActive(true);
        powerSavingHeldOff_ = false;
    }
}
