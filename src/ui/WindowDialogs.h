// The dialogs the window opens: the countdowns around playback (the
// power-off after it, the delay before it), the audio settings, the
// medium's properties, the settings, and the help menu's about box, online
// update and donation page.
#pragma once

#include "ui/ViewParts.h"

#include <functional>

class CAudioSettingsDlg;
class CCodecDlg;
class CLanguageFile;
class FullscreenView;
class WindowMenus;

class WindowDialogs {
public:
    // `language` is the one ViewParts shows, which the settings may load
    // anew. `menus` and `fullscreen` are only used once the window runs;
    // `applySettings` and `exit` are what only the window itself does.
    WindowDialogs(ViewParts parts, CLanguageFile& language, WindowMenus& menus,
                  FullscreenView& fullscreen, std::function<void()> applySettings,
                  std::function<void()> exit);

    // The countdown after playback and, unless it is cancelled, the power-off.
    void RunShutdownCountdown();
    // Ctrl with play and a delay set: the countdown before playback starts.
    void RunPlaybackDelay();
    // The playback delay's countdown is up.
    bool CountingDown() const { return countingDown_; }
    void OnAudioSettings();
    void OnMediaProperties();
    void OnSettings();
    void OnAbout();
    void OnUpdate();
    void OnDonate();
    // The engine is about to go: dialogs still showing it close at once.
    void ReleaseEngineDialogs();

private:
    void LoadChosenLanguage();

    ViewParts parts_;
    CLanguageFile& language_;
    WindowMenus& menus_;
    FullscreenView& fullscreen_;
    std::function<void()> applySettings_;
    std::function<void()> exit_;
    bool countingDown_ = false;
    // Made on first use as children of the window, which deletes them.
    CAudioSettingsDlg* audioSettings_ = nullptr;
    CCodecDlg* codec_ = nullptr;
};
