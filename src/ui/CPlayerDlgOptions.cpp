// The command-line options, applied after initialisation, after every open
// and after a hand-over. Of each pair of opposite options given together,
// neither acts.
#include "ui/CPlayerDlg.h"

#include "engine/CMediaPlayer.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"

#include <QString>

#include <cstdlib>

namespace {

// Exactly one of the pair was given.
bool Only(int option, int opposite) {
    return option && !opposite;
}

}  // namespace

void CPlayerDlg::ApplyStartOptions() {
    const CPlayerCommandLineInfo& options = *commandLine;
    if (Only(options.GetLoop(), options.GetNoLoop())) {
        SetLoop(true, false);
    } else if (Only(options.GetNoLoop(), options.GetLoop())) {
        SetLoop(false, false);
    }

    if (options.GetClose()) {
        quitAfterPlayback = true;
    }

    if (player) {
        ApplySizeOption();
    }

    const bool center = options.GetCenter() != 0;
    const bool position = !options.GetWindowPosition().empty();
    if (center && !position) {
        CenterWindow();
    } else if (position && !center) {
        ApplyWindowPositionOption();
    }

    ApplyBorderOptions();

    if (player) {
        if (Only(options.GetFullscreen(), options.GetNoFullscreen())) {
            EnterFullscreen();
        } else if (Only(options.GetNoFullscreen(), options.GetFullscreen())) {
            LeaveFullscreen();
        }
        const std::string jump = options.GetJumpPosition();
        if (const double seconds = std::atof(jump.c_str()); !jump.empty() && seconds != 0) {
            player->SetPosition(static_cast<int>(seconds * 100));
        }
    }

    ApplyBorderColourOption();

    if (player) {
        if (player->HasAudio() == S_OK) {
            const bool muted = player->GetVolume() == kVolumeSilent;
            if (Only(options.GetMute(), options.GetNoMute()) && !muted) {
                ToggleMute();
            } else if (Only(options.GetNoMute(), options.GetMute()) && muted) {
                ToggleMute();
            }
        }
        if (Only(options.GetPlay(), options.GetPause())) {
            if (playState != State_Running) {
                OnPlayPause();
            }
        } else if (Only(options.GetPause(), options.GetPlay())) {
            if (playState == State_Running || playState == State_Stopped) {
                OnPlayPause();
            }
        }
    }
}

// "640x480" is a size, "2x" a factor of the video's display size.
void CPlayerDlg::ApplySizeOption() {
    const QString value = QString::fromStdString(commandLine->GetSize());
    if (value.isEmpty()) {
        return;
    }
    int separator = value.indexOf(u'x');
    if (separator < 0) {
        separator = value.indexOf(u'X');
    }
    if (separator < 0) {
        return;
    }
    const double left = std::atof(value.left(separator).toStdString().c_str());
    const double right = std::atof(value.mid(separator + 1).toStdString().c_str());
    if (left == 0) {
        return;
    }
    int width = 0;
    int height = 0;
    if (right == 0) {
        player->GetVideoSize(&width, &height);
        width = static_cast<int>(width * left);
        height = static_cast<int>(height * left);
    } else {
        width = static_cast<int>(left);
        height = static_cast<int>(right);
    }
    SetVideoAreaSize(width, height);
}

// "x,y" or "x,y,corner": where the window's top-left corner goes, measured
// from a corner of the display.
bool CPlayerDlg::ApplyWindowPositionOption() {
    const QString value = QString::fromStdString(commandLine->GetWindowPosition());
    const int first = value.indexOf(u',');
    if (value.isEmpty() || first < 0) {
        return false;
    }
    const QString xText = value.left(first);
    QString yText;
    QString corner;
    if (const int second = value.indexOf(u',', first + 1); second >= 0) {
        yText = value.mid(first + 1, second - first - 1);
        corner = value.mid(second + 1);
    } else {
        yText = value.mid(first + 1);
    }
    if (xText.isEmpty() || yText.isEmpty()) {
        return false;
    }
    int x = std::atoi(xText.toStdString().c_str());
    int y = std::atoi(yText.toStdString().c_str());
    if (!corner.isEmpty() && corner != QStringLiteral("lefttop")) {
        const QRect display = ScreenRect();
        if (corner == QStringLiteral("righttop") || corner == QStringLiteral("rightbottom")) {
            x = display.width() - x;
        }
        if (corner == QStringLiteral("leftbottom") || corner == QStringLiteral("rightbottom")) {
            y = display.height() - y;
        }
    }
    MoveWindow(x, y);
    return true;
}

void CPlayerDlg::ApplyBorderOptions() {
    const bool border = commandLine->GetBorder() != 0;
    const bool noBorder = commandLine->GetNoBorder() != 0;
    if (border && noBorder) {
        return;
    }
    if (border) {
        exStyle |= WS_EX_DLGMODALFRAME;
        ModifyStyle(0, player ? WS_THICKFRAME | WS_MAXIMIZEBOX : 0);
    } else if (noBorder) {
        exStyle &= ~WS_EX_DLGMODALFRAME;
        ModifyStyle(WS_THICKFRAME, 0);
    }
    FitWindowToBars();
}

// "red,green,blue"
void CPlayerDlg::ApplyBorderColourOption() {
    const QString value = QString::fromStdString(commandLine->GetBorderColour());
    const QStringList parts = value.split(u',');
    if (parts.size() < 3) {
        return;
    }
    const int red = std::atoi(parts.at(0).toStdString().c_str());
    const int green = std::atoi(parts.at(1).toStdString().c_str());
    const int blue = std::atoi(value.section(u',', 2).toStdString().c_str());
    // The engine gets it when the next medium opens.
    borderColour = static_cast<COLORREF>(red + 256 * (green & 255) + 65536 * (blue & 255));
    client->update();
}
