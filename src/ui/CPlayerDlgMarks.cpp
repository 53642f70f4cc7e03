// The A-B marks and the jumps to the marks and the ends over the window's
// LoopMarks, skipping by ten seconds, the play speeds and the screenshot
// command. Positions are in hundredths of a second; the marked range is the
// slider's selection.
#include "ui/CPlayerDlg.h"

#include <algorithm>

#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "settings/CSettings.h"

#include <string>

void CPlayerDlg::SetMarkStart() {
    if (player && marks.SetStart(bars.position->value())) {
        SetLoop(true, true);
    }
}

void CPlayerDlg::SetMarkEnd() {
    if (player && marks.SetEnd(bars.position->value())) {
        SetLoop(true, true);
        player->SetPosition(marks.Start());
    }
}

void CPlayerDlg::MarkAll() {
    if (player) {
        marks.MarkAll(player->GetDuration());
        SetLoop(true, true);
    }
}

void CPlayerDlg::JumpToMarkStart() {
    if (player) {
        player->SetPosition(marks.HomeTarget());
    }
}

void CPlayerDlg::JumpToMarkEnd() {
    if (!player) {
        return;
    }
    bool rangeEnd = false;
    player->SetPosition(
        marks.EndTarget(player->GetDuration(), session.State().play == State_Running, &rangeEnd));
    if (rangeEnd) {
        OnEndOfMedia(true);
    }
}

// Back past the start of a playlist item opens the one before, ten seconds
// before its end.
void CPlayerDlg::Skip(int steps) {
    if (!player) {
        return;
    }
    int target = SkipTarget(player->GetPosition(), steps);
    if (target < 0 && playlist.Current() > 1) {
        playlist.PlayItem(playlist.Current() - 1, [this](bool played) {
            if (played && player) {
                player->SetPosition(SkipTarget(player->GetDuration(), -1));
            }
        });
        return;
    }
    player->SetPosition(std::max(target, 0));
}

// Only a paused picture steps; the player refuses a disc's menu.
void CPlayerDlg::StepFrame(bool forwards) {
    if (player && session.State().play == State_Paused && videoArea.HasVideo()) {
        player->StepFrame(forwards);
    }
}

// A refused rate is normal speed.
void CPlayerDlg::PlayFastForwards() {
    if (player && FAILED(player->SetRate(NextFastForwardRate(player->GetRate())))) {
        player->SetRate(1.0);
    }
}

void CPlayerDlg::PlayFastBackwards() {
    if (player && FAILED(player->SetRate(NextFastBackwardRate(player->GetRate())))) {
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
    const qsizetype dot = session.State().name.lastIndexOf(u'.');
    const std::string base = dot < 0 ? std::string() : session.State().name.left(dot).toStdString();
    std::string prefix = settings->screenshotDirectory;
    if (prefix.empty() || prefix.back() != '/') {
        prefix += '/';
    }
    player->SaveScreenshot(prefix + base);
}
