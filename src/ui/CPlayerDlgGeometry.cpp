// Where the video goes: the video area, the zoom and fill commands over the
// window's VideoLayout, the original window size and the window fitted
// around the bars.
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
#include <QScreen>

#include <algorithm>

namespace {

// How far a span must move to lie inside a free span; its start wins when it
// is longer than the free span.
int ShiftInto(int first, int last, int freeFirst, int freeLast) {
    if (last > freeLast) {
        return std::max(freeLast - last, freeFirst - first);
    }
    return first < freeFirst ? freeFirst - first : 0;
}

}  // namespace

bool CPlayerDlg::HasVideo() const {
    return Player() && Player()->HasVideo() == S_OK;
}

// The desktop of the current display mode.
QRect CPlayerDlg::ScreenRect() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

PixelSize CPlayerDlg::FrameSize() const {
    const QRect outer = frameGeometry();
    return {outer.width() - client->width(), outer.height() - client->height()};
}

BarHeights CPlayerDlg::Bars() const {
    return {.toolbar = bars.toolbar && !bars.toolbar->isHidden() ? bars.toolbar->height() : 0,
            .positionBar = bars.position ? bars.position->height() : 0,
            .statusBar = bars.status ? bars.status->height() : 0,
            .toolbarOnTop = settings->toolBarPos == 0};
}

// The window's outer size, frame and menu bar included, becomes `outer`.
void CPlayerDlg::ResizeWindow(PixelSize outer) {
    const QRect frame = frameGeometry();
    const int decorationWidth = frame.width() - width();
    const int decorationHeight = frame.height() - height();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(std::max(1, outer.width - decorationWidth),
           std::max(1, outer.height - decorationHeight));
    PlaceClientArea();
    LockSizeUnlessSizable();
}

void CPlayerDlg::PlaceClientArea() {
    int menuHeight = 0;
    if (menus.bar && bars.menuAttached) {
        menuHeight = menus.bar->heightForWidth(width()) > 0 ? menus.bar->heightForWidth(width())
                                                            : menus.bar->sizeHint().height();
    }
    if (menus.bar) {
        menus.bar->setGeometry(0, 0, width(), menuHeight);
    }
    client->setGeometry(0, menuHeight, width(), height() - menuHeight);
}

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceClientArea();
    OnSize();
}

// Every user resize outside fullscreen fits the whole picture into the new
// area, discarding a zoom set by hand.
void CPlayerDlg::OnSize() {
    PlaceControlBars();
    if (layoutEnabled && Player()) {
        if (fullscreenState.inTransition) {
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
    const int statusHeight = Bars().statusBar;
    if (bars.status) {
        bars.status->setGeometry(0, area.height() - statusHeight, area.width(), statusHeight);
    }
    if (bars.toolbar && !bars.toolbar->isHidden()) {
        // The buttons wrap: a narrower window may need more rows.
        const int height = bars.toolbar->heightForWidth(area.width());
        const int top = settings->toolBarPos == 0 ? 0 : area.height() - statusHeight - height;
        bars.toolbar->setGeometry(0, top, area.width(), height);
    }
}

// The position bar's row below the video area, the volume slider at its right end.
void CPlayerDlg::PlaceSliders(int areaWidth, int top) {
    bars.position->setGeometry(0, top, areaWidth - kVolumeSliderWidth, bars.position->height());
    bars.volume->setGeometry(areaWidth - kVolumeSliderWidth, top, kVolumeSliderWidth,
                             bars.volume->height());
    bars.position->update();
    bars.volume->update();
}

void CPlayerDlg::SetMenuCheck(int id, UINT flags) {
    session.Commands().SetChecked(id, (flags & MF_CHECKED) != 0);
}

void CPlayerDlg::SetMenuEnable(int id, UINT flags) {
    session.Commands().SetEnabled(id, (flags & MF_GRAYED) == 0);
}

void CPlayerDlg::GetVideoAreaSize(int* width, int* height) const {
    *width = client->width();
    *height = VideoAreaHeight(client->height(), Bars(), fullscreen);
}

void CPlayerDlg::LayoutVideo() {
    if (!HasVideo()) {
        return;
    }
    PixelSize video;
    Player()->GetVideoSize(&video.width, &video.height);
    PixelSize area;
    GetVideoAreaSize(&area.width, &area.height);
    const int top = Bars().TopOffset();
    Player()->SetWindowPosition(0, top, area.width, area.height);
    const PixelRect picture = layout.Destination(video, area);
    Player()->SetDestinationPosition(picture.left, picture.top, picture.width, picture.height);
    bars.status->SetText(5, QString::asprintf("%i x %i", picture.width, picture.height));
    bars.status->SetText(2, QString::fromStdString(ZoomText(layout.HorizontalZoom())));
    bars.status->SetText(3, QString::fromStdString(ZoomText(layout.VerticalZoom())));
    PlaceSliders(area.width, top + area.height);
}

void CPlayerDlg::Zoom(bool horizontal, double step) {
    if (HasVideo()) {
        layout.Zoom(horizontal, step, settings->aspectRatio == 1);
        LayoutVideo();
    }
}

void CPlayerDlg::OnVideoReset() {
    if (HasVideo()) {
        layout.Reset();
        LayoutVideo();
    }
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
        layout.KeepAspect();
    }
    LayoutVideo();
}

void CPlayerDlg::Fill(VideoLayout::Mode mode) {
    if (!HasVideo()) {
        return;
    }
    const double ratio = Player()->GetAspectRatio();
    PixelSize video;
    Player()->GetVideoSize(&video.width, &video.height);
    PixelSize area;
    GetVideoAreaSize(&area.width, &area.height);
    if (!layout.Fill(mode, ratio, video, area, settings->aspectRatio == 1)) {
        return;
    }
    const char* face = mode == VideoLayout::kFill ? "FillScreen" : "Clipping";
    SetToolButtonFace(IDTBB_CLIPPING, face, face);
    LayoutVideo();
}

void CPlayerDlg::OnFillScreen() {
    Fill(VideoLayout::kFill);
}

void CPlayerDlg::OnFillWithoutClipping() {
    Fill(VideoLayout::kFillWithoutClipping);
}

// The button always shows the mode the next press selects.
void CPlayerDlg::OnToggleFill() {
    if (!HasVideo()) {
        return;
    }
    if (layout.ZoomMode() == VideoLayout::kFillWithoutClipping) {
        OnFillScreen();
    } else {
        OnFillWithoutClipping();
    }
}

void CPlayerDlg::OnOriginalWindowSize() {
    if (!HasVideo()) {
        return;
    }
    PixelSize video;
    Player()->GetVideoSize(&video.width, &video.height);
    const PixelSize area = FitVideoArea(video, FrameSize(), Bars(), AvailableScreenSize());
    SetVideoWindowSize(area.width, area.height, false);
    if (area != video) {
        // Shown smaller than its own size: the zoom says by how much.
        OnFillWithoutClipping();
        KeepOnScreen();
    }
}

QRect CPlayerDlg::AvailableScreenRect() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

PixelSize CPlayerDlg::AvailableScreenSize() const {
    const QRect rect = AvailableScreenRect();
    return {rect.width(), rect.height()};
}

// Moves the window just enough for its frame to lie on the screen's free area.
void CPlayerDlg::KeepOnScreen() {
    const QRect free = AvailableScreenRect();
    const QRect outer = frameGeometry();
    const QPoint shift(ShiftInto(outer.left(), outer.right(), free.left(), free.right()),
                       ShiftInto(outer.top(), outer.bottom(), free.top(), free.bottom()));
    if (!shift.isNull()) {
        move(pos() + shift);
    }
}

// The second pass catches a menu bar that wrapped at the new width.
void CPlayerDlg::SetVideoWindowSize(int width, int height, bool secondPass) {
    if (!HasVideo()) {
        return;
    }
    Player()->SetWindowPosition(0, Bars().TopOffset(), width, height);
    const PixelSize frame = FrameSize();
    if (!isVisible() || isMaximized() || isMinimized()) {
        showNormal();
    }
    ResizeWindow(WindowSizeFor({width, height}, frame, Bars()));
    if (!secondPass) {
        SetVideoWindowSize(width, height, true);
    }
}

void CPlayerDlg::FitWindowToBars() {
    const PixelSize frame = FrameSize();
    const BarHeights heights = Bars();
    if (HasVideo()) {
        PixelSize window;
        Player()->GetWindowSize(&window.width, &window.height);
        if (!isMaximized()) {
            ResizeWindow(WindowSizeFor(window, frame, heights));
        }
        LayoutVideo();
        return;
    }
    ResizeWindow(WindowSizeFor({kSplashWidth, splashHeight}, frame, heights));
    PlaceSliders(kSplashWidth, Bars().TopOffset() + splashHeight);
}
