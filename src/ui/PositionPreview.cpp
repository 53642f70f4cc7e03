#include "ui/PositionPreview.h"

#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "session/LoopMarks.h"
#include "session/PlayerSession.h"
#include "ui/PlayerWindowState.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace {

// The largest picture: a 16:9 film fills it.
constexpr QSize kPictureBox(192, 108);
// Between the popup and the bar.
constexpr int kGap = 4;

}  // namespace

PositionPreview::PositionPreview(ViewParts parts) : parts_(std::move(parts)) {}

PositionPreview::~PositionPreview() = default;

void PositionPreview::Attach() {
    CClickSlider* slider = parts_.bars.position;
    slider->setMouseTracking(true);
    slider->installEventFilter(this);
    parts_.window.installEventFilter(this);
    popup_ = new QWidget(&parts_.window, Qt::ToolTip | Qt::FramelessWindowHint);
    popup_->setObjectName(QStringLiteral("PositionPreview"));
    popup_->setAttribute(Qt::WA_ShowWithoutActivating);
    popup_->setAttribute(Qt::WA_TransparentForMouseEvents);
    popup_->setStyleSheet(
        QStringLiteral("#PositionPreview { background: #202020; } QLabel { color: white; }"));
    auto* layout = new QVBoxLayout(popup_);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    picture_ = new QLabel(popup_);
    picture_->setObjectName(QStringLiteral("PreviewPicture"));
    picture_->setAlignment(Qt::AlignCenter);
    time_ = new QLabel(popup_);
    time_->setObjectName(QStringLiteral("PreviewTime"));
    time_->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture_);
    layout->addWidget(time_);
    QObject::connect(
        &parts_.session, &PlayerSession::stateChanged, this,
        [this](const PlayerState& now, const PlayerState& before) { OnStateChanged(now, before); });
}

void PositionPreview::Hide() {
    hovering_ = false;
    if (popup_) {
        popup_->hide();
        picture_->clear();
    }
}

bool PositionPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parts_.bars.position) {
        switch (event->type()) {
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() == Qt::NoButton) {
                    Hover(mouse->position().toPoint().x(), mouse->globalPosition().toPoint());
                } else {
                    Hide();  // the film itself shows where the thumb goes
                }
                break;
            }
            case QEvent::MouseButtonPress:
            case QEvent::Leave:
            case QEvent::Hide:
            case QEvent::EnabledChange:
                Hide();
                break;
            default:
                break;
        }
    } else if (watched == &parts_.window &&
               (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Hide ||
                event->type() == QEvent::Move)) {
        Hide();
    }
    return false;
}

void PositionPreview::Hover(int x, QPoint global) {
    const CClickSlider* slider = parts_.bars.position;
    velvaro::engine::FramePreviews* previews =
        slider->isEnabled() && slider->maximum() > slider->minimum() ? Previews() : nullptr;
    if (!previews) {
        Hide();
        return;
    }
    const int position = slider->PositionAt(x);
    hovering_ = true;
    pointer_ = global;
    time_->setText(QString::fromStdString(ClockText(position)));
    // The slider counts hundredths of a second.
    previews->Request(position * 10);
    // Until the first picture comes there is nothing to show.
    if (!picture_->pixmap().isNull()) {
        Place();
    }
}

velvaro::engine::FramePreviews* PositionPreview::Previews() {
    const CMediaPlayer* engine = parts_.engine();
    if (engine != previewsOf_) {
        previews_.reset();
        previewsOf_ = engine;
        CFilePlayer* file = parts_.session.FilePlayer();
        previewsRefused_ = !engine || engine != file || file->HasVideo() != S_OK;
        if (!previewsRefused_) {
            previews_ = std::make_unique<velvaro::engine::FramePreviews>(
                file->GetFileName(), kPictureBox, this,
                [this](const velvaro::engine::FramePreview& preview) { OnPicture(preview); });
        }
    }
    return previewsRefused_ ? nullptr : previews_.get();
}

void PositionPreview::OnPicture(const velvaro::engine::FramePreview& preview) {
    if (!hovering_) {
        return;
    }
    if (preview.picture.isNull()) {
        // A file without pictures to give: its previews are not asked again.
        if (picture_->pixmap().isNull()) {
            previewsRefused_ = true;
            Hide();
        }
        return;
    }
    picture_->setPixmap(QPixmap::fromImage(preview.picture));
    Place();
}

void PositionPreview::Place() {
    const CClickSlider* slider = parts_.bars.position;
    popup_->adjustSize();
    const QSize size = popup_->size();
    const QPoint barTop = slider->mapToGlobal(QPoint(0, 0));
    QPoint at(pointer_.x() - size.width() / 2, barTop.y() - size.height() - kGap);
    if (const QScreen* screen = slider->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(
            std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
        at.setY(std::max(at.y(), area.top()));
    }
    popup_->move(at);
    popup_->show();
}

void PositionPreview::OnStateChanged(const PlayerState& now, const PlayerState& before) {
    if (now.path != before.path) {
        Hide();
        previews_.reset();
        previewsOf_ = nullptr;
        previewsRefused_ = false;
    }
}
