// What the window's view classes work on: the window's widgets, bars and
// menus, the zoom, the commands' states, the settings and the engine of the
// moment. The window makes one and hands it to each.
#pragma once

#include <functional>

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
    VideoLayout& layout;
    PlayerSession& session;  // the commands' states are written to its table
    CSettings& settings;
    const CPlayerCommandLineInfo& commandLine;
    // Null without a medium.
    std::function<CMediaPlayer*()> engine;
    // Puts a toolbar button's face by the keys of its picture and tip.
    std::function<void(int commandId, const char* imageKey, const char* tooltipKey)> setButtonFace;
};
