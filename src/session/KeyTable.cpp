#include "KeyTable.h"

#include "resource.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr std::pair<UINT, int> kKeyCommands[] = {
    {VK_RETURN, key_command::kDiscActivate},
    {VK_ESCAPE, key_command::kFullscreen},
    {'V', key_command::kFullscreen},
    {VK_SPACE, IDM_WIEDERGABE_WIEDERGABE_PAUSE},
    {VK_NUMPAD5, IDM_WIEDERGABE_WIEDERGABE_PAUSE},
    {'K', key_command::kCompactView},
    {VK_END, IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE},
    {VK_HOME, IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG},
    {VK_LEFT, IDM_VIDEO_VERKLEINERN_LINKSRECHTS},
    {VK_UP, IDM_VIDEO_VERGROESSERN_OBENUNTEN},
    {VK_RIGHT, IDM_VIDEO_VERGROESSERN_LINKSRECHTS},
    {VK_DOWN, IDM_VIDEO_VERKLEINERN_OBENUNTEN},
    {VK_INSERT, IDM_DATEI_OEFFNEN},
    {VK_DELETE, IDM_WIEDERGABE_ALLESMARKIEREN},
    {'A', IDM_VIDEO_ASPECTRATIO},
    {'B', IDM_ANSICHT_BOOKMARKEDITOR},
    {'C', IDM_AUDIO_DELAY_EARLIER},
    {'D', IDM_AUDIO_DELAY_LATER},
    {'E', IDM_VIDEO_EIGENSCHAFTEN},
    {'F', IDM_VIDEO_TOGGLECLIPPINGFULL},
    {'G', IDM_SUBTITLE_DELAY_EARLIER},
    {'H', IDM_SUBTITLE_DELAY_LATER},
    {'I', IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN},
    {'J', IDM_WIEDERGABE_SPRINGELETZTESTELLE},
    {'L', IDM_WIEDERGABE_ENDLOSSCHLEIFE},
    {'M', IDM_AUDIO_STUMM},
    {'O', IDM_WIEDERGABE_MARKIERUNGSENDESETZEN},
    {'R', IDM_VIDEO_RESET},
    {'T', IDM_ANSICHT_IMMEROBEN},
    {'X', IDM_WIEDERGABE_SCHNELLESVORSPULEN},
    {'Y', IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN},
    {VK_NUMPAD1, IDM_PLAYLIST_ERSTERTITEL},
    {VK_NUMPAD3, IDM_PLAYLIST_LETZTERTITEL},
    {VK_NUMPAD4, IDM_PLAYLIST_VORHERIGERTITEL},
    {VK_NUMPAD6, IDM_PLAYLIST_NAECHSTERTITEL},
    {VK_NUMPAD7, IDM_PLAYSPEED_PLAYSLOWFORWARDS},
    {VK_NUMPAD8, IDM_WIEDERGABE_NORMAL},
    {VK_NUMPAD9, IDM_PLAYSPEED_PLAYFASTFORWARDS},
    {VK_ADD, IDM_AUDIO_LAUTER},
    {VK_SUBTRACT, IDM_AUDIO_LEISER},
    {VK_F4, IDM_ANSICHT_TITLEBAR},
    {VK_F5, IDM_ANSICHT_MENUBAR},
    {VK_F6, IDM_ANSICHT_POSITIONSBAR},
    {VK_F7, IDM_ANSICHT_TOOLBAR},
    {VK_F8, IDM_ANSICHT_STATUSBAR},
    {VK_F12, IDM_VIDEO_SCREENSHOT},
};

// Ctrl with an arrow: the disc menu's selection first.
constexpr std::pair<UINT, int> kControlDiscKeys[] = {
    {VK_UP, key_command::kDiscUp},
    {VK_DOWN, key_command::kDiscDown},
    {VK_LEFT, key_command::kDiscLeft},
    {VK_RIGHT, key_command::kDiscRight},
};

int Find(const auto& table, UINT key) {
    const auto* row = std::find_if(std::begin(table), std::end(table),
                                   [key](const auto& entry) { return entry.first == key; });
    return row == std::end(table) ? 0 : row->second;
}

}  // namespace

KeyCommands CommandsForKey(UINT key, bool control) {
    // Frame stepping lies beside the table's range of keys.
    if (key == VK_OEM_PERIOD || key == VK_OEM_COMMA) {
        return {key == VK_OEM_PERIOD ? key_command::kStepForwards : key_command::kStepBackwards};
    }
    if (key < VK_RETURN || key > VK_F12) {
        return {};
    }
    if (key == 'S') {
        return {control ? IDM_WIEDERGABE_SHUTDOWN : 0};
    }
    if (key == 'U') {
        return {control ? IDM_DATEI_URLOEFFNEN : 0};
    }
    if (const int disc = control ? Find(kControlDiscKeys, key) : 0) {
        return {disc, Find(kKeyCommands, key)};
    }
    return {Find(kKeyCommands, key)};
}
