// The open medium's streams as the menus list them: the groups of a file's
// stream selectors, or the separate chapter, audio, subtitle and angle lists
// of a splitter or a DVD, leaving out the kinds the DVD forbids to choose;
// the subtitles' "Off"; and the rules for choosing an entry. Everything read
// goes into the session's state (one Update each time), the marks into its
// command table too. Subtitles of a group are also listed as subtitles,
// where a user looks for them.
#pragma once

#include "session/StreamEntry.h"

#include <vector>

class CMediaPlayer;
class PlayerSession;

class MediumStreams {
public:
    explicit MediumStreams(PlayerSession& session);

    // Reads the engine's streams anew; without an engine, as Reset.
    void Build();
    // The check marks as the engine reports them, audio greyed while a
    // separate sound track plays instead of the film's.
    void Refresh();
    // Carries out a stream command; false when `id` is none. `*applyLayout`
    // becomes true when the picture must be laid out again.
    bool Select(int id, bool* applyLayout);
    // After a change of the DVD's valid operations: subtitles hidden or
    // shown as "Off" says, "Off" greyed when the disc has none to choose
    // here or refuses. True when the picture must be laid out again.
    bool ReapplySubtitles();
    // "Off" is checked: the subtitle state of the next DVD.
    bool SubtitlesOff() const;
    // No medium: no entries, "Off" enabled (it keeps its check mark).
    void Reset();

    // Entries of the stream table in use (0 when the lists are separate).
    int TableCount() const;

private:
    void Publish(std::vector<StreamEntry> entries);

    PlayerSession& session_;
};
