// The A-B marks, jumping to the marks and the ends, skipping by ten
// seconds, the play speeds and the screenshot command. Positions are in
// hundredths of a second; the marked range is the slider's selection.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "settings/CSettings.h"

#include <cstdint>
#include <string>

namespace {

constexpr int kSkipStep = 1000;  // ten seconds
// Fast speeds double up to this and then start over.
constexpr double kRateLimit = 64.0;

}  // namespace

void CPlayerDlg::SetMarkStart() {
    if (!player) {
        return;
    }
    const int position = positionSlider->value();
    if (position > markEnd) {
        return;
    }
    markStart = position;
    SetLoop(true, true);
}

void CPlayerDlg::SetMarkEnd() {
    if (!player) {
        return;
    }
    const int position = positionSlider->value();
    if (position < markStart) {
        return;
    }
    markEnd = position;
    SetLoop(true, true);
    player->SetPosition(markStart);
}

// Clearing the marks leaves the whole medium looping.
void CPlayerDlg::MarkAll() {
    if (!player) {
        return;
    }
    markStart = 0;
    markEnd = player->GetDuration();
    SetLoop(true, true);
}

void CPlayerDlg::JumpToMarkStart() {
    if (!player) {
        return;
    }
    if (startToggle == 1) {
        startToggle = 0;
        player->SetPosition(markStart);
    } else {
        startToggle = 1;
        player->SetPosition(0);
    }
}

void CPlayerDlg::JumpToMarkEnd() {
    if (!player) {
        return;
    }
    if (endToggle == 3) {
        endToggle = 2;
        player->SetPosition(markEnd);
        // Reaching the mark end while looping is the end of the range.
        if (loop && playState == State_Running) {
            OnEndOfMedia(true);
        }
    } else {
        endToggle = 3;
        player->SetPosition(player->GetDuration());
    }
}

void CPlayerDlg::Skip(int steps) {
    if (!player) {
        return;
    }
    const int count = static_cast<std::int16_t>(steps);
    int target = player->GetPosition() + count * kSkipStep;
    if (target < 0) {
        if (playlistPosition > 1) {
            --playlistPosition;
            PlayPlaylistEntry();
            if (!player) {
                return;
            }
            target = player->GetDuration() - kSkipStep;
        } else {
            target = 0;
        }
    }
    player->SetPosition(target);
}

void CPlayerDlg::SkipForward() {
    Skip(1);
}

void CPlayerDlg::SkipBackward() {
    Skip(-1);
}

// 2, 4, 8, 16, 32, then normal again; a refused rate is normal speed.
void CPlayerDlg::PlayFastForwards() {
    if (!player) {
        return;
    }
    const double rate = player->GetRate() * 2;
    if (rate <= 0 || rate >= kRateLimit || FAILED(player->SetRate(rate))) {
        player->SetRate(1.0);
    }
}

// -1, -2, -4, -8, -16, -32, then -1 again.
void CPlayerDlg::PlayFastBackwards() {
    if (!player) {
        return;
    }
    double rate = player->GetRate() * 2;
    if (rate >= 0 || rate <= -kRateLimit) {
        rate = -1.0;
    }
    if (FAILED(player->SetRate(rate))) {
        player->SetRate(-1.0);
    }
}

void CPlayerDlg::PlaySlowForwards() {
    if (player && FAILED(player->SetRate(0.5))) {
        player->SetRate(1.0);
    }
}

void CPlayerDlg::PlaySlowBackwards() {
    if (player && FAILED(player->SetRate(-0.5))) {
        player->SetRate(1.0);
    }
}

// The engine adds "_<frame>.bmp" to the folder and the film's name.
void CPlayerDlg::OnScreenshot() {
    if (!player || player->HasVideo() != S_OK) {
        return;
    }
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const std::string base = dot < 0 ? std::string() : fileName.left(dot).toStdString();
    std::string prefix = settings->screenshotDirectory;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    player->SaveScreenshot(prefix + base);
}
