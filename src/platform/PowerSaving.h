// The screen saver and display power saving, switched off while a video
// plays: an inhibition of org.freedesktop.ScreenSaver on the session bus.
// Without a bus or without the service nothing happens, silently.
#pragma once

// false: keep the screen on (one inhibition however often it is asked for);
// true: let it sleep again (releases the inhibition, if any). UI thread.
void SetPowerSavingActive(bool active);
