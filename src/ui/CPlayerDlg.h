// The player window, hub of everything the user does: it owns the engine,
// the menus and the bars, and takes the mouse, the keys, dropped files and
// the sliders' moves.
// What needs no widget is in src/session; the frame, the video area,
// fullscreen, the menus with the toolbar and the dialogs are view classes
// it owns. Every command goes through the session's Execute.
#pragma once

#include "platform/PlayerMessages.h"
#include "session/PlayerSession.h"
#include "session/VideoLayout.h"
#include "ui/FullscreenView.h"
#include "ui/PlayerWindowState.h"
#include "ui/PositionPreview.h"
#include "ui/VideoArea.h"
#include "ui/WindowBookmarks.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowDisc.h"
#include "ui/WindowFrame.h"
#include "ui/WindowMenus.h"
#include "ui/WindowOpens.h"
#include "ui/WindowPlaylist.h"
#include "ui/WindowRemote.h"

#include <QDialog>

#include <functional>
#include <optional>

class CClickSlider;
class CFilePlayer;
class CLanguageFile;
class CMediaPlayer;
class CPlayerCommandLineInfo;
class CSettings;
class InstanceListener;
struct ClientMouse;
namespace velvaro::engine {
class FileOpening;
}

using COLORREF = std::uint32_t;

class CPlayerDlg : public QDialog {
public:
    CPlayerDlg(CPlayerCommandLineInfo* commandLine, CLanguageFile* language, CSettings* settings,
               QWidget* parent = nullptr);
    ~CPlayerDlg() override;

    // OnInitDialog (tests call it alone, then show()), then the modal loop.
    int exec() override;
    bool OnInitDialog();
    void ApplySettings();

    void OnFileOpen();
    // Asks for a network address, offering the last ten opened this way.
    void OnFileOpenUrl();
    void OpenFiles(QStringList paths);
    // Starts opening `path`; the window goes on meanwhile. `then` learns,
    // once the open has settled, whether a medium opened; it is dropped when
    // another open or a close comes first.
    void OpenMedia(const QString& path, bool fromPlaylist,
                   std::function<void(bool opened)> then = {});
    // An open has started and not yet settled.
    bool IsOpening() const;
    void OpenStartupMedium();
    void OnFileClose();
    void OnEndOfMedia(bool loop);
    void AfterPlayback();

    void ApplyStartOptions();

    // Starts opening `path` as the film's sound; `then` learns whether it
    // was added, unless a close or another open drops it first.
    void OpenExternalAudio(const QString& path, std::function<void(bool added)> then = {});
    FullscreenView& Fullscreen() { return fullscreen; }
    WindowMenus& Menus() { return windowMenus; }
    WindowFrame& Frame() { return frame; }
    WindowPlaylist& Playlist() { return playlist; }
    WindowDisc& Disc() { return disc; }
    // The notice's time is up: the clock shows the time again.
    void ExpireNotice() { bars.noticeUntil = TickCount(); }

    // Where every command and key goes in.
    PlayerSession& Session() { return session; }
    CMediaPlayer* Player() const { return session.Player(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool PreTranslateMessage(QObject* watched, QEvent* event);
    // Hands the session every command of the window and its parts.
    void AddCommands();
    // The window without a medium: the splash, greyed sliders, menus reset.
    void ShowIdleLayout();
    // Lets the medium go, with what shows it.
    void CloseEngine();
    void OnInstanceParam(WPARAM wParam, LPARAM lParam);
    // What the client area's mouse does.
    ClientMouse MouseInput();

    void CreateBars();
    void OnPaint(QPainter& painter);
    // The command-line medium, on the first paint or, when nothing of the
    // window's own area needs painting (no splash), on its first exposure.
    void OpenStartupMediumOnce();

    // Drops an open under way, at once.
    void CancelOpening();
    // The session has the new medium's engine, or `failure` says why not.
    void OnOpenSettled(const std::optional<QString>& failure);
    // The DVD open sequence for a VIDEO_TS folder, a folder holding
    // VIDEO_TS.IFO, a disc image or a drive's device.
    void OpenDisc(const QString& path, bool fromPlaylist, std::function<void(bool opened)> then);
    bool ShowOpenedDvd(const QString& path, bool fromPlaylist,
                       const std::optional<QString>& failure);
    // The second half of an open: what shows a file that opened, or did not.
    bool ShowOpenedFile(const QString& path, bool fromPlaylist,
                        const std::optional<QString>& failure);
    // Holds second starts and a close back until the open is done; run the
    // answer when it is.
    std::function<void()> BeginOpening();
    // What every open does first: drops one under way, holds input back
    // (run the answer once the open is done), clears title and texts;
    // `keepNotice` keeps a notice that is still due.
    std::function<void()> StartOpening(bool keepNotice);
    void SetTitleSuffix(const QString& suffix);
    void DrawState(const PlayerState& now, const PlayerState& before);
    void OnSoundTrackSettled(bool added);
    void OnExternalAudioTrack();
    void OnClockTick();
    // The medium came to its end, or broke on the way (`failure` says why).
    void OnMediumEnded(const QString& failure);

    CSettings* settings;
    CLanguageFile* language;
    CPlayerCommandLineInfo* commandLine;
    PlayerSession session{settings};
    // The open sequence, for the views that open or close a medium.
    const WindowOpens opens{
        .medium =
            [this](const QString& path, bool fromPlaylist, std::function<void(bool)> then) {
                OpenMedia(path, fromPlaylist, std::move(then));
            },
        .dvd =
            [this](const QString& path, bool fromPlaylist, std::function<void(bool)> then) {
                OpenDisc(path, fromPlaylist, std::move(then));
            },
        .files = [this](const QStringList& files) { OpenFiles(files); },
        .close = [this] { CloseEngine(); },
        .soundTrack = [this](const QString& path) { OpenExternalAudio(path); },
        .idle = [this] { ShowIdleLayout(); },
    };
    WindowPlaylist playlist{viewParts, fullscreen, opens};
    WindowBookmarks bookmarks{viewParts, opens};
    WindowDisc disc{viewParts, videoArea, fullscreen, opens};

    bool initialised = false;
    bool quitAfterPlayback = false;
    bool closing = false;  // no box holds up a window on its way out
    bool startupMediumHandled = false;
    COLORREF borderColour = 0;
    QPixmap splashPicture;
    QWidget* client = nullptr;
    PlayerBars bars;
    PlayerMenus menus;
    SliderDrag drag;
    OpeningState opening;
    std::unique_ptr<InstanceListener> instanceListener;
    // What the view classes work on; each is handed the next one's place
    // before that is made.
    const ViewParts viewParts{
        .window = *this,
        .client = *client,
        .bars = bars,
        .menus = menus,
        .layout = session.Layout(),
        .session = session,
        .settings = *settings,
        .commandLine = *commandLine,
        .language = *language,
        .engine = [this] { return session.Player(); },
    };
    WindowMenus windowMenus{viewParts, disc, bookmarks};
    VideoArea videoArea{viewParts, fullscreen};
    PositionPreview positionPreview{viewParts};
    WindowFrame frame{viewParts, videoArea, fullscreen};
    FullscreenView fullscreen{viewParts, videoArea, frame, bookmarks};
    WindowDialogs dialogs{
        viewParts,          *language, windowMenus, fullscreen, [this] { ApplySettings(); },
        [this] { done(0); }};
    // Last: it goes first, while all it reads is still there.
    WindowRemote remote{viewParts, windowMenus, opens,
                        [this] { return opening.depth > 0 || dialogs.CountingDown(); }};
};

// Runs `input`, which acts on the medium, at once; while one is being opened
// it waits for it, in order with the commands and keys that wait.
void ForMedium(PlayerSession& session, std::function<void()> input);
