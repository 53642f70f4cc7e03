// The A-B marks and the endless loop between them: the loop command's check
// mark, flag and button face, the marked range the position bar shows, and
// the jumps to the marks and the ends.
#pragma once

#include "session/LoopMarks.h"

class PlayerSession;

class LoopControl {
public:
    explicit LoopControl(PlayerSession& session) : session_(session) {}

    const LoopMarks& Marks() const { return marks_; }
    bool Looping() const { return marks_.Looping(); }

    // A new medium or DVD title of `duration`: the whole of it is marked,
    // and shown when the loop is on.
    void Reset(int duration);
    void Toggle();
    // With `showRange` the position bar's selection follows too.
    void Set(bool on, bool showRange);
    // `position` is where the position bar stands.
    void SetMarkStart(int position);
    void SetMarkEnd(int position);
    void MarkAll();
    void JumpToMarkStart();
    // True when the mark end was reached while looping playback: the end of
    // the medium.
    bool JumpToMarkEnd();
    // The clock's check while playing: back to the mark start past its end.
    void CheckJumpBack(int position, int maximum);

private:
    void ShowRange(bool show);

    PlayerSession& session_;
    LoopMarks marks_;
};
