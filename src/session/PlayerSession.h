// The player's one way in: every user command, from the menus, the toolbar,
// keys, the mouse, the desktop's media keys and the editors, is Executed
// here and goes to the handler that carries it out. While a medium is being
// opened, what acts on a medium waits for it and follows in the order it
// came.
#pragma once

#include "engine/Deinterlacing.h"
#include "session/CommandStateTable.h"
#include "session/EngineEvents.h"
#include "session/KeyTable.h"
#include "session/LoopControl.h"
#include "session/MediumHistory.h"
#include "session/MediumOpener.h"
#include "session/MediumStreams.h"
#include "session/PlayerState.h"
#include "session/Transport.h"
#include "session/VideoLayout.h"

#include <QObject>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class CDvdPlayer;
class CFilePlayer;
class CMediaPlayer;
class CPlayerCommandLineInfo;
class CSettings;

class PlayerSession : public QObject {
    Q_OBJECT

public:
    explicit PlayerSession(CSettings* settings = nullptr);
    ~PlayerSession() override;

    // Handlers of one command are asked in the order added; one made with
    // HandleIf that answers false leaves it to the next (a disc's chapter
    // buttons come before the playlist's).
    void Handle(int command, std::function<void()> action);
    void HandleIf(int command, std::function<bool()> action);
    // The ids [first, end) the window makes at run time; `action` gets the id.
    void HandleRange(int first, int end, std::function<void(int command)> action);
    // A command that carries a value (the ids of value_command); a later
    // handler of the same command takes its place.
    void HandleValue(int command, std::function<void(double value)> action);
    // A toolbar button that does what `command` does, unless handled itself.
    void Alias(int button, int command);
    // True while a medium is being opened.
    void SetOpeningQuery(std::function<bool()> opening);

    // False when nothing handled `command`; a command for a medium that is
    // being opened is kept, and counts as handled.
    bool Execute(int command);
    // The same for a command that carries `value` (a position, steps, a
    // volume, a rate: what value_command says of each). It waits for a
    // medium being opened as the others do, value and all.
    bool Execute(int command, double value);
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

    // The command line's loop, jump, mute, play and pause; of each pair of
    // opposite options given together, neither acts.
    void ApplyStartOptions(const CPlayerCommandLineInfo& options);

    // Commands that need a medium, and so wait for one being opened.
    static bool ActsOnMedium(int command);
    // What the player is doing. `change` edits a copy; the views hear of it
    // once, and only when something changed.
    const PlayerState& State() const { return state_; }
    void Update(const std::function<void(PlayerState&)>& change);
    // What each command looks like, for every view to draw.
    CommandStateTable& Commands() { return commands_; }
    const CommandStateTable& Commands() const { return commands_; }

    // The open medium's engine, a file's or a disc's; null without one.
    CMediaPlayer* Player() const { return player_; }
    CFilePlayer* FilePlayer() const { return file_.get(); }
    CDvdPlayer* DvdPlayer() const { return dvd_.get(); }
    // The engine of a medium that has opened; the one before is closed first.
    void Adopt(std::unique_ptr<CFilePlayer> engine);
    void Adopt(std::unique_ptr<CDvdPlayer> engine);
    // Keeps the volume and balance in the settings and a film's resume
    // position, and lets the engine go.
    void CloseEngine();

    Transport& Playback() { return transport_; }
    LoopControl& Loop() { return loop_; }
    MediumHistory& History() { return history_; }
    // Zoom and fill of the picture, kept across the items of a playlist;
    // changed through ChangeLayout, so the state shows the zoom.
    const VideoLayout& Layout() const { return layout_; }
    void ChangeLayout(const std::function<void(VideoLayout&)>& change);
    MediumOpener& Opener() { return opener_; }
    // The engine's events and clock.
    EngineEvents& Events() { return events_; }
    // The open medium's streams, for the stream menus.
    MediumStreams& Streams() { return streams_; }

    // How pictures are deinterlaced, in the open medium and those opened
    // later; kept in the settings, checked in the View menu.
    void SetDeinterlacing(velvaro::engine::Deinterlacing mode);
    velvaro::engine::Deinterlacing DeinterlacingMode() const { return deinterlacing_; }
    // Checks the item of the mode in use, in menus built since.
    void CheckDeinterlacing();

Q_SIGNALS:
    // A command was carried out: a still player may have moved.
    void executed(int command);
    void stateChanged(const PlayerState& now, const PlayerState& before);

private:
    bool Opening() const { return opening_ && opening_(); }

    struct Range {
        int first;
        int end;
        std::function<void(int)> action;
    };
    std::unordered_map<int, std::vector<std::function<bool()>>> handlers_;
    std::vector<Range> ranges_;
    std::unordered_map<int, std::function<void(double)>> valueHandlers_;
    std::unordered_map<int, int> aliases_;
    CommandStateTable commands_;
    PlayerState state_;
    CSettings* settings_;
    std::unique_ptr<CFilePlayer> file_;
    std::unique_ptr<CDvdPlayer> dvd_;
    CMediaPlayer* player_ = nullptr;
    Transport transport_{*this, settings_};
    LoopControl loop_{*this};
    MediumHistory history_{*this};
    VideoLayout layout_;
    EngineEvents events_{*this};
    MediumOpener opener_{*this};
    MediumStreams streams_{*this};
    velvaro::engine::Deinterlacing deinterlacing_ = velvaro::engine::Deinterlacing::Automatic;
    std::function<bool()> opening_;
    std::vector<std::function<void()>> deferred_;
    bool controlDown_ = false;
};
