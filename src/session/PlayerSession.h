// The player's one way in: every user command, from the menus, the toolbar,
// keys, the mouse, the desktop's media keys and the editors, is Executed
// here. Who carries a command out answers through a responder; while a
// medium is being opened, what acts on a medium waits for it and follows in
// the order it came.
#pragma once

#include "session/KeyTable.h"

#include <QObject>

#include <functional>
#include <vector>

class PlayerSession : public QObject {
public:
    // Takes a command it carries out, and says so.
    using Responder = std::function<bool(int command)>;

    // Responders are asked in the order added until one takes the command.
    void AddResponder(Responder responder);
    // True while a medium is being opened.
    void SetOpeningQuery(std::function<bool()> opening);

    // False when no responder took `command`; a command for a medium that
    // is being opened is kept, and counts as taken.
    bool Execute(int command);
    // A key of the key table going down or up.
    void Key(UINT key, bool down);
    // Ctrl is held; taking it forgets it, for a key-up that will go elsewhere.
    bool ControlDown() const { return controlDown_; }
    bool TakeControlDown();

    // Keeps input for the medium being opened until it has opened.
    void Defer(std::function<void()> input);
    // The open is done: the kept input follows, in order, from the event loop.
    void ReplayDeferred();
    // The open was dropped: what was meant for its medium goes with it.
    void DropDeferred();

    // Commands that need a medium, and so wait for one being opened.
    static bool ActsOnMedium(int command);

private:
    bool Opening() const { return opening_ && opening_(); }
    bool Dispatch(int command);

    std::vector<Responder> responders_;
    std::function<bool()> opening_;
    std::vector<std::function<void()>> deferred_;
    bool controlDown_ = false;
};
