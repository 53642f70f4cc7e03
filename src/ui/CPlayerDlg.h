// The player window, hub of everything the user does: it owns the engine,
// the menus and the bars; every input reaches WindowProc as a window message.
// What needs no widget is in src/session; every command goes through the
// session's Execute.
#pragma once

#include "platform/PlayerMessages.h"
#include "session/PlayerSession.h"
#include "session/VideoLayout.h"
#include "ui/PlayerWindowState.h"
#include "ui/WindowBookmarks.h"
#include "ui/WindowDisc.h"
#include "ui/WindowPlaylist.h"
#include "ui/WindowRemote.h"

#include <QDialog>

#include <functional>

class CClickSlider;
class CFilePlayer;
class CLanguageFile;
class CMediaPlayer;
class CPlayerCommandLineInfo;
class CSettings;
class InstanceListener;
class QAction;
struct MediumKind;
namespace velvaro::engine {
class FileOpening;
}

using COLORREF = std::uint32_t;

class CPlayerDlg : public QDialog {
public:
    // The bars a toggle shows or hides.
    enum BarIndex { kTitleBar, kMenuBar, kToolBar, kStatusBar, kPositionBar };
    CPlayerDlg(CPlayerCommandLineInfo* commandLine, CLanguageFile* language, CSettings* settings,
               QWidget* parent = nullptr);
    ~CPlayerDlg() override;

    // OnInitDialog (tests call it alone, then show()), then the modal loop.
    int exec() override;
    bool OnInitDialog();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void ShowIdleLayout();
    void ApplyProcessPriority();
    void ApplySettings();

    void OnFileOpen();
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

    void GetVideoAreaSize(int* width, int* height) const;
    void LayoutVideo();
    void SetVideoWindowSize(int width, int height, bool secondPass);
    void FitWindowToBars();
    void SetMenuCheck(int id, UINT flags);
    void SetMenuEnable(int id, UINT flags);
    void CreateToolBar();
    void InsertToolButton(int commandId, int position, int image, int state, bool separator,
                          const QString& tooltip);
    void SetToolButtonImage(int commandId, int image, const QString& tooltip);
    void SetToolButtonState(int commandId, int state);
    QAction* ToolButton(int commandId) const;
    void ApplyStartOptions();

    void BuildRecentMenu();

    // `steps` of 10 seconds, a signed 16-bit count.
    void Skip(int steps);

    // Each needs a medium with video.
    void EnterFullscreen();
    void LeaveFullscreen();
    void OnFullscreen();
    // The bookmark editor (not owned) beside the window, which keeps the focus.
    void ShowBookmarkEditor(bool show);
    // Each `true` undoes one `false`; dialogs in fullscreen show it meanwhile.
    void ShowSystemCursor(bool show);
    // Where the context menu opens for a right click at a client point.
    QPoint ContextMenuPosition(QPoint point) const;

    // The countdown after playback and, unless it is cancelled, the power-off.
    void RunShutdownCountdown();
    // Ctrl with play: the countdown before playback starts.
    void RunPlaybackDelay();
    void OnAudioSettings();
    void OnMediaProperties();
    // The help menu's about box, online update and donation page.
    void OnAbout();
    void OnUpdate();
    void OnDonate();
    // The engine is about to go: dialogs still showing it close at once.
    void ReleaseEngineDialogs();
    // True when the cursor was shown for a dialog in fullscreen; hand it to
    // RestoreCursorAfterDialog, which undoes exactly that.
    bool ShowCursorForDialog();
    void RestoreCursorAfterDialog(bool shown);

    // Lets the medium go, with what shows it.
    void CloseEngine();
    // Starts opening `path` as the film's sound; `then` learns whether it
    // was added, unless a close or another open drops it first.
    void OpenExternalAudio(const QString& path, std::function<void(bool added)> then = {});
    // Shows `text` in the status bar in place of the time for a while.
    void ShowNotice(const QString& text) { bars.ShowNotice(text); }
    CLanguageFile* Language() const { return language; }
    // The sliders, for input from elsewhere that lands as a click on them.
    CClickSlider* PositionBar() const { return bars.position; }
    CClickSlider* VolumeBar() const { return bars.volume; }
    // An open or the playback delay's countdown holds input back.
    bool HoldsInput() const { return opening.depth > 0 || countingDown; }
    // Something may have moved a still player.
    void WakeClock();
    CSettings* Settings() const { return settings; }

    // Where every command and key goes in.
    PlayerSession& Session() { return session; }
    CMediaPlayer* Player() const { return session.Player(); }
    int PlayState() const { return session.State().play; }
    bool IsFullscreen() const { return fullscreen; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class WindowDisc;
    friend struct PlayerWindowPeer;  // what the window tests read

    bool PreTranslateMessage(QObject* watched, QEvent* event);
    static bool WaitsForMedium(UINT message);
    // Hands the session every command of the window and its parts.
    void AddCommands();
    void SeedCommandStates();
    void DrawCommand(int id, const CommandLook& look);
    void OnDropFiles(const QStringList& names);
    void OnMenuSelect(QMenu* popup);
    void ConnectMenus();
    void OnGraphEvent();
    void OnInstanceParam(WPARAM wParam, LPARAM lParam);
    void OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMouseMoveTimer();

    void BuildMenus();
    void CreateBars();
    void TranslateWindow();
    void ApplyStoredViewSettings();
    void OnPaint(QPainter& painter);
    // The command-line medium, on the first paint or, when nothing of the
    // window's own area needs painting (no splash), on its first exposure.
    void OpenStartupMediumOnce();
    void OnSize();
    void OnSettings();
    void LoadChosenLanguage();
    void OnExit();
    void OnDestroy();

    // Drops an open under way, at once.
    void CancelOpening();
    void OnFileRendered();
    // The second half of an open: the rendered file becomes the medium.
    bool ShowOpenedFile(const QString& path, bool fromPlaylist, velvaro::engine::FileOpening& file);
    // Holds second starts and a close back until the open is done; run the
    // answer when it is.
    std::function<void()> BeginOpening();
    void FillFilterMenus();
    void ResetMenus();
    void ApplyCommandStates(const MediumKind& medium);
    void SetTitleSuffix(const QString& suffix);
    void DrawState(const PlayerState& now, const PlayerState& before);
    void OpenCompanionAudio(const QString& path);
    void OnSoundTrackRendered(const QString& path);
    void DropSoundTrack();
    void OnExternalAudioTrack();
    void OnTimer(UINT id);
    void PaceClock();
    void OnHScroll(int code, int controlId);

    bool HasVideo() const;
    BarHeights Bars() const;
    PixelSize FrameSize() const;
    void ResizeWindow(PixelSize outer);
    void ModifyStyle(DWORD remove, DWORD add);
    void ApplyWindowFlags();
    void ShowFrameHints();
    void LockSizeUnlessSizable();
    void PlaceClientArea();
    void PlaceControlBars();
    void PlaceSliders(int areaWidth, int top);
    void Zoom(bool horizontal, double step);
    void OnVideoReset();
    void OnAspectRatio();
    void OnFillScreen();
    void OnFillWithoutClipping();
    void Fill(VideoLayout::Mode mode);
    void OnToggleFill();
    void OnOriginalWindowSize();
    void ShowBar(int which, bool show);
    void ToggleBar(int which);
    void ToggleCompactView();
    void SetCompactView(bool on);
    void ToggleAlwaysOnTop();
    void OnMaximize();
    void OnMinimize();
    void OnRestore();
    QRect ScreenRect() const;
    QRect AvailableScreenRect() const;
    PixelSize AvailableScreenSize() const;
    void KeepOnScreen();
    void OnFullscreenSize();
    void CoverDisplay();
    void ToggleBookmarkEditor();
    void SetToolButtonFace(int commandId, const char* imageKey, const char* tooltipKey);
    bool ApplyWindowPositionOption();
    void ApplyBorderOptions();

    CSettings* settings;
    CLanguageFile* language;
    CPlayerCommandLineInfo* commandLine;
    PlayerSession session{settings};
    VideoLayout& layout = session.Layout();
    WindowPlaylist playlist{*this};
    WindowBookmarks bookmarks{*this};
    WindowDisc disc{*this};

    QString captionFile;  // " - " and the file's name, in the title after an open
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    bool topmost = false;
    bool initialised = false;
    bool fullscreen = false;
    bool layoutEnabled = true;  // cleared while a bar toggles
    bool quitAfterPlayback = false;
    bool countingDown = false;  // the playback delay's countdown is up
    bool closing = false;       // no box holds up a window on its way out
    bool startupMediumHandled = false;
    bool changingWindowState = false;  // so its own state changes are not the user's
    int splashHeight = kSplashHeight;
    COLORREF borderColour = 0;
    QPixmap splashPicture;
    QWidget* client = nullptr;
    PlayerBars bars;
    PlayerMenus menus;
    FullscreenState fullscreenState;
    PointerState pointer;
    SliderDrag drag;
    unsigned clockPeriod = kClockPeriodMs;  // 0 while stopped; the engine starts it at this pace
    EngineDialogs dialogs;
    OpeningState opening;
    std::unique_ptr<InstanceListener> instanceListener;
    WindowRemote remote{*this};  // last: it goes first, while all it reads is still there
};
