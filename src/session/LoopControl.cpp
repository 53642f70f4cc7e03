#include "session/LoopControl.h"

#include "engine/CMediaPlayer.h"
#include "resource.h"
#include "session/PlayerSession.h"

void LoopControl::Reset(int duration) {
    marks_.Reset(duration);
    if (session_.Commands().IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE)) {
        ShowRange(true);
    }
}

void LoopControl::Toggle() {
    Set(!session_.Commands().IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE), true);
}

void LoopControl::Set(bool on, bool showRange) {
    session_.Commands().SetChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE, on);
    marks_.SetLooping(on);
    if (on) {
        session_.Commands().SetFace(IDTBB_LOOP, "Loop", "NoLoop");
    } else {
        session_.Commands().SetFace(IDTBB_LOOP, "NoLoop", "Loop");
    }
    if (showRange) {
        ShowRange(on);
    }
}

void LoopControl::ShowRange(bool show) {
    std::optional<PlayerState::Range> range;
    if (show) {
        range = PlayerState::Range{marks_.Start(), marks_.End()};
    }
    session_.Update([&](PlayerState& now) { now.shownMarks = range; });
}

void LoopControl::SetMarkStart(int position) {
    if (session_.Player() && marks_.SetStart(position)) {
        Set(true, true);
    }
}

void LoopControl::SetMarkEnd(int position) {
    if (session_.Player() && marks_.SetEnd(position)) {
        Set(true, true);
        session_.Player()->SetPosition(marks_.Start());
    }
}

void LoopControl::MarkAll() {
    if (CMediaPlayer* player = session_.Player()) {
        marks_.MarkAll(player->GetDuration());
        Set(true, true);
    }
}

void LoopControl::JumpToMarkStart() {
    if (CMediaPlayer* player = session_.Player()) {
        player->SetPosition(marks_.HomeTarget());
    }
}

bool LoopControl::JumpToMarkEnd() {
    CMediaPlayer* player = session_.Player();
    if (!player) {
        return false;
    }
    bool rangeEnd = false;
    player->SetPosition(
        marks_.EndTarget(player->GetDuration(), session_.State().play == State_Running, &rangeEnd));
    return rangeEnd;
}

void LoopControl::CheckJumpBack(int position, int maximum) {
    CMediaPlayer* player = session_.Player();
    if (player && marks_.JumpsBack(session_.State().play == State_Running, position, maximum)) {
        player->SetPosition(marks_.Start());
    }
}
