#include "MenuResources.h"

#include "resource.h"

namespace velvaro::res {
namespace {

// Name and number of a symbol from one mention, so they cannot drift apart.
#define SYMBOL(name) name, #name

constexpr MenuItem Command(int id, std::string_view symbol, std::string_view text,
                           unsigned flags = 0) {
    return {MenuItemKind::Command, id, symbol, text, flags, {}, 0};
}

constexpr MenuItem Popup(int id, std::string_view symbol, std::string_view text,
                         std::span<const MenuItem> items, unsigned flags = 0) {
    return {MenuItemKind::Popup, id, symbol, text, flags, items, 0};
}

constexpr MenuItem HostPopup(int id, std::string_view symbol, std::string_view text, int hostedMenu,
                             unsigned flags = 0) {
    return {MenuItemKind::Popup, id, symbol, text, flags, {}, hostedMenu};
}

constexpr MenuItem Separator() {
    return {};
}

constexpr unsigned kToggle = kMenuCheckable;
constexpr unsigned kToggleOn = kMenuCheckable | kMenuChecked;
constexpr unsigned kGrayed = kMenuGrayed;
constexpr unsigned kGrayedToggle = kMenuGrayed | kMenuCheckable;

// Items that need a medium start greyed, as the state without a medium has them.

constexpr MenuItem kCdDvdItems[] = {
    Command(SYMBOL(IDM_DVD_OPENFOLDER), "Choose Dir"),
    Separator(),
};

constexpr MenuItem kPlaySpeedItems[] = {
    Command(SYMBOL(IDM_PLAYSPEED_PLAYFASTBACKWARDS), "Schnell &rückwärts", kGrayed),
    Command(SYMBOL(IDM_PLAYSPEED_PLAYSLOWBACKWARDS), "&Langsam rückwärts", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_NORMAL), "&Normal", kGrayed),
    Command(SYMBOL(IDM_PLAYSPEED_PLAYSLOWFORWARDS), "Langsam &vorwärts\tNUMPAD 7", kGrayed),
    Command(SYMBOL(IDM_PLAYSPEED_PLAYFASTFORWARDS), "&Schnell vorwärts\tNUMPAD 9", kGrayed),
};

constexpr MenuItem kMarkItems[] = {
    Command(SYMBOL(IDM_WIEDERGABE_ENDLOSSCHLEIFE), "&Endlosschleife\tL", kToggle),
    Separator(),
    Command(SYMBOL(IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN), "Markierungs&anfang setzen\tI",
            kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_MARKIERUNGSENDESETZEN), "Markierungs&ende setzen\tO", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_ALLESMARKIEREN), "Markierung aufheben\tENTF", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG),
            "&Springe zum Markierungs-/Videoanfang\tPOS 1", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE),
            "Springe zum Markierungs-/&Videoende\tEnde", kGrayed),
};

constexpr MenuItem kAudioItems[] = {
    Command(SYMBOL(IDM_AUDIO_STUMM), "&Stumm\tM", kGrayedToggle),
    Command(SYMBOL(IDM_AUDIO_LEISER), "&Leiser\tNUMPAD -", kGrayed),
    Command(SYMBOL(IDM_AUDIO_LAUTER), "L&auter\tNUMPAD +", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_AUDIO_SETTINGS), "&Einstellungen...", kGrayed),
    Command(SYMBOL(IDM_AUDIO_AUDIOTRACKOEFFNEN), "&Audiotrack öffnen...", kGrayedToggle),
    // No handler exists for it; it stays grey.
    Command(SYMBOL(IDM_AUDIO_EIGENSCHAFTEN), "Ei&genschaften", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_AUDIO_DELAY_LATER), "Ton &später\tD", kGrayed),
    Command(SYMBOL(IDM_AUDIO_DELAY_EARLIER), "Ton &früher\tC", kGrayed),
    Command(SYMBOL(IDM_AUDIO_DELAY_RESET), "Tonverzögerung &zurücksetzen", kGrayed),
};

constexpr MenuItem kSubtitleItems[] = {
    Command(SYMBOL(IDM_SUBTITLE_DELAY_LATER), "Untertitel &später\tH", kGrayed),
    Command(SYMBOL(IDM_SUBTITLE_DELAY_EARLIER), "Untertitel &früher\tG", kGrayed),
    Command(SYMBOL(IDM_SUBTITLE_DELAY_RESET), "Untertitelverzögerung &zurücksetzen", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF), "Off", kToggle),
    Separator(),
};

constexpr MenuItem kZoomItems[] = {
    Command(SYMBOL(IDM_VIDEO_ASPECTRATIO), "&Aspect Ratio\tA", kGrayed | kToggleOn),
    Separator(),
    Command(SYMBOL(IDM_VIDEO_VERGROESSERN_LINKSRECHTS), "Vergrößern link&s/recht&s\tCURSOR RECHTS",
            kGrayed),
    Command(SYMBOL(IDM_VIDEO_VERKLEINERN_LINKSRECHTS), "Verkleinern &links/rechts\tCURSOR LINKS",
            kGrayed),
    Command(SYMBOL(IDM_VIDEO_VERGROESSERN_OBENUNTEN), "Ver&größern oben/unten\tCURSOR OBEN",
            kGrayed),
    Command(SYMBOL(IDM_VIDEO_VERKLEINERN_OBENUNTEN), "Verkleinern oben/&unten\tCURSOR UNTEN",
            kGrayed),
    Command(SYMBOL(IDM_VIDEO_RESET), "&Original-Videogröße\tR", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_VIDEO_FILLSCREEN), "Bilds&chirm komplett ausfüllen", kGrayed),
    Command(SYMBOL(IDM_VIDEO_FILLSCREENWITHOUTCLIPPING),
            "Bildschirm &füllen ohne Video abzuschneiden", kGrayed),
    Command(SYMBOL(IDM_VIDEO_TOGGLECLIPPINGFULL),
            "&Wechsel zwischen füllen und komplett ausfüllen\tF", kGrayed),
};

// One of the three is checked: the window checks the stored one at its start.
constexpr MenuItem kDeinterlaceItems[] = {
    Command(SYMBOL(IDM_ANSICHT_DEINTERLACE_AUTO), "&Automatisch", kToggleOn),
    Command(SYMBOL(IDM_ANSICHT_DEINTERLACE_EIN), "&Ein", kToggle),
    Command(SYMBOL(IDM_ANSICHT_DEINTERLACE_AUS), "A&us", kToggle),
};

constexpr MenuItem kFileItems[] = {
    Command(SYMBOL(IDM_DATEI_OEFFNEN), "&Öffnen...\tEINFG"),
    Command(SYMBOL(IDM_DATEI_URLOEFFNEN), "&URL öffnen...\tSTRG+U"),
    Command(SYMBOL(IDM_DATEI_SCHLIESSEN), "&Schließen", kGrayed),
    Separator(),
    HostPopup(SYMBOL(IDM_DATEI_CDDVDABSPIELEN), "Play CD/DVD", IDR_MENU_CDDVD),
    // Filled from the history when the window is built.
    Popup(SYMBOL(IDM_DATEI_ZULETZTGEOEFFNET), "Rec. Opened", {}, kGrayed),
    Separator(),
    Command(SYMBOL(IDM_DATEI_EINSTELLUNGEN), "&Einstellungen..."),
    Separator(),
    Command(SYMBOL(IDM_DATEI_BEENDEN), "&Beenden"),
};

constexpr MenuItem kPlaybackItems[] = {
    Command(SYMBOL(IDM_WIEDERGABE_WIEDERGABE_PAUSE), "&Wiedergabe/Pause\tLEERTASTE", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_STOPP), "S&topp", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_WIEDERGABE_SPRINGELETZTESTELLE),
            "Springe zur &zuletzt abgespielten Stelle\tJ", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN), "Schnelles Zu&rückspulen\tY", kGrayed),
    Command(SYMBOL(IDM_WIEDERGABE_SCHNELLESVORSPULEN), "Schnelles &Vorspulen\tX", kGrayed),
    HostPopup(SYMBOL(IDM_WIEDERGABE_ABSPIELGESCHWINDIGKEIT), "&Abspielgeschwindigkeit",
              IDR_MENU_PLAYSPEED),
    Separator(),
    // Filled from the medium's streams once one is open.
    Popup(SYMBOL(IDM_WIEDERGABE_STREAMS), "St&reams", {}, kGrayed),
    Popup(SYMBOL(IDM_WIEDERGABE_STREAMS_CHAPTER), "Chapter", {}, kGrayed),
    Popup(SYMBOL(IDM_WIEDERGABE_STREAMS_AUDIO), "Audio", {}, kGrayed),
    HostPopup(SYMBOL(IDM_WIEDERGABE_STREAMS_SUBTITLE), "Subtitle", IDR_MENU_SUBTITLE, kGrayed),
    Popup(SYMBOL(IDM_WIEDERGABE_STREAMS_ANGLE), "Angle", {}, kGrayed),
    Separator(),
    HostPopup(SYMBOL(IDM_WIEDERGABE_AUDIO), "T&on", IDR_MENU_AUDIO),
    Separator(),
    Command(SYMBOL(IDM_WIEDERGABE_SHUTDOWN), "&Shutdown nach Wiedergabe\tSTRG+S", kToggle),
};

constexpr MenuItem kPlaylistTitleItems[] = {
    Command(SYMBOL(IDM_PLAYLIST_ERSTERTITEL), "&Erster Titel\tNUMPAD 1", kGrayed),
    Command(SYMBOL(IDM_PLAYLIST_VORHERIGERTITEL), "&Vorheriger Titel\tNUMPAD 4", kGrayed),
    Command(SYMBOL(IDM_PLAYLIST_NAECHSTERTITEL), "&Nächster Titel\tNUMPAD 6", kGrayed),
    Command(SYMBOL(IDM_PLAYLIST_LETZTERTITEL), "&Letzter Titel\tNUMPAD 3", kGrayed),
};

constexpr MenuItem kNavigationItems[] = {
    HostPopup(SYMBOL(IDM_NAVIGATION_MARKIERUNG), "&Markierung", IDR_MENU_MARK),
    Popup(SYMBOL(IDM_PLAYLIST), "&Playlist", kPlaylistTitleItems),
    Separator(),
    Command(SYMBOL(IDM_NAVIGATION_PLAYPREVIOUSCHAPTER), "&Vorheriges Kapitel", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_PLAYNEXTCHAPTER), "&Nächstes Kapitel", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_REPLAYCHAPTER), "Kapitel &wiederholen", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_NAVIGATION_RESUME), "&Fortsetzen", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_RETURNFROMSUBMENU), "&Zurück aus Untermenü", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_NAVIGATION_SHOWTOPMENU), "&Titelmenü", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_SHOWROOTMENU), "&Hauptmenü", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_SHOWSUBPICTUREMENU), "&Untertitelmenü", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_SHOWAUDIOMENU), "&Audiomenü", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_SHOWANGLEMENU), "&Blickwinkelmenü", kGrayed),
    Command(SYMBOL(IDM_NAVIGATION_SHOWCHAPTERMENU), "&Kapitelmenü", kGrayed),
};

constexpr MenuItem kViewItems[] = {
    Command(SYMBOL(IDM_ANSICHT_ORIGINAL), "&Originalfenstergröße", kGrayed),
    Command(SYMBOL(IDM_ANSICHT_VOLLBILD), "&Vollbild\tV, SPLASH, MAUS 1", kGrayedToggle),
    HostPopup(SYMBOL(IDM_ANSICHT_ZOOM), "&Zoom", IDR_MENU_ZOOM),
    Popup(SYMBOL(IDM_ANSICHT_DEINTERLACE), "&Deinterlacing", kDeinterlaceItems),
    Separator(),
    Command(SYMBOL(IDM_ANSICHT_IMMEROBEN), "&Immer oben\tT", kToggle),
    Command(SYMBOL(IDM_ANSICHT_VIDEOPUR), "&Kompakt\tK", kToggle),
    Separator(),
    Command(SYMBOL(IDM_ANSICHT_TITLEBAR), "Titel&bar", kToggleOn),
    Command(SYMBOL(IDM_ANSICHT_MENUBAR), "&Menübar", kToggleOn),
    Command(SYMBOL(IDM_ANSICHT_TOOLBAR), "&Toolbar", kToggleOn),
    Command(SYMBOL(IDM_ANSICHT_POSITIONSBAR), "&Positions-/Volumebar", kToggleOn),
    Command(SYMBOL(IDM_ANSICHT_STATUSBAR), "&Statusbar", kToggleOn),
    Separator(),
    Command(SYMBOL(IDM_ANSICHT_WIEDERHERSTELLEN), "&Wiederherstellen", kGrayed),
    Command(SYMBOL(IDM_ANSICHT_MINIMIEREN), "Minimiere&n"),
    Command(SYMBOL(IDM_ANSICHT_MAXIMIEREN), "Ma&ximieren", kGrayed),
};

constexpr MenuItem kPlaylistFileItems[] = {
    Command(SYMBOL(IDM_PLAYLIST_NEU), "&Neu..."),
    Command(SYMBOL(IDM_PLAYLIST_OEFFNEN), "Ö&ffnen..."),
    Command(SYMBOL(IDM_PLAYLIST_BEARBEITEN), "&Bearbeiten...", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_PLAYLIST_SPEICHERN), "&Speichern", kGrayed),
    Command(SYMBOL(IDM_PLAYLIST_SPEICHERNUNTER), "Speichern &unter...", kGrayed),
};

constexpr MenuItem kExtrasItems[] = {
    Popup(SYMBOL(IDM_EXTRAS_PLAYLIST), "&Playlist", kPlaylistFileItems),
    // Filled from the playback graph once a medium is open.
    Popup(SYMBOL(IDM_EXTRAS_DSFILTER), "DirectShow Filter", {}, kGrayed),
    Separator(),
    Command(SYMBOL(IDM_ANSICHT_BOOKMARKEDITOR), "Bookmark Editor\tB", kGrayedToggle),
    Separator(),
    Command(SYMBOL(IDM_VIDEO_SCREENSHOT), "&Screenshot\tF12", kGrayed),
    Command(SYMBOL(IDM_VIDEO_EIGENSCHAFTEN), "&Medieneigenschaften...\tE", kGrayed),
};

constexpr MenuItem kHelpItems[] = {
    // No handler exists for it; it stays grey.
    Command(SYMBOL(IDM_HILFE_HILFE), "&Hilfe", kGrayed),
    Separator(),
    Command(SYMBOL(IDM_HILFE_UPDATE), "&Update..."),
    Command(SYMBOL(IDM_DONATE_DONATE), "Donate"),
    Separator(),
    Command(SYMBOL(IDM_HILFE_INFO), "&Info..."),
};

constexpr MenuItem kMainMenu[] = {
    Popup(SYMBOL(IDM_DATEI), "&Datei", kFileItems),
    Popup(SYMBOL(IDM_WIEDERGABE), "&Wiedergabe", kPlaybackItems),
    Popup(SYMBOL(IDM_NAVIGATION), "&Navigation", kNavigationItems),
    Popup(SYMBOL(IDM_ANSICHT), "&Ansicht", kViewItems),
    Popup(SYMBOL(IDM_EXTRAS), "E&xtras", kExtrasItems),
    Popup(SYMBOL(IDM_HILFE), "&Hilfe", kHelpItems),
};

// The context menu is the main menu once more, as one popup.
constexpr MenuItem kContextMenu[] = {Popup(0, {}, "Kontext", kMainMenu)};

constexpr MenuItem kZoomMenu[] = {Popup(0, {}, "Zoom", kZoomItems)};
constexpr MenuItem kPlaySpeedMenu[] = {Popup(0, {}, "Abspielgeschwindigkeit", kPlaySpeedItems)};
constexpr MenuItem kMarkMenu[] = {Popup(0, {}, "Markierung", kMarkItems)};
constexpr MenuItem kAudioMenu[] = {Popup(0, {}, "Ton", kAudioItems)};
constexpr MenuItem kSubtitleMenu[] = {Popup(0, {}, "Subtitle", kSubtitleItems)};
constexpr MenuItem kCdDvdMenu[] = {Popup(0, {}, "CD/DVD", kCdDvdItems)};

constexpr MenuResource kMenuResources[] = {
    {SYMBOL(IDR_MENU_Framedeck), kMainMenu},    {SYMBOL(IDR_MENU_CONTEXT), kContextMenu},
    {SYMBOL(IDR_MENU_ZOOM), kZoomMenu},         {SYMBOL(IDR_MENU_PLAYSPEED), kPlaySpeedMenu},
    {SYMBOL(IDR_MENU_MARK), kMarkMenu},         {SYMBOL(IDR_MENU_AUDIO), kAudioMenu},
    {SYMBOL(IDR_MENU_SUBTITLE), kSubtitleMenu}, {SYMBOL(IDR_MENU_CDDVD), kCdDvdMenu},
};

#undef SYMBOL

}  // namespace

std::span<const MenuResource> MenuResources() {
    return kMenuResources;
}

const MenuResource* FindMenuResource(int id) {
    for (const MenuResource& resource : kMenuResources) {
        if (resource.id == id) {
            return &resource;
        }
    }
    return nullptr;
}

}  // namespace velvaro::res
