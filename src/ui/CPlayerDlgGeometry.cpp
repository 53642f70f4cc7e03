// Where the video goes and how the window looks: the video area, zoom and
// fill modes, the original window size, the five bars, compact view, always
// on top and the window states.
//
// The window's frame is the window system's decoration plus the menu bar:
// the client area is the widget below the menu bar, as the sizes of the
// commands are reckoned in client and frame sizes.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "settings/CSettings.h"
#include "ui/PlayerStatusBar.h"
#include "ui/ToolStrip.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWindowStateChangeEvent>

#include <functional>

namespace {

QString ZoomPercent(double factor) {
    return QString::asprintf("%.0f%s", factor * 100, "%");
}

constexpr int kBarItems[] = {IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR,
                             IDM_ANSICHT_TOOLBAR, IDM_ANSICHT_POSITIONSBAR};

}  // namespace

bool CPlayerDlg::HasVideo() const {
    return player && player->HasVideo() == S_OK;
}

QSize CPlayerDlg::ClientSize() const {
    return client->size();
}

QRect CPlayerDlg::WindowRect() const {
    return frameGeometry();
}

QRect CPlayerDlg::ScreenRect() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int CPlayerDlg::MenuBarHeight() const {
    if (!mainMenu || !menuAttached) {
        return 0;
    }
    return mainMenu->heightForWidth(width()) > 0 ? mainMenu->heightForWidth(width())
                                                 : mainMenu->sizeHint().height();
}

QSize CPlayerDlg::FrameSize() const {
    const QRect outer = frameGeometry();
    return {outer.width() - client->width(), outer.height() - client->height()};
}

int CPlayerDlg::ToolBarHeight() const {
    return toolbar && !toolbar->isHidden() ? toolbar->height() : 0;
}

int CPlayerDlg::TopOffset() const {
    return settings->toolBarPos == 0 ? ToolBarHeight() : 0;
}

int CPlayerDlg::PositionBarHeight() const {
    return positionSlider ? positionSlider->height() : 0;
}

int CPlayerDlg::StatusBarHeight() const {
    return statusBar ? statusBar->height() : 0;
}

void CPlayerDlg::ResizeWindow(int outerWidth, int outerHeight) {
    const QRect outer = frameGeometry();
    const int decorationWidth = outer.width() - width();
    const int decorationHeight = outer.height() - height();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(std::max(1, outerWidth - decorationWidth), std::max(1, outerHeight - decorationHeight));
    PlaceClientArea();
    LockSizeUnlessSizable();
}

void CPlayerDlg::MoveWindow(int x, int y) {
    move(x, y);
}

void CPlayerDlg::PlaceClientArea() {
    const int menuHeight = MenuBarHeight();
    if (mainMenu) {
        mainMenu->setGeometry(0, 0, width(), menuHeight);
    }
    client->setGeometry(0, menuHeight, width(), height() - menuHeight);
}

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceClientArea();
    OnSize();
}

void CPlayerDlg::OnSize() {
    PlaceControlBars();
    if (layoutEnabled && player) {
        if (inTransition) {
            LayoutVideo();
        } else if (fullscreen) {
            OnFullscreenSize();
        } else {
            OnFillWithoutClipping();
        }
    }
}

void CPlayerDlg::PlaceControlBars() {
    const QSize area = client->size();
    const int statusHeight = StatusBarHeight();
    if (statusBar) {
        statusBar->setGeometry(0, area.height() - statusHeight, area.width(), statusHeight);
    }
    if (toolbar && !toolbar->isHidden()) {
        // The buttons wrap: a narrower window may need more rows.
        const int height = toolbar->heightForWidth(area.width());
        const int top = settings->toolBarPos == 0 ? 0 : area.height() - statusHeight - height;
        toolbar->setGeometry(0, top, area.width(), height);
    }
}

void CPlayerDlg::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD changed = (style & ~remove) | add;
    if (changed != style) {
        style = changed;
        ApplyWindowFlags();
    }
    LockSizeUnlessSizable();
}

void CPlayerDlg::ApplyWindowFlags() {
    Qt::WindowFlags flags = Qt::Window;
    if (style & WS_CAPTION) {
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint;
        if (style & WS_MAXIMIZEBOX) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if (topmost) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    if (flags == windowFlags()) {
        return;
    }
    // New flags re-create the native window, which hides it.
    const bool visible = isVisible();
    const Qt::WindowStates states = windowState();
    setWindowFlags(flags);
    if (visible) {
        setWindowState(states);
        show();
    }
}

// Without a sizing frame the user cannot resize the window.
void CPlayerDlg::LockSizeUnlessSizable() {
    if ((style & WS_THICKFRAME) || isMaximized() || fullscreen) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
}

void CPlayerDlg::SetMenuCheck(int id, UINT flags) {
    menuStates->Check(id, (flags & MF_CHECKED) != 0);
}

void CPlayerDlg::SetMenuEnable(int id, UINT flags) {
    menuStates->Enable(id, (flags & MF_GRAYED) == 0);
}

void CPlayerDlg::GetVideoAreaSize(int* width, int* height) const {
    const QSize area = client->size();
    *width = area.width();
    *height = fullscreen
                  ? area.height()
                  : area.height() - PositionBarHeight() - StatusBarHeight() - ToolBarHeight();
}

void CPlayerDlg::LayoutVideo() {
    if (!HasVideo()) {
        return;
    }
    int videoWidth = 0;
    int videoHeight = 0;
    player->GetVideoSize(&videoWidth, &videoHeight);
    int areaWidth = 0;
    int areaHeight = 0;
    GetVideoAreaSize(&areaWidth, &areaHeight);
    const int top = TopOffset();
    player->SetWindowPosition(0, top, areaWidth, areaHeight);

    const int width = static_cast<int>(videoWidth * zoomX);
    const int height = static_cast<int>(videoHeight * zoomY);
    player->SetDestinationPosition((areaWidth - width) / 2, (areaHeight - height) / 2, width,
                                   height);
    statusBar->SetText(5, QString::asprintf("%i x %i", width, height));
    UpdateZoomStatus();

    positionSlider->setGeometry(0, top + areaHeight, areaWidth - volumeSliderWidth,
                                positionSlider->height());
    volumeSlider->setGeometry(areaWidth - volumeSliderWidth, top + areaHeight, volumeSliderWidth,
                              volumeSlider->height());
    positionSlider->update();
    volumeSlider->update();
}

void CPlayerDlg::UpdateZoomStatus() {
    statusBar->SetText(2, ZoomPercent(zoomX));
    statusBar->SetText(3, ZoomPercent(zoomY));
}

void CPlayerDlg::Zoom(bool horizontal, double step) {
    if (!HasVideo()) {
        return;
    }
    double& factor = horizontal ? zoomX : zoomY;
    factor += step;
    if (factor <= 0.0) {
        factor -= step;
    }
    if (settings->aspectRatio == 1) {
        (horizontal ? zoomY : zoomX) = factor;
    }
    zoomMode = 1;
    UpdateZoomStatus();
    LayoutVideo();
}

void CPlayerDlg::OnVideoReset() {
    if (!HasVideo()) {
        return;
    }
    zoomX = zoomY = 1.0;
    zoomMode = 0;
    UpdateZoomStatus();
    LayoutVideo();
}

void CPlayerDlg::OnAspectRatio() {
    if (!HasVideo()) {
        return;
    }
    if (settings->aspectRatio == 1) {
        settings->aspectRatio = 0;
        SetMenuCheck(IDM_VIDEO_ASPECTRATIO, MF_UNCHECKED);
    } else {
        settings->aspectRatio = 1;
        SetMenuCheck(IDM_VIDEO_ASPECTRATIO, MF_CHECKED);
        if (zoomX > zoomY) {
            zoomY = zoomX;
        } else {
            zoomX = zoomY;
        }
    }
    LayoutVideo();
}

// Both fill modes: the factors that make the picture fill the area, with
// `fitWidth` deciding which side fits when the aspect ratio is kept.
void CPlayerDlg::Fill(int mode,
                      const std::function<bool(double ratio, double areaRatio)>& fitWidth) {
    if (!HasVideo()) {
        return;
    }
    const double ratio = player->GetAspectRatio();
    int videoWidth = 0;
    int videoHeight = 0;
    player->GetVideoSize(&videoWidth, &videoHeight);
    int areaWidth = 0;
    int areaHeight = 0;
    GetVideoAreaSize(&areaWidth, &areaHeight);
    if (videoWidth <= 0 || videoHeight <= 0) {
        return;
    }
    const double byWidth = static_cast<double>(areaWidth) / videoWidth;
    const double byHeight = static_cast<double>(areaHeight) / videoHeight;
    if (settings->aspectRatio == 1) {
        const double areaRatio = areaHeight > 0 ? static_cast<double>(areaWidth) / areaHeight : 0.0;
        zoomX = zoomY = fitWidth(ratio, areaRatio) ? byWidth : byHeight;
    } else {
        zoomX = byWidth;
        zoomY = byHeight;
    }
    zoomMode = mode;
    UpdateZoomStatus();
    if (mode == 2) {
        SetToolButtonFace(IDTBB_CLIPPING, "FillScreen", "FillScreen");
    } else {
        SetToolButtonFace(IDTBB_CLIPPING, "Clipping", "Clipping");
    }
    LayoutVideo();
}

// A wide picture fits the height and loses its sides; a portrait one fits
// the width.
void CPlayerDlg::OnFillScreen() {
    Fill(2, [](double ratio, double) { return ratio < 1.0; });
}

// The whole picture stays visible, with bars on two sides.
void CPlayerDlg::OnFillWithoutClipping() {
    Fill(3, [](double ratio, double areaRatio) { return areaRatio <= ratio; });
}

// The button always shows the mode the next press selects.
void CPlayerDlg::OnToggleFill() {
    if (!HasVideo()) {
        return;
    }
    if (zoomMode == 3) {
        zoomMode = 2;
        SetToolButtonFace(IDTBB_CLIPPING, "FillScreen", "FillScreen");
        OnFillScreen();
    } else {
        zoomMode = 3;
        SetToolButtonFace(IDTBB_CLIPPING, "Clipping", "Clipping");
        OnFillWithoutClipping();
    }
}

void CPlayerDlg::OnOriginalWindowSize() {
    if (!HasVideo()) {
        return;
    }
    int width = 0;
    int height = 0;
    player->GetVideoSize(&width, &height);
    SetVideoWindowSize(width, height, false);
}

// The second pass catches a menu bar that wrapped at the new width.
void CPlayerDlg::SetVideoWindowSize(int width, int height, bool secondPass) {
    if (!HasVideo()) {
        return;
    }
    player->SetWindowPosition(0, TopOffset(), width, height);
    const QSize frame = FrameSize();
    if (!isVisible() || isMaximized() || isMinimized()) {
        showNormal();
    }
    ResizeWindow(width + frame.width(), height + PositionBarHeight() + StatusBarHeight() +
                                            frame.height() + ToolBarHeight());
    if (!secondPass) {
        SetVideoWindowSize(width, height, true);
    }
}

void CPlayerDlg::SetVideoAreaSize(int width, int height) {
    SetVideoWindowSize(width, height, false);
}

void CPlayerDlg::FitWindowToBars() {
    const QSize frame = FrameSize();
    const int bars = StatusBarHeight() + PositionBarHeight() + frame.height() + ToolBarHeight();
    if (HasVideo()) {
        int width = 0;
        int height = 0;
        player->GetWindowSize(&width, &height);
        if (!isMaximized()) {
            ResizeWindow(width + frame.width(), height + bars);
        }
        LayoutVideo();
        return;
    }
    ResizeWindow(splashWidth + frame.width(), splashHeight + bars);
    const int top = TopOffset() + splashHeight;
    positionSlider->setGeometry(0, top, splashWidth - volumeSliderWidth, positionSlider->height());
    volumeSlider->setGeometry(splashWidth - volumeSliderWidth, top, volumeSliderWidth,
                              volumeSlider->height());
}

// Hidden bars keep their widgets: they shrink to nothing and get their
// remembered size back when shown.
void CPlayerDlg::ShowBar(int which, bool show) {
    switch (which) {
        case kTitleBarIndex:
            if (show) {
                ModifyStyle(0, WS_CAPTION | WS_SYSMENU);
            } else {
                ModifyStyle(WS_CAPTION | WS_SYSMENU, 0);
            }
            break;
        case kMenuBarIndex:
            menuAttached = show;
            mainMenu->setVisible(show);
            PlaceClientArea();
            break;
        case kToolBarIndex:
            if (!toolbar) {
                break;
            }
            if (show) {
                toolbar->resize(toolbarSize.isValid() ? toolbarSize : toolbar->size());
                toolbar->show();
            } else if (!toolbar->isHidden()) {
                toolbarSize = toolbar->size();
                toolbar->hide();
            }
            break;
        case kStatusBarIndex:
            if (show) {
                statusBar->resize(statusBarSize.isValid() ? statusBarSize : statusBar->size());
                statusBar->show();
            } else if (!statusBar->isHidden()) {
                statusBarSize = statusBar->size();
                statusBar->resize(0, 0);
                statusBar->hide();
            }
            break;
        case kPositionBarIndex:
            if (show) {
                if (positionBarSize.isValid()) {
                    positionSlider->resize(positionBarSize);
                    volumeSlider->resize(volumeSliderSize);
                }
            } else if (positionSlider->height() > 0) {
                positionBarSize = positionSlider->size();
                volumeSliderSize = volumeSlider->size();
                positionSlider->resize(0, 0);
                volumeSlider->resize(0, 0);
            }
            break;
        default:
            break;
    }
    PlaceControlBars();
}

namespace {

int& BarSetting(CSettings& settings, int which) {
    switch (which) {
        case CPlayerDlg::kTitleBarIndex:
            return settings.titleBar;
        case CPlayerDlg::kMenuBarIndex:
            return settings.menuBar;
        case CPlayerDlg::kToolBarIndex:
            return settings.toolBar;
        case CPlayerDlg::kStatusBarIndex:
            return settings.statusBar;
        default:
            return settings.positionBar;
    }
}

constexpr int kBarCommand[] = {IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR, IDM_ANSICHT_TOOLBAR,
                               IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_POSITIONSBAR};

}  // namespace

void CPlayerDlg::ToggleBar(int which) {
    if (fullscreen) {
        return;
    }
    layoutEnabled = false;
    int& shown = BarSetting(*settings, which);
    shown = shown ? 0 : 1;
    SetMenuCheck(kBarCommand[which], shown ? MF_CHECKED : MF_UNCHECKED);
    ShowBar(which, shown != 0);
    FitWindowToBars();
    layoutEnabled = true;
}

void CPlayerDlg::ToggleTitleBar() {
    ToggleBar(kTitleBarIndex);
}
void CPlayerDlg::ToggleMenuBar() {
    ToggleBar(kMenuBarIndex);
}
void CPlayerDlg::ToggleToolBar() {
    ToggleBar(kToolBarIndex);
}
void CPlayerDlg::ToggleStatusBar() {
    ToggleBar(kStatusBarIndex);
}
void CPlayerDlg::TogglePositionBar() {
    ToggleBar(kPositionBarIndex);
}

void CPlayerDlg::ToggleCompactView() {
    SetCompactView(settings->compactView == 0);
}

void CPlayerDlg::SetCompactView(bool on) {
    SetMenuCheck(IDM_ANSICHT_VIDEOPUR, on ? MF_CHECKED : MF_UNCHECKED);
    for (int which :
         {kStatusBarIndex, kTitleBarIndex, kMenuBarIndex, kToolBarIndex, kPositionBarIndex}) {
        if (BarSetting(*settings, which)) {
            ShowBar(which, !on);
        }
    }
    for (int id : kBarItems) {
        SetMenuEnable(id, on ? MF_GRAYED : MF_ENABLED);
    }
    settings->compactView = on ? 1 : 0;
    FitWindowToBars();
}

void CPlayerDlg::ToggleAlwaysOnTop() {
    const bool on = settings->alwaysOnTop == 0;
    SetMenuCheck(IDM_ANSICHT_IMMEROBEN, on ? MF_CHECKED : MF_UNCHECKED);
    if (on) {
        SetToolButtonFace(IDTBB_ONTOP, "OnTop", "NotOnTop");
    } else {
        SetToolButtonFace(IDTBB_ONTOP, "NotOnTop", "OnTop");
    }
    topmost = on;
    ApplyWindowFlags();
    settings->alwaysOnTop = on ? 1 : 0;
}

// A window without caption cannot be maximised by every window manager, so
// it gets one for the moment.
void CPlayerDlg::OnMaximize() {
    if (!player) {
        return;
    }
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (!(style & WS_CAPTION)) {
        ModifyStyle(0, WS_CAPTION);
        showMaximized();
        ModifyStyle(WS_CAPTION, 0);
    } else {
        showMaximized();
    }
    LockSizeUnlessSizable();
    SetMenuEnable(IDM_ANSICHT_WIEDERHERSTELLEN, MF_ENABLED);
    if (style & WS_MAXIMIZEBOX) {
        SetMenuEnable(IDM_ANSICHT_MAXIMIEREN, MF_GRAYED);
    }
}

void CPlayerDlg::OnMinimize() {
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (fullscreen) {
        LeaveFullscreen();
    }
    showMinimized();
}

void CPlayerDlg::OnRestore() {
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (!(style & WS_CAPTION) && isMinimized()) {
        ModifyStyle(0, WS_CAPTION);
        showNormal();
        ModifyStyle(WS_CAPTION, 0);
        return;
    }
    showNormal();
    LockSizeUnlessSizable();
    SetMenuEnable(IDM_ANSICHT_WIEDERHERSTELLEN, MF_GRAYED);
    if ((style & WS_MAXIMIZEBOX) && !fullscreen) {
        SetMenuEnable(IDM_ANSICHT_MAXIMIEREN, MF_ENABLED);
    }
}

void CPlayerDlg::CenterWindow() {
    const QRect screen = ScreenRect();
    const QRect outer = frameGeometry();
    MoveWindow(screen.x() + (screen.width() - outer.width()) / 2,
               screen.y() + (screen.height() - outer.height()) / 2);
}

// The window manager's maximise and restore buttons act like the window's
// own commands, so the menu items follow.
void CPlayerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || changingWindowState || inTransition ||
        fullscreen || !menuStates) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMaximized = change->oldState() & Qt::WindowMaximized;
    if (isMaximized() && !wasMaximized) {
        SendMessage(this, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (!isMaximized() && !isMinimized() && wasMaximized) {
        SendMessage(this, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}
