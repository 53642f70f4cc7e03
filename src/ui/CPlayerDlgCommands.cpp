// The command table and the run-time command ids: recent files, streams,
// filters and the disc's places, all handed to the session.
#include "ui/CPlayerDlg.h"

#include "CommandRanges.h"
#include "controls/CClickSlider.h"
#include "dialogs/FilterList.h"
#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "session/KeyTable.h"
#include "session/LoopMarks.h"

#include <QMenuBar>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

using Handler = void (CPlayerDlg::*)();
constexpr double kZoomStep = VideoLayout::kZoomStep;

// Toolbar buttons that do what a menu command does.
constexpr std::pair<int, int> kButtonCommands[] = {
    {IDTBB_VOLLBILD, IDM_ANSICHT_VOLLBILD},
    {IDTBB_OPEN, IDM_DATEI_OEFFNEN},
    {IDTBB_STOP, IDM_WIEDERGABE_STOPP},
    {IDTBB_LOOP, IDM_WIEDERGABE_ENDLOSSCHLEIFE},
    {IDTBB_JUMPLASTPOSITION, IDM_WIEDERGABE_SPRINGELETZTESTELLE},
    {IDTBB_MUTE, IDM_AUDIO_STUMM},
    {IDTBB_SHUTDOWN, IDM_WIEDERGABE_SHUTDOWN},
    {IDTBB_ONTOP, IDM_ANSICHT_IMMEROBEN},
    {IDTBB_CLIPPING, IDM_VIDEO_TOGGLECLIPPINGFULL},
    {IDTBB_SCREENSHOT, IDM_VIDEO_SCREENSHOT},
    {IDTBB_QUIT, IDM_DATEI_BEENDEN},
    {IDTBB_FASTBACKWARD, IDM_PLAYSPEED_PLAYFASTBACKWARDS},
    {IDTBB_FASTFORWARD, IDM_PLAYSPEED_PLAYFASTFORWARDS},
    {IDTBB_PREVTRACKCHAPTER, IDM_PLAYLIST_VORHERIGERTITEL},
    {IDTBB_NEXTTRACKCHAPTER, IDM_PLAYLIST_NAECHSTERTITEL},
    {IDTBB_ROOTMENU, IDM_NAVIGATION_SHOWROOTMENU},
    {IDTBB_RESUME, IDM_NAVIGATION_RESUME},
};

// Hands the session `commands`, each run on `part`.
template <class Part, std::size_t N>
void HandleAll(PlayerSession& session, Part& part,
               const std::pair<int, void (Part::*)()> (&commands)[N]) {
    for (const auto& [command, handler] : commands) {
        session.Handle(command, [&part, handler] { (part.*handler)(); });
    }
}

constexpr std::pair<int, void (VideoArea::*)()> kVideoCommands[] = {
    {IDM_VIDEO_ASPECTRATIO, &VideoArea::OnAspectRatio},
    {IDM_VIDEO_RESET, &VideoArea::OnVideoReset},
    {IDM_VIDEO_FILLSCREEN, &VideoArea::OnFillScreen},
    {IDM_VIDEO_FILLSCREENWITHOUTCLIPPING, &VideoArea::OnFillWithoutClipping},
    {IDM_VIDEO_TOGGLECLIPPINGFULL, &VideoArea::OnToggleFill},
};

constexpr std::pair<int, void (WindowFrame::*)()> kFrameCommands[] = {
    {IDM_ANSICHT_VIDEOPUR, &WindowFrame::ToggleCompactView},
    {IDM_ANSICHT_MAXIMIEREN, &WindowFrame::OnMaximize},
    {IDM_ANSICHT_MINIMIEREN, &WindowFrame::OnMinimize},
    {IDM_ANSICHT_WIEDERHERSTELLEN, &WindowFrame::OnRestore},
    {IDM_ANSICHT_IMMEROBEN, &WindowFrame::ToggleAlwaysOnTop},
    {IDM_ANSICHT_ORIGINAL, &WindowFrame::OnOriginalWindowSize},
};

constexpr std::pair<int, void (WindowDialogs::*)()> kDialogCommands[] = {
    {IDM_DATEI_EINSTELLUNGEN, &WindowDialogs::OnSettings},
    {IDM_AUDIO_SETTINGS, &WindowDialogs::OnAudioSettings},
    {IDM_VIDEO_EIGENSCHAFTEN, &WindowDialogs::OnMediaProperties},
    {IDM_HILFE_INFO, &WindowDialogs::OnAbout},
    {IDM_HILFE_UPDATE, &WindowDialogs::OnUpdate},
    {IDM_DONATE_DONATE, &WindowDialogs::OnDonate},
};

}  // namespace

// Every command the window and its parts carry out, handed to the session.
// Commands of features the window does not have yet find no handler and do
// nothing.
void CPlayerDlg::AddCommands() {
    // A disc's handlers come first: with a DVD its chapter buttons are its own.
    disc.AddCommands(session);
    static const std::pair<int, Handler> kCommands[] = {
        {IDM_DATEI_OEFFNEN, &CPlayerDlg::OnFileOpen},
        {IDM_DATEI_URLOEFFNEN, &CPlayerDlg::OnFileOpenUrl},
        {IDM_DATEI_SCHLIESSEN, &CPlayerDlg::OnFileClose},
        {IDM_AUDIO_AUDIOTRACKOEFFNEN, &CPlayerDlg::OnExternalAudioTrack},
    };
    // Commands whose handler takes what the command stands for.
    static const std::pair<int, void (*)(CPlayerDlg&)> kArgumentCommands[] = {
        {IDM_VIDEO_VERGROESSERN_LINKSRECHTS,
         [](CPlayerDlg& w) { w.videoArea.Zoom(true, kZoomStep); }},
        {IDM_VIDEO_VERKLEINERN_LINKSRECHTS,
         [](CPlayerDlg& w) { w.videoArea.Zoom(true, -kZoomStep); }},
        {IDM_VIDEO_VERGROESSERN_OBENUNTEN,
         [](CPlayerDlg& w) { w.videoArea.Zoom(false, kZoomStep); }},
        {IDM_VIDEO_VERKLEINERN_OBENUNTEN,
         [](CPlayerDlg& w) { w.videoArea.Zoom(false, -kZoomStep); }},
        {IDM_ANSICHT_TITLEBAR, [](CPlayerDlg& w) { w.frame.ToggleBar(kTitleBar); }},
        {IDM_ANSICHT_MENUBAR, [](CPlayerDlg& w) { w.frame.ToggleBar(kMenuBar); }},
        {IDM_ANSICHT_TOOLBAR, [](CPlayerDlg& w) { w.frame.ToggleBar(kToolBar); }},
        {IDM_ANSICHT_STATUSBAR, [](CPlayerDlg& w) { w.frame.ToggleBar(kStatusBar); }},
        {IDM_ANSICHT_POSITIONSBAR, [](CPlayerDlg& w) { w.frame.ToggleBar(kPositionBar); }},
        {key_command::kStepForwards, [](CPlayerDlg& w) { w.session.Playback().StepFrame(true); }},
        {key_command::kStepBackwards, [](CPlayerDlg& w) { w.session.Playback().StepFrame(false); }},
        {IDM_WIEDERGABE_WIEDERGABE_PAUSE, [](CPlayerDlg& w) { w.session.Playback().PlayPause(); }},
        {IDTBB_PLAY, [](CPlayerDlg& w) { w.session.Playback().Play(); }},
        {IDM_DATEI_BEENDEN, [](CPlayerDlg& w) { w.done(0); }},
        {IDTBB_PAUSE, [](CPlayerDlg& w) { w.session.Playback().Pause(); }},
        {IDM_WIEDERGABE_STOPP, [](CPlayerDlg& w) { w.session.Playback().Stop(false); }},
        {IDM_WIEDERGABE_NORMAL, [](CPlayerDlg& w) { w.session.Playback().SetNormalSpeed(); }},
        {IDM_PLAYSPEED_PLAYFASTFORWARDS,
         [](CPlayerDlg& w) { w.session.Playback().PlayFastForwards(); }},
        {IDM_PLAYSPEED_PLAYFASTBACKWARDS,
         [](CPlayerDlg& w) { w.session.Playback().PlayFastBackwards(); }},
        {IDM_PLAYSPEED_PLAYSLOWFORWARDS,
         [](CPlayerDlg& w) { w.session.Playback().PlaySlowForwards(); }},
        {IDM_PLAYSPEED_PLAYSLOWBACKWARDS,
         [](CPlayerDlg& w) { w.session.Playback().PlaySlowBackwards(); }},
        {IDM_AUDIO_STUMM, [](CPlayerDlg& w) { w.session.Playback().ToggleMute(); }},
        {IDM_AUDIO_LAUTER, [](CPlayerDlg& w) { w.session.Playback().VolumeUp(); }},
        {IDM_AUDIO_LEISER, [](CPlayerDlg& w) { w.session.Playback().VolumeDown(); }},
        {IDM_VIDEO_SCREENSHOT, [](CPlayerDlg& w) { w.session.Playback().Screenshot(); }},
        {IDM_WIEDERGABE_SHUTDOWN, [](CPlayerDlg& w) { w.session.Playback().ToggleShutdown(); }},
        {IDM_WIEDERGABE_SPRINGELETZTESTELLE,
         [](CPlayerDlg& w) { w.session.History().JumpToLastPosition(); }},
        {IDM_WIEDERGABE_ENDLOSSCHLEIFE, [](CPlayerDlg& w) { w.session.Loop().Toggle(); }},
        {IDM_WIEDERGABE_ALLESMARKIEREN, [](CPlayerDlg& w) { w.session.Loop().MarkAll(); }},
        {IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG,
         [](CPlayerDlg& w) { w.session.Loop().JumpToMarkStart(); }},
        // The mark end reached while looping playback is the end of the medium.
        {IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE,
         [](CPlayerDlg& w) {
             if (w.session.Loop().JumpToMarkEnd()) {
                 w.OnEndOfMedia(true);
             }
         }},
        // The marks are set where the position bar stands.
        {IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN,
         [](CPlayerDlg& w) { w.session.Loop().SetMarkStart(w.bars.position->value()); }},
        {IDM_WIEDERGABE_MARKIERUNGSENDESETZEN,
         [](CPlayerDlg& w) { w.session.Loop().SetMarkEnd(w.bars.position->value()); }},
        // A playlist may have moved on to a sound file while fullscreen.
        {key_command::kFullscreen,
         [](CPlayerDlg& w) {
             if (w.fullscreen.IsFullscreen()) {
                 w.fullscreen.LeaveFullscreen();
             } else if (w.session.Player() && w.videoArea.HasVideo()) {
                 w.fullscreen.EnterFullscreen();
             }
         }},
        {key_command::kCompactView,
         [](CPlayerDlg& w) {
             if (!w.fullscreen.IsFullscreen()) {
                 w.frame.ToggleCompactView();
             }
         }},
    };
    for (const auto& [command, handler] : kCommands) {
        session.Handle(command, [this, handler] { (this->*handler)(); });
    }
    for (const auto& [command, handler] : kArgumentCommands) {
        session.Handle(command, [this, handler] { handler(*this); });
    }

    // Commands that carry a value: the wheel, the sliders, the desktop's
    // remote and the bookmark editor.
    using namespace value_command;
    // Back past the start of a playlist item opens the one before, ten
    // seconds before its end.
    const auto skip = [this](int steps) {
        if (!Player()) {
            return;
        }
        const int target = SkipTarget(Player()->GetPosition(), steps);
        if (target < 0 && playlist.Current() > 1) {
            playlist.PlayItem(playlist.Current() - 1, [this](bool played) {
                if (CMediaPlayer* now = session.Player(); played && now) {
                    now->SetPosition(SkipTarget(now->GetDuration(), -1));
                }
            });
            return;
        }
        Player()->SetPosition(std::max(target, 0));
    };
    session.Handle(IDM_WIEDERGABE_SCHNELLESVORSPULEN, [skip] { skip(1); });
    session.Handle(IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN, [skip] { skip(-1); });
    session.HandleValue(kSkip, [skip](double steps) { skip(static_cast<int>(steps)); });
    // A drag of the thumb ends here too; the engine, paused for it, goes
    // back to what it was doing.
    session.HandleValue(kSeek, [this](double position) {
        CClickSlider* bar = bars.position;
        if (!Player() || std::isnan(position)) {
            return;
        }
        drag.dragging = false;
        bar->setValue(static_cast<int>(std::clamp(position, static_cast<double>(bar->minimum()),
                                                  static_cast<double>(bar->maximum()))));
        Player()->Pause();
        Player()->SetPosition(bar->value());
        if (session.State().play == State_Paused) {
            Player()->Pause();
        } else if (session.State().play == State_Running) {
            Player()->Play();
        }
    });
    HandleAll(session, videoArea, kVideoCommands);
    HandleAll(session, frame, kFrameCommands);
    HandleAll(session, dialogs, kDialogCommands);
    session.Handle(IDM_ANSICHT_VOLLBILD, [this] { fullscreen.OnFullscreen(); });
    session.Handle(IDM_ANSICHT_BOOKMARKEDITOR, [this] { bookmarks.ToggleEditor(); });
    for (const auto& [button, command] : kButtonCommands) {
        session.Alias(button, command);
    }
    playlist.AddCommands(session);

    using namespace command_range;
    session.Handle(kClearHistory, [this] { session.History().Clear(); });
    session.HandleRange(kFirstRecentFile, kFirstRecentFile + kRecentFileCount, [this](int id) {
        if (const QString path = MediumHistory::EntryPath(id - kClearHistory); !path.isEmpty()) {
            OpenFiles(QStringList{path});
        }
    });
    session.HandleRange(kFirstStream, kFirstDrive, [this](int id) {
        bool applyLayout = false;
        if (session.Streams().Select(id, &applyLayout) && applyLayout) {
            videoArea.LayoutVideo();
        }
    });
    session.HandleRange(kFirstFilter, kFilterEnd, [this](int id) {
        const QList<QAction*> items = FindCommands(menus.bar.get(), id);
        if (session.Player() && !items.isEmpty()) {
            velvaro::dialogs::ShowFilterProperties(*session.Player(),
                                                   items.first()->text().toStdString(), this);
        }
    });
}
