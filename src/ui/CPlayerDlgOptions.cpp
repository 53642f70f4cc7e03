// The command-line options, applied after initialisation, after every open
// and after a hand-over: the window's size, place, border and fullscreen
// here, the rest in the session. Of each pair of opposite options given
// together, neither acts.
#include "ui/CPlayerDlg.h"

#include "engine/CMediaPlayer.h"
#include "resource.h"
#include "session/StartOptionValues.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"

#include <QString>

void CPlayerDlg::ApplyStartOptions() {
    const CPlayerCommandLineInfo& options = *commandLine;
    if (options.GetClose()) {
        quitAfterPlayback = true;
    }

    if (Player()) {
        PixelSize video;
        Player()->GetVideoSize(&video.width, &video.height);
        if (const auto area = SizeOption(options.GetSize(), video)) {
            frame.SetVideoWindowSize(area->width, area->height, false);
        }
    }

    const bool center = options.GetCenter() != 0;
    const bool position = !options.GetWindowPosition().empty();
    if (center && !position) {
        const QRect screen = frame.ScreenRect();
        const QRect outer = frameGeometry();
        move(screen.x() + (screen.width() - outer.width()) / 2,
             screen.y() + (screen.height() - outer.height()) / 2);
    } else if (position && !center) {
        frame.ApplyWindowPositionOption();
    }

    frame.ApplyBorderOptions();

    const bool fullscreenOnly = options.GetFullscreen() && !options.GetNoFullscreen();
    const bool noFullscreenOnly = options.GetNoFullscreen() && !options.GetFullscreen();
    if (Player() && fullscreenOnly) {
        fullscreen.EnterFullscreen();
    } else if (Player() && noFullscreenOnly) {
        fullscreen.LeaveFullscreen();
    }

    // The engine gets it when the next medium opens.
    if (const auto colour = BorderColourOption(options.GetBorderColour())) {
        borderColour = *colour;
        client->update();
    }

    // Loop, jump, mute, play and pause are the session's.
    session.ApplyStartOptions(options);
}
