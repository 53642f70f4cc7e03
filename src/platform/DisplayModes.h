// The display modes of the primary monitor, and a temporary change of mode
// for fullscreen. On X11 this is XRandR on the primary output; elsewhere the
// current mode is the only one known and nothing is ever switched.
//
// Everything here runs on the UI thread.
#pragma once

#include <memory>
#include <vector>

struct DisplayMode {
    int width = 0;
    int height = 0;
    // Vertical refresh in Hz; 0 when unknown.
    double refreshRate = 0.0;

    bool operator==(const DisplayMode&) const = default;
};

// Which of `modes` a request for width x height switches to: the first of
// that size whose refresh rate is nearest `preferredRate` (ties go to the
// faster). -1 when no mode has that size.
int ChooseDisplayMode(const std::vector<DisplayMode>& modes, int width, int height,
                      double preferredRate);

class DisplayModes {
public:
    DisplayModes() = default;
    virtual ~DisplayModes() = default;
    DisplayModes(const DisplayModes&) = delete;
    DisplayModes& operator=(const DisplayModes&) = delete;

    // The primary display's modes in the system's order (mode number 0
    // first); empty when nothing is known.
    virtual std::vector<DisplayMode> Modes() = 0;
    // The mode the primary display shows now; all 0 when unknown.
    virtual DisplayMode CurrentMode() = 0;
    // Switches the primary display to a mode of width x height, only for as
    // long as fullscreen lasts. false when there is no such mode or the
    // switch failed; the display then stays as it was.
    virtual bool ChangeForFullscreen(int width, int height) = 0;
    // Puts back the mode the desktop had before the first temporary change;
    // true when there was nothing to put back.
    virtual bool RestoreRegisteredMode() = 0;
};

// A fixed list of modes with one of them current. Where the platform
// cannot switch, the list is just the current mode.
class ListedDisplayModes : public DisplayModes {
public:
    ListedDisplayModes(std::vector<DisplayMode> modes, int current);

    std::vector<DisplayMode> Modes() override;
    DisplayMode CurrentMode() override;
    bool ChangeForFullscreen(int width, int height) override;
    bool RestoreRegisteredMode() override;

private:
    std::vector<DisplayMode> modes_;
    int current_;
    int registered_ = -1;
};

// XRandR on the X server `displayName` (nullptr: $DISPLAY), with its own
// connection; nullptr when there is no such server or it lacks RandR 1.2.
std::unique_ptr<DisplayModes> OpenXRandrDisplayModes(const char* displayName);

// The process's display modes: XRandR when the application runs on X11,
// otherwise the current mode alone. Made on first use.
DisplayModes& Displays();

// Puts `replacement` in the place of the process's display modes and hands
// back the one it replaces (nullptr when none was made yet). Tests put a
// fake mode list here, so they never switch a real monitor.
std::unique_ptr<DisplayModes> ReplaceDisplays(std::unique_ptr<DisplayModes> replacement);
