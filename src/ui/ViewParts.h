// What the window's view classes work on: the window's widgets, bars and
// menus, the zoom, the commands' states, the settings, the language and the
// engine of the moment. The window makes one and hands it to each.
#pragma once

#include <functional>

class CLanguageFile;
class CMediaPlayer;
class CPlayerCommandLineInfo;
class CSettings;
class PlayerSession;
class QWidget;
class VideoLayout;
struct PlayerBars;
struct PlayerMenus;

struct ViewParts {
    QWidget& window;
    QWidget& client;  // the area below the menu bar
    PlayerBars& bars;
    PlayerMenus& menus;
    const VideoLayout& layout;
    PlayerSession& session;  // the commands' states are written to its table
    CSettings& settings;
    const CPlayerCommandLineInfo& commandLine;
    const CLanguageFile& language;
    // Null without a medium.
    std::function<CMediaPlayer*()> engine;
};
