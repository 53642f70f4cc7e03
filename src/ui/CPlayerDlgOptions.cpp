// The command-line options, applied after initialisation, after every open
// and after a hand-over. Of each pair of opposite options given together,
// neither acts.
#include "ui/CPlayerDlg.h"

#include "engine/CMediaPlayer.h"
#include "resource.h"
#include "session/StartOptionValues.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"

#include <QString>

namespace {

// Exactly one of the pair was given.
bool Only(int option, int opposite) {
    return option && !opposite;
}

}  // namespace

void CPlayerDlg::ApplyStartOptions() {
    const CPlayerCommandLineInfo& options = *commandLine;
    if (Only(options.GetLoop(), options.GetNoLoop())) {
        session.Loop().Set(true, false);
    } else if (Only(options.GetNoLoop(), options.GetLoop())) {
        session.Loop().Set(false, false);
    }

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

    if (Player()) {
        if (Only(options.GetFullscreen(), options.GetNoFullscreen())) {
            fullscreen.EnterFullscreen();
        } else if (Only(options.GetNoFullscreen(), options.GetFullscreen())) {
            fullscreen.LeaveFullscreen();
        }
        if (const auto hundredths = JumpOption(options.GetJumpPosition())) {
            Player()->SetPosition(*hundredths);
        }
    }

    // The engine gets it when the next medium opens.
    if (const auto colour = BorderColourOption(options.GetBorderColour())) {
        borderColour = *colour;
        client->update();
    }

    if (Player()) {
        if (Player()->HasAudio() == S_OK) {
            const bool muted = Player()->GetVolume() == kVolumeSilent;
            if (Only(options.GetMute(), options.GetNoMute()) && !muted) {
                session.Playback().ToggleMute();
            } else if (Only(options.GetNoMute(), options.GetMute()) && muted) {
                session.Playback().ToggleMute();
            }
        }
        if (Only(options.GetPlay(), options.GetPause())) {
            if (session.State().play != State_Running) {
                session.Playback().PlayPause();
            }
        } else if (Only(options.GetPause(), options.GetPlay())) {
            if (session.State().play == State_Running || session.State().play == State_Stopped) {
                session.Playback().PlayPause();
            }
        }
    }
}
