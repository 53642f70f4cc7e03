// Which commands and buttons a medium enables and which it greys.
#include "ui/core/CommandStates.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// What a medium makes of a menu command or toolbar button (their ids do not
// overlap); nothing when it leaves the id alone.
std::optional<bool> StateOf(const MediumKind& kind, int id) {
    for (const auto& states : {MenuStatesFor(kind), ButtonStatesFor(kind)}) {
        for (const CommandState& state : states) {
            if (state.id == id) {
                return state.enabled;
            }
        }
    }
    return std::nullopt;
}

TEST(CommandStatesTest, EachMediumSetsItsCommandsAndButtons) {
    const std::optional<bool> on = true, off = false, left = std::nullopt;
    const MediumKind none{}, betweenItems{.playlist = true};
    const MediumKind video{.open = true, .video = true, .audio = true};
    const MediumKind silentVideo{.open = true, .video = true};
    const MediumKind sound{.open = true, .audio = true};
    const MediumKind listedSound{.open = true, .audio = true, .playlist = true};
    const struct {
        MediumKind kind;
        std::optional<bool> state;
        std::vector<int> ids;
    } rules[] = {{none, off, {IDM_DATEI_SCHLIESSEN, IDTBB_PLAY, IDM_PLAYLIST_ERSTERTITEL}},
                 {none, left, {IDM_DATEI_OEFFNEN, IDTBB_LOOP}},
                 {betweenItems, left, {IDM_PLAYLIST_NAECHSTERTITEL}},
                 {video,
                  on,
                  {IDM_WIEDERGABE_STOPP, IDTBB_STOP, IDM_ANSICHT_VOLLBILD, IDTBB_VOLLBILD,
                   IDM_ANSICHT_MAXIMIEREN, IDM_AUDIO_AUDIOTRACKOEFFNEN, IDM_AUDIO_STUMM, IDTBB_MUTE,
                   IDTBB_SCREENSHOT, IDTBB_CLIPPING}},
                 // Later steps decide the volume, the jump back, the window states and discs.
                 {video,
                  off,
                  {IDM_PLAYLIST_NAECHSTERTITEL, IDTBB_NEXTTRACKCHAPTER, IDM_AUDIO_LAUTER,
                   IDM_WIEDERGABE_SPRINGELETZTESTELLE, IDM_ANSICHT_WIEDERHERSTELLEN, IDTBB_ROOTMENU,
                   IDM_PLAYSPEED_PLAYFASTBACKWARDS}},
                 {silentVideo, off, {IDM_AUDIO_STUMM, IDM_AUDIO_SETTINGS, IDTBB_MUTE}},
                 {sound,
                  off,
                  {IDM_ANSICHT_VOLLBILD, IDM_ANSICHT_ORIGINAL, IDM_AUDIO_AUDIOTRACKOEFFNEN,
                   IDM_ANSICHT_MAXIMIEREN, IDTBB_SCREENSHOT}},
                 {sound, on, {IDM_AUDIO_SETTINGS}},
                 {listedSound, on, {IDM_PLAYLIST_VORHERIGERTITEL, IDTBB_PREVTRACKCHAPTER}},
                 {listedSound, left, {IDM_PLAYLIST_SPEICHERN}}};
    for (const auto& rule : rules) {
        for (int id : rule.ids) {
            EXPECT_EQ(StateOf(rule.kind, id), rule.state) << id;
        }
    }
}

}  // namespace
