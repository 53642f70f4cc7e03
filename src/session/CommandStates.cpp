#include "session/CommandStates.h"

#include "resource.h"

#include <algorithm>

namespace {

// What the state without a medium greys.
constexpr int kIdleGreyed[] = {
    IDM_VIDEO_EIGENSCHAFTEN,
    IDM_DATEI_SCHLIESSEN,
    IDM_ANSICHT_ORIGINAL,
    IDM_ANSICHT_VOLLBILD,
    IDM_ANSICHT_BOOKMARKEDITOR,
    IDM_VIDEO_ASPECTRATIO,
    IDM_VIDEO_RESET,
    IDM_VIDEO_VERGROESSERN_OBENUNTEN,
    IDM_VIDEO_VERKLEINERN_OBENUNTEN,
    IDM_VIDEO_VERGROESSERN_LINKSRECHTS,
    IDM_VIDEO_VERKLEINERN_LINKSRECHTS,
    IDM_VIDEO_FILLSCREEN,
    IDM_VIDEO_FILLSCREENWITHOUTCLIPPING,
    IDM_VIDEO_TOGGLECLIPPINGFULL,
    IDM_VIDEO_SCREENSHOT,
    IDM_WIEDERGABE_WIEDERGABE_PAUSE,
    IDM_WIEDERGABE_STOPP,
    IDM_WIEDERGABE_SPRINGELETZTESTELLE,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE,
    IDM_WIEDERGABE_SCHNELLESVORSPULEN,
    IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN,
    IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN,
    IDM_WIEDERGABE_MARKIERUNGSENDESETZEN,
    IDM_WIEDERGABE_ALLESMARKIEREN,
    IDM_AUDIO_STUMM,
    IDM_AUDIO_LEISER,
    IDM_AUDIO_LAUTER,
    IDM_AUDIO_SETTINGS,
    IDM_AUDIO_AUDIOTRACKOEFFNEN,
    IDM_AUDIO_DELAY_LATER,
    IDM_AUDIO_DELAY_EARLIER,
    IDM_AUDIO_DELAY_RESET,
    IDM_SUBTITLE_DELAY_LATER,
    IDM_SUBTITLE_DELAY_EARLIER,
    IDM_SUBTITLE_DELAY_RESET,
    IDM_NAVIGATION_RETURNFROMSUBMENU,
    IDM_NAVIGATION_SHOWANGLEMENU,
    IDM_NAVIGATION_SHOWAUDIOMENU,
    IDM_NAVIGATION_SHOWCHAPTERMENU,
    IDM_NAVIGATION_SHOWROOTMENU,
    IDM_NAVIGATION_SHOWSUBPICTUREMENU,
    IDM_NAVIGATION_SHOWTOPMENU,
    IDM_NAVIGATION_RESUME,
    IDM_NAVIGATION_REPLAYCHAPTER,
    IDM_NAVIGATION_PLAYNEXTCHAPTER,
    IDM_NAVIGATION_PLAYPREVIOUSCHAPTER,
    IDM_WIEDERGABE_NORMAL,
    IDM_PLAYSPEED_PLAYFASTBACKWARDS,
    IDM_PLAYSPEED_PLAYSLOWBACKWARDS,
    IDM_PLAYSPEED_PLAYSLOWFORWARDS,
    IDM_PLAYSPEED_PLAYFASTFORWARDS,
    IDM_ANSICHT_MAXIMIEREN,
    IDM_ANSICHT_WIEDERHERSTELLEN,
};
// Greyed too while no playlist runs.
constexpr int kPlaylistCommands[] = {
    IDM_PLAYLIST_BEARBEITEN,   IDM_PLAYLIST_SPEICHERN,      IDM_PLAYLIST_SPEICHERNUNTER,
    IDM_PLAYLIST_ERSTERTITEL,  IDM_PLAYLIST_NAECHSTERTITEL, IDM_PLAYLIST_VORHERIGERTITEL,
    IDM_PLAYLIST_LETZTERTITEL,
};
// What any open medium enables.
constexpr int kMediumCommands[] = {
    IDM_VIDEO_EIGENSCHAFTEN,
    IDM_DATEI_SCHLIESSEN,
    IDM_VIDEO_ASPECTRATIO,
    IDM_VIDEO_RESET,
    IDM_VIDEO_VERGROESSERN_OBENUNTEN,
    IDM_VIDEO_VERKLEINERN_OBENUNTEN,
    IDM_VIDEO_VERGROESSERN_LINKSRECHTS,
    IDM_VIDEO_VERKLEINERN_LINKSRECHTS,
    IDM_VIDEO_FILLSCREENWITHOUTCLIPPING,
    IDM_VIDEO_FILLSCREEN,
    IDM_VIDEO_TOGGLECLIPPINGFULL,
    IDM_VIDEO_SCREENSHOT,
    IDM_WIEDERGABE_WIEDERGABE_PAUSE,
    IDM_WIEDERGABE_STOPP,
    IDM_WIEDERGABE_NORMAL,
    IDM_PLAYSPEED_PLAYSLOWFORWARDS,
    IDM_PLAYSPEED_PLAYFASTFORWARDS,
    IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN,
    IDM_WIEDERGABE_MARKIERUNGSENDESETZEN,
    IDM_WIEDERGABE_ALLESMARKIEREN,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE,
    IDM_WIEDERGABE_SCHNELLESVORSPULEN,
    IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN,
};
constexpr int kPlaylistStepCommands[] = {IDM_PLAYLIST_VORHERIGERTITEL, IDM_PLAYLIST_NAECHSTERTITEL};
constexpr int kSoundCommands[] = {IDM_AUDIO_STUMM, IDM_AUDIO_SETTINGS, IDM_AUDIO_DELAY_LATER,
                                  IDM_AUDIO_DELAY_EARLIER, IDM_AUDIO_DELAY_RESET};
// Subtitles go over a picture.
constexpr int kSubtitleDelayCommands[] = {IDM_SUBTITLE_DELAY_LATER, IDM_SUBTITLE_DELAY_EARLIER,
                                          IDM_SUBTITLE_DELAY_RESET};
// A picture enables these, their absence greys all but the last.
constexpr int kPictureCommands[] = {IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_VOLLBILD,
                                    IDM_AUDIO_AUDIOTRACKOEFFNEN, IDM_ANSICHT_MAXIMIEREN};

constexpr int kIdleButtons[] = {
    IDTBB_PREVTRACKCHAPTER,
    IDTBB_NEXTTRACKCHAPTER,
    IDTBB_FASTBACKWARD,
    IDTBB_FASTFORWARD,
    IDTBB_PLAY,
    IDTBB_PAUSE,
    IDTBB_STOP,
    IDTBB_JUMPLASTPOSITION,
    IDTBB_ROOTMENU,
    IDTBB_RESUME,
    IDTBB_MUTE,
    IDTBB_CLIPPING,
    IDTBB_SCREENSHOT,
    IDTBB_VOLLBILD,
};
constexpr int kMediumButtons[] = {IDTBB_FASTBACKWARD, IDTBB_FASTFORWARD, IDTBB_PLAY, IDTBB_PAUSE,
                                  IDTBB_STOP};
constexpr int kPlaylistButtons[] = {IDTBB_PREVTRACKCHAPTER, IDTBB_NEXTTRACKCHAPTER};
constexpr int kSoundButtons[] = {IDTBB_MUTE};
constexpr int kPictureButtons[] = {IDTBB_VOLLBILD, IDTBB_SCREENSHOT, IDTBB_CLIPPING};

constexpr const char* kMediumPopups[] = {
    "IDM_WIEDERGABE_STREAMS",       "IDM_WIEDERGABE_STREAMS_CHAPTER",
    "IDM_WIEDERGABE_STREAMS_AUDIO", "IDM_WIEDERGABE_STREAMS_SUBTITLE",
    "IDM_WIEDERGABE_STREAMS_ANGLE", "IDM_EXTRAS_DSFILTER",
};

// A later state of the same id replaces the earlier one.
void Put(std::vector<CommandState>& states, std::span<const int> ids, bool enabled) {
    for (int id : ids) {
        const auto found = std::find_if(states.begin(), states.end(),
                                        [id](const CommandState& state) { return state.id == id; });
        if (found != states.end()) {
            found->enabled = enabled;
        } else {
            states.push_back({id, enabled});
        }
    }
}

}  // namespace

std::vector<CommandState> MenuStatesFor(const MediumKind& medium) {
    std::vector<CommandState> states;
    Put(states, kIdleGreyed, false);
    if (!medium.playlist) {
        Put(states, kPlaylistCommands, false);
    }
    if (!medium.open) {
        return states;
    }
    Put(states, kMediumCommands, true);
    if (medium.playlist) {
        Put(states, kPlaylistStepCommands, true);
    }
    if (medium.audio) {
        Put(states, kSoundCommands, true);
    }
    Put(states, kSubtitleDelayCommands, medium.video);
    if (medium.video) {
        Put(states, kPictureCommands, true);
    } else {
        Put(states, std::span(kPictureCommands).first(3), false);
    }
    return states;
}

std::vector<CommandState> ButtonStatesFor(const MediumKind& medium) {
    std::vector<CommandState> states;
    Put(states, kIdleButtons, false);
    if (!medium.open) {
        return states;
    }
    Put(states, kMediumButtons, true);
    if (medium.playlist) {
        Put(states, kPlaylistButtons, true);
    }
    if (medium.audio) {
        Put(states, kSoundButtons, true);
    }
    if (medium.video) {
        Put(states, kPictureButtons, true);
    }
    return states;
}

std::span<const char* const> MediumPopups() {
    return kMediumPopups;
}
