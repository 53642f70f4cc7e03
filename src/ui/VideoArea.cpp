// The client area is the widget below the menu bar: the commands' sizes are
// reckoned in client and frame sizes, the frame being the window system's
// decoration plus the menu bar.
#include "ui/VideoArea.h"

#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/FullscreenView.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/ToolStrip.h"

#include <QMenuBar>

VideoArea::VideoArea(ViewParts parts, const FullscreenView& fullscreen)
    : parts_(std::move(parts)),
      fullscreen_(fullscreen),
      splashHeight_(parts_.commandLine.GetNoSplash() ? 0 : kSplashHeight) {}

bool VideoArea::HasVideo() const {
    CMediaPlayer* const player = Engine();
    return player && player->HasVideo() == S_OK;
}

PixelSize VideoArea::FrameSize() const {
    const QRect outer = parts_.window.frameGeometry();
    return {outer.width() - parts_.client.width(), outer.height() - parts_.client.height()};
}

BarHeights VideoArea::Bars() const {
    const PlayerBars& bars = parts_.bars;
    return {.toolbar = bars.toolbar && !bars.toolbar->isHidden() ? bars.toolbar->height() : 0,
            .positionBar = bars.position ? bars.position->height() : 0,
            .statusBar = bars.status ? bars.status->height() : 0,
            .toolbarOnTop = parts_.settings.toolBarPos == 0};
}

void VideoArea::PlaceClientArea() {
    QMenuBar* const menuBar = parts_.menus.bar.get();
    const int width = parts_.window.width();
    int menuHeight = 0;
    if (menuBar && parts_.bars.menuAttached) {
        menuHeight = menuBar->heightForWidth(width) > 0 ? menuBar->heightForWidth(width)
                                                        : menuBar->sizeHint().height();
    }
    if (menuBar) {
        menuBar->setGeometry(0, 0, width, menuHeight);
    }
    parts_.client.setGeometry(0, menuHeight, width, parts_.window.height() - menuHeight);
}

void VideoArea::PlaceControlBars() {
    PlayerBars& bars = parts_.bars;
    const QSize area = parts_.client.size();
    const int statusHeight = Bars().statusBar;
    if (bars.status) {
        bars.status->setGeometry(0, area.height() - statusHeight, area.width(), statusHeight);
    }
    if (bars.toolbar && !bars.toolbar->isHidden()) {
        // The buttons wrap: a narrower window may need more rows.
        const int height = bars.toolbar->heightForWidth(area.width());
        const int top = parts_.settings.toolBarPos == 0 ? 0 : area.height() - statusHeight - height;
        bars.toolbar->setGeometry(0, top, area.width(), height);
    }
}

// The volume slider sits at the right end of the position bar's row.
void VideoArea::PlaceSliders(int areaWidth, int top) {
    PlayerBars& bars = parts_.bars;
    bars.position->setGeometry(0, top, areaWidth - kVolumeSliderWidth, bars.position->height());
    bars.volume->setGeometry(areaWidth - kVolumeSliderWidth, top, kVolumeSliderWidth,
                             bars.volume->height());
    bars.position->update();
    bars.volume->update();
}

void VideoArea::GetVideoAreaSize(int* width, int* height) const {
    *width = parts_.client.width();
    *height = VideoAreaHeight(parts_.client.height(), Bars(), fullscreen_.IsFullscreen());
}

void VideoArea::LayoutVideo() {
    if (!HasVideo()) {
        return;
    }
    CMediaPlayer* const player = Engine();
    PixelSize video;
    player->GetVideoSize(&video.width, &video.height);
    PixelSize area;
    GetVideoAreaSize(&area.width, &area.height);
    const int top = Bars().TopOffset();
    player->SetWindowPosition(0, top, area.width, area.height);
    const VideoLayout& layout = parts_.layout;
    const PixelRect picture = layout.Destination(video, area);
    player->SetDestinationPosition(picture.left, picture.top, picture.width, picture.height);
    PlayerStatusBar* const status = parts_.bars.status;
    status->SetText(5, QString::asprintf("%i x %i", picture.width, picture.height));
    const PlayerState::Zoom& zoom = parts_.session.State().zoom;
    status->SetText(2, QString::fromStdString(ZoomText(zoom.horizontal)));
    status->SetText(3, QString::fromStdString(ZoomText(zoom.vertical)));
    PlaceSliders(area.width, top + area.height);
}

void VideoArea::Zoom(bool horizontal, double step) {
    if (HasVideo()) {
        const bool keepAspect = parts_.settings.aspectRatio == 1;
        parts_.session.ChangeLayout(
            [&](VideoLayout& layout) { layout.Zoom(horizontal, step, keepAspect); });
        LayoutVideo();
    }
}

void VideoArea::OnVideoReset() {
    if (HasVideo()) {
        parts_.session.ChangeLayout([](VideoLayout& layout) { layout.Reset(); });
        LayoutVideo();
    }
}

void VideoArea::OnAspectRatio() {
    if (!HasVideo()) {
        return;
    }
    int& aspectRatio = parts_.settings.aspectRatio;
    aspectRatio = aspectRatio == 1 ? 0 : 1;
    parts_.session.Commands().SetChecked(IDM_VIDEO_ASPECTRATIO, aspectRatio == 1);
    if (aspectRatio == 1) {
        parts_.session.ChangeLayout([](VideoLayout& layout) { layout.KeepAspect(); });
    }
    LayoutVideo();
}

void VideoArea::Fill(VideoLayout::Mode mode) {
    if (!HasVideo()) {
        return;
    }
    CMediaPlayer* const player = Engine();
    const double ratio = player->GetAspectRatio();
    PixelSize video;
    player->GetVideoSize(&video.width, &video.height);
    PixelSize area;
    GetVideoAreaSize(&area.width, &area.height);
    bool filled = false;
    const bool keepAspect = parts_.settings.aspectRatio == 1;
    parts_.session.ChangeLayout(
        [&](VideoLayout& layout) { filled = layout.Fill(mode, ratio, video, area, keepAspect); });
    if (!filled) {
        return;
    }
    const char* face = mode == VideoLayout::kFill ? "FillScreen" : "Clipping";
    parts_.session.Commands().SetFace(IDTBB_CLIPPING, face, face);
    LayoutVideo();
}

void VideoArea::OnFillScreen() {
    Fill(VideoLayout::kFill);
}

void VideoArea::OnFillWithoutClipping() {
    Fill(VideoLayout::kFillWithoutClipping);
}

// The button always shows the mode the next press selects.
void VideoArea::OnToggleFill() {
    if (!HasVideo()) {
        return;
    }
    if (parts_.layout.ZoomMode() == VideoLayout::kFillWithoutClipping) {
        OnFillScreen();
    } else {
        OnFillWithoutClipping();
    }
}
