// The player window: the one top-level window, hub of everything the user
// does. It owns the engine of the open medium, the menus, the toolbar, the
// sliders and the status bar. Every input reaches WindowProc as a window
// message: keys are pre-translated into private messages, menu and toolbar
// commands arrive as WM_COMMAND, the engine's events as WM_GRAPH_EVENT.
//
// The class is split over files by concern: CPlayerDlg.cpp (lifecycle),
// CPlayerDlgInput.cpp (window procedure, keys, commands),
// CPlayerDlgOpen.cpp (opening, playing, timer), CPlayerDlgGeometry.cpp
// (video area, zoom, bars, window states), CPlayerDlgToolBar.cpp,
// CPlayerDlgOptions.cpp (command-line options, hand-over),
// CPlayerDlgPlayback.cpp (loop, mute, speed), CPlayerDlgFullscreen.cpp
// and CPlayerDlgMouse.cpp (fullscreen, the mouse in the video area).
#pragma once

#include "platform/PlayerMessages.h"

#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CClickSlider;
class CFilePlayer;
class CLanguageFile;
class CMediaPlayer;
class CPlayerCommandLineInfo;
class CSettings;
class CToolButtonTable;
class InstanceListener;
class MenuStates;
class PlayerStatusBar;
class PopupRegistry;
class QMenu;
class QMenuBar;
class ToolStrip;
class QAction;

using COLORREF = std::uint32_t;

class CPlayerDlg : public QDialog {
public:
    // The bars a toggle shows or hides.
    enum BarIndex {
        kTitleBarIndex,
        kMenuBarIndex,
        kToolBarIndex,
        kStatusBarIndex,
        kPositionBarIndex
    };

    CPlayerDlg(CPlayerCommandLineInfo* commandLine, CLanguageFile* language, CSettings* settings,
               QWidget* parent = nullptr);
    ~CPlayerDlg() override;

    // Runs the window: initialisation, then the modal loop until it closes.
    int exec() override;
    // The initialisation; exec() calls it, tests may call it and show().
    bool OnInitDialog();

    // The window procedure: every message goes through here.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Lifecycle (CPlayerDlg.cpp)
    void ShowIdleLayout();
    void ApplyProcessPriority();
    void DisablePowerSaving();
    void RestorePowerSaving();
    void ApplySettings();

    // Opening and playing (CPlayerDlgOpen.cpp)
    void OnFileOpen();
    void OpenFiles(QStringList paths);
    void OpenMedia(const QString& path, bool fromPlaylist);
    void OpenStartupMedium();
    void OnPlayPause();
    void Play();
    void Pause();
    void Stop(bool toMarkStart);
    void OnStop();
    void OnFileClose();
    void OnEndOfMedia(bool loop);
    void AfterPlayback();

    // Geometry and view modes (CPlayerDlgGeometry.cpp)
    void GetVideoAreaSize(int* width, int* height) const;
    void LayoutVideo();
    void SetVideoWindowSize(int width, int height, bool secondPass);
    void FitWindowToBars();
    void SetMenuCheck(int id, UINT flags);
    void SetMenuEnable(int id, UINT flags);

    // Toolbar (CPlayerDlgToolBar.cpp)
    void CreateToolBar();
    void InsertToolButton(int commandId, int position, int image, int state, bool separator,
                          const QString& tooltip);
    void SetToolButtonImage(int commandId, int image, const QString& tooltip);
    void SetToolButtonState(int commandId, int state);

    // Command-line options (CPlayerDlgOptions.cpp)
    void ApplyStartOptions();

    // Loop, mute, speed (CPlayerDlgPlayback.cpp)
    void ToggleLoop();
    // Check mark, flag and button face; with `selection` also the slider's.
    void SetLoop(bool on, bool selection);
    void ToggleMute();
    void UpdateMuteDisplay();
    void SetNormalSpeed();
    void VolumeUp();
    void VolumeDown();
    void ToggleShutdown();
    bool IsShutdownArmed() const;

    // ---- History and resume (CPlayerDlgHistory.cpp) ----
    void AddToHistory();
    void BuildRecentMenu();
    void SaveResumePosition();
    void JumpToLastPosition();
    void OpenRecent(int entry);
    void ClearHistory();
    // ---- end of history and resume ----

    // ---- Marks, skipping, speeds, screenshot (CPlayerDlgMarks.cpp) ----
    void SetMarkStart();
    void SetMarkEnd();
    void MarkAll();
    void JumpToMarkStart();
    void JumpToMarkEnd();
    // `steps` of 10 seconds, a signed 16-bit count.
    void Skip(int steps);
    void SkipForward();
    void SkipBackward();
    void PlayFastForwards();
    void PlayFastBackwards();
    void PlaySlowForwards();
    void PlaySlowBackwards();
    void OnScreenshot();
    // ---- end of marks ----

    // ---- Fullscreen and mouse (CPlayerDlgFullscreen.cpp, CPlayerDlgMouse.cpp) ----
    // Each needs a medium with video.
    void EnterFullscreen();
    void LeaveFullscreen();
    void OnFullscreen();
    // The bookmark editor beside the window, or hidden; the window keeps
    // the focus. Showing needs a file player.
    void ShowBookmarkEditor(bool show);
    QWidget* BookmarkEditor() const { return bookmarkEditor; }
    void SetBookmarkEditor(QWidget* editor) { bookmarkEditor = editor; }
    // The system cursor counts as the window system's does: each `true`
    // undoes one `false`; it shows while the count is not below zero.
    // Dialogs opened in fullscreen show it meanwhile with this.
    void ShowSystemCursor(bool show);
    bool IsCursorShown() const { return cursorShown; }
    bool IsSystemCursorShown() const { return systemCursorCount >= 0; }
    bool DisplayModeChanged() const { return displayModeChanged; }
    // Where the context menu opens for a right click at `point` (client
    // coordinates), in screen coordinates.
    QPoint ContextMenuPosition(QPoint point) const;
    // Skip steps of a wheel delta: whole notches, truncated towards zero.
    static int WheelSteps(int delta);

private:
    void OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLButtonDown();
    void OnLButtonUp();
    void OnMouseMove(WPARAM keys, QPoint point);
    void OnRButtonDown(QPoint point);
    void OnMouseWheel(int delta);
    void OnMouseMoveTimer();
    void ToggleBookmarkEditor();
    // A size message in fullscreen, after the transition.
    void OnFullscreenSize();
    // Gives the fullscreen window its display's size where no window
    // manager does.
    void CoverDisplay();

public:
    // ---- end of fullscreen and mouse ----

    // ---- Shutdown and auxiliary dialogs (CPlayerDlgShutdown.cpp) ----
    // The countdown after playback and, unless it is cancelled, the power-off.
    void RunShutdownCountdown();
    // Ctrl with play: the countdown before playback starts.
    void RunPlaybackDelay();
    void OnAudioSettings();
    void OnMediaProperties();
    // The engine is about to go: dialogs still showing it close at once.
    void ReleaseEngineDialogs();
    // In fullscreen the cursor shows while a dialog is open: true when it
    // was shown, to be handed to RestoreCursorAfterDialog, which undoes
    // exactly that.
    bool ShowCursorForDialog();
    void RestoreCursorAfterDialog(bool shown);
    // ---- end of shutdown and dialogs ----

    // What tests and the other windows read.
    CMediaPlayer* Player() const { return player; }
    CFilePlayer* FilePlayer() const { return filePlayer.get(); }
    int PlayState() const { return playState; }
    bool IsLooping() const { return loop; }
    bool IsFullscreen() const { return fullscreen; }
    bool QuitsAfterPlayback() const { return quitAfterPlayback; }
    int MarkStart() const { return markStart; }
    int MarkEnd() const { return markEnd; }
    double HorizontalZoom() const { return zoomX; }
    double VerticalZoom() const { return zoomY; }
    int ZoomMode() const { return zoomMode; }
    COLORREF BorderColour() const { return borderColour; }
    DWORD Style() const { return style; }
    QString StatusText(int part) const;
    const MenuStates& Menus() const { return *menuStates; }
    QMenuBar* MainMenu() const { return mainMenu.get(); }
    QMenu* ContextMenu() const { return contextMenu.get(); }
    ToolStrip* ToolBar() const { return toolbar; }
    QAction* ToolButton(int commandId) const;
    int ToolButtonImage(int commandId) const;
    CClickSlider* PositionSlider() const { return positionSlider; }
    CClickSlider* VolumeSlider() const { return volumeSlider; }
    PlayerStatusBar* StatusBar() const { return statusBar; }
    QWidget* ClientArea() const { return client; }
    // The client area's size: the window without its menu bar and frame.
    QSize ClientSize() const;
    // The window's outer rectangle, frame and menu bar included.
    QRect WindowRect() const;

    // Volume slider mapping: position 0..100 <-> 1/100 dB.
    static int VolumeFromSliderPosition(int position);
    static int SliderPositionFromVolume(int volume);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class PlayerClientArea;

    // Input (CPlayerDlgInput.cpp)
    bool PreTranslateMessage(QObject* watched, QEvent* event);
    void OnPlayerKeyDown(UINT key);
    void OnRunTimeCommand(int id);
    bool OnCommand(int id);
    void OnDropFiles(const QStringList& names);
    void OnMenuSelect(QMenu* popup);
    void OnGraphEvent();
    void OnInstanceParam(WPARAM wParam, LPARAM lParam);
    void OnSysCommand(WPARAM command);
    void ConnectMenus();

    // Lifecycle
    void OnPaint(QPainter& painter);
    void OnSize();
    void OnDestroy();
    void OnExit();
    void OnSettings();
    void CreateStatusBar();
    void CreateSliders();
    void BuildMenus();
    void TranslateWindow();
    void ApplyStoredViewSettings();

    // Opening (CPlayerDlgOpen.cpp)
    void OnTimer(UINT id);
    void OnHScroll(int code, int controlId);
    void CloseEngine();
    void StoreVolumeAndBalance();
    void EnableMediumCommands(bool hasVideo, bool hasAudio);
    void ResetMenus();
    void SetTitleSuffix(const QString& suffix);
    void OpenCompanionAudio(const QString& path);
    bool OpenExternalAudio(const QString& path);
    void RunPaused();
    void PlayPlaylistEntry();
    bool HasRememberedPosition() const;

    // Geometry (CPlayerDlgGeometry.cpp)
    bool HasVideo() const;
    bool HasAudioPlayer() const;
    int ToolBarHeight() const;
    int TopOffset() const;
    int PositionBarHeight() const;
    int StatusBarHeight() const;
    int MenuBarHeight() const;
    QSize FrameSize() const;
    // Resizes so the window's outer size becomes width x height.
    void ResizeWindow(int width, int height);
    void MoveWindow(int x, int y);
    void ModifyStyle(DWORD remove, DWORD add);
    void ApplyWindowFlags();
    void LockSizeUnlessSizable();
    void PlaceControlBars();
    void UpdateZoomStatus();
    void Zoom(bool horizontal, double step);
    void OnZoomWider() { Zoom(true, 0.05); }
    void OnZoomNarrower() { Zoom(true, -0.05); }
    void OnZoomTaller() { Zoom(false, 0.05); }
    void OnZoomShorter() { Zoom(false, -0.05); }
    void OnVideoReset();
    void OnAspectRatio();
    void OnFillScreen();
    void OnFillWithoutClipping();
    void Fill(int mode, const std::function<bool(double ratio, double areaRatio)>& fitWidth);
    void OnToggleFill();
    void OnOriginalWindowSize();
    void ToggleTitleBar();
    void ToggleMenuBar();
    void ToggleToolBar();
    void ToggleStatusBar();
    void TogglePositionBar();
    void ShowBar(int which, bool show);
    void ToggleBar(int which);
    void PlaceClientArea();
    void ToggleCompactView();
    void SetCompactView(bool on);
    void ToggleAlwaysOnTop();
    void OnMaximize();
    void OnMinimize();
    void OnRestore();
    void CenterWindow();
    // The primary screen's rectangle (the desktop of the current display mode).
    QRect ScreenRect() const;
    void SetVideoAreaSize(int width, int height);

    // Toolbar
    void CheckInMainMenu(int id, bool checked);
    void SetToolButtonFace(int commandId, const char* imageKey, const char* tooltipKey);
    QIcon ButtonIcon(int image) const;

    // Options (CPlayerDlgOptions.cpp)
    void ApplySizeOption();
    bool ApplyWindowPositionOption();
    void ApplyBorderOptions();
    void ApplyBorderColourOption();

    // links
    CSettings* settings;
    CLanguageFile* language;
    CPlayerCommandLineInfo* commandLine;

    // engine
    std::unique_ptr<CFilePlayer> filePlayer;
    CMediaPlayer* player = nullptr;
    int playState = 0;  // the engine's State_Stopped, State_Paused or State_Running

    // window
    QIcon icon;
    QCursor handCursor;
    QString captionBase = QStringLiteral("Velvaro");
    QString captionFile;
    QString fileName;
    QString filePath;
    QString programPath;
    QString versionText;
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    bool topmost = false;
    bool initialised = false;
    bool destroyed = false;
    std::unique_ptr<InstanceListener> instanceListener;

    // splash
    QPixmap splashPicture;
    int splashWidth = 450;
    int splashHeight = 250;

    // bars
    QWidget* client = nullptr;
    PlayerStatusBar* statusBar = nullptr;
    CClickSlider* positionSlider = nullptr;
    CClickSlider* volumeSlider = nullptr;
    int volumeSliderWidth = 80;
    ToolStrip* toolbar = nullptr;
    QPixmap toolbarNormal;
    QPixmap toolbarHover;
    std::unique_ptr<CToolButtonTable> toolbarButtons;
    // Remembered sizes of hidden bars.
    QSize toolbarSize;
    QSize statusBarSize;
    QSize positionBarSize;
    QSize volumeSliderSize;
    bool menuAttached = true;

    // menus
    std::unique_ptr<QMenuBar> mainMenu;
    std::unique_ptr<QMenu> contextMenu;
    std::unique_ptr<PopupRegistry> menuDirectory;
    std::unique_ptr<MenuStates> menuStates;

    // playlist: pairs of (media path, audio path)
    QStringList playlist;
    int playlistPosition = 0;

    // view
    bool fullscreen = false;
    double zoomX = 1.0;
    double zoomY = 1.0;
    double otherZoomX = 1.0;
    double otherZoomY = 1.0;
    int zoomMode = 0;
    bool layoutEnabled = true;
    bool inTransition = false;
    bool fittedInFullscreen = false;
    bool wasMaximized = false;
    QRect rectBeforeFullscreen;
    COLORREF borderColour = 0;

    // play
    bool loop = false;
    bool quitAfterPlayback = false;
    bool controlKeyDown = false;
    bool inMediaEnd = false;
    bool sliderDragging = false;
    int lastDragSeek = -1;
    unsigned lastDragTick = 0;
    int markStart = 0;
    int markEnd = 0;
    int volumeBeforeMute = 0;
    unsigned lastMouseMoveTick = 0;
    bool cursorShown = true;
    bool startupMediumHandled = false;
    bool powerSavingDisabled = false;
    // Set while the window changes its own state, so the state change it
    // causes is not taken for the window manager's.
    bool changingWindowState = false;

    // ---- Members: marks ----
    int startToggle = 1;
    int endToggle = 3;
    // ---- Members: fullscreen and mouse ----
    bool displayModeChanged = false;
    bool bookmarkEditorWasVisible = false;
    bool leftButtonPressed = false;
    QPoint lastMousePosition;
    int systemCursorCount = 0;
    // The window system may give the fullscreen size only after entering
    // has finished; the first fit is then done again for the real size.
    bool fitOnFullscreenSize = false;
    bool watchingDisplaySize = false;
    // The bookmark editor's window; not owned, null while there is none.
    QWidget* bookmarkEditor = nullptr;
    // ---- Members: shutdown and dialogs ----
    // Made on first use as children of the window, which deletes them.
    class CAudioSettingsDlg* audioSettingsDialog = nullptr;
    class CCodecDlg* codecDialog = nullptr;
};
