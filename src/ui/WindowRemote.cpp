#include "ui/WindowRemote.h"

#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

// The forward speeds the window's speed commands reach: slow, normal and the
// doublings of fast forward.
constexpr double kSpeeds[] = {0.5, 1.0, 2.0, 4.0, 8.0, 16.0, 32.0};
constexpr std::int64_t kUsPerHundredth = 10000;
// A tick that finds the position this far from where playback would have
// brought it saw a jump.
constexpr std::int64_t kJumpUs = 1000000;
// How soon a request that came while a medium opened is tried again.
constexpr int kRetryMilliseconds = 100;

// The media keys and the toolbar buttons (or command) they press.
constexpr std::pair<int, int> kMediaKeys[] = {
    {Qt::Key_MediaPlay, IDTBB_PLAY},
    {Qt::Key_MediaPause, IDTBB_PAUSE},
    {Qt::Key_MediaTogglePlayPause, IDM_WIEDERGABE_WIEDERGABE_PAUSE},
    {Qt::Key_MediaStop, IDTBB_STOP},
    {Qt::Key_MediaNext, IDTBB_NEXTTRACKCHAPTER},
    {Qt::Key_MediaPrevious, IDTBB_PREVTRACKCHAPTER},
};

double NearestSpeed(double rate) {
    return *std::min_element(std::begin(kSpeeds), std::end(kSpeeds), [rate](double a, double b) {
        return std::abs(std::log2(a / rate)) < std::abs(std::log2(b / rate));
    });
}

}  // namespace

WindowRemote::WindowRemote(CPlayerDlg& window) : window_(window) {}

WindowRemote::~WindowRemote() = default;

void WindowRemote::Start() {
    if (started_) {
        return;
    }
    started_ = true;
    qApp->installEventFilter(this);
    window_.installEventFilter(this);
    connect(window_.VolumeBar(), &QSlider::valueChanged, this, &WindowRemote::Refresh);
    connect(&window_.Session(), &PlayerSession::stateChanged, this, &WindowRemote::Refresh);
    service_ = std::make_unique<MprisService>(*this);
    service_->Publish(Current());
    // Without a session bus nobody can ask, and the clock need not keep
    // the answers up to date.
    if (!service_->Start()) {
        service_.reset();
    }
}

void WindowRemote::OnOpening() {
    ++medium_;
    lastPositionUs_ = -1;
}

void WindowRemote::OnClockTick() {
    if (!service_ || !window_.Player()) {
        return;
    }
    Refresh();
    const std::int64_t position = RemotePosition();
    // The engine's own rate: backwards it runs back.
    const double rate =
        window_.Session().State().play == State_Running ? window_.Player()->GetRate() : 0;
    // Across a change of rate nobody can tell when it came; the change goes
    // out itself, and listeners read the position anew.
    if (lastPositionUs_ >= 0 && sinceLastTick_.isValid() && rate == lastRate_) {
        const auto advance = static_cast<std::int64_t>(
            static_cast<double>(sinceLastTick_.nsecsElapsed() / 1000) * rate);
        if (std::abs(position - (lastPositionUs_ + advance)) > kJumpUs) {
            service_->NotifySeeked(position);
        }
    }
    lastPositionUs_ = position;
    lastRate_ = rate;
    sinceLastTick_.start();
}

void WindowRemote::Refresh() {
    if (service_) {
        service_->Publish(Current());
    }
}

RemoteState WindowRemote::Current() const {
    RemoteState state;
    state.medium = medium_;
    state.minimumRate = kSpeeds[0];
    state.maximumRate = std::end(kSpeeds)[-1];
    CMediaPlayer* player = window_.Player();
    if (!player) {
        return state;
    }
    state.open = true;
    if (window_.Session().State().play == State_Running) {
        state.status = RemoteState::Status::kPlaying;
    } else if (window_.Session().State().play == State_Paused) {
        state.status = RemoteState::Status::kPaused;
    }
    if (window_.Session().FilePlayer()) {
        state.title = window_.Session().State().name;
        state.url =
            QUrl::fromLocalFile(window_.Session().State().path).toString(QUrl::FullyEncoded);
    }
    const int duration = player->GetDuration();
    state.lengthUs = std::max(0, duration) * kUsPerHundredth;
    // Backwards speeds have no place in the interface; they show by their size.
    const double rate = std::abs(player->GetRate());
    state.rate = std::clamp(rate > 0 ? rate : 1.0, state.minimumRate, state.maximumRate);
    state.volume = window_.VolumeBar()->value() / 100.0;
    const auto clickable = [this](int id) {
        return window_.Menus().ToolButton(id) && window_.Session().Commands().IsEnabled(id);
    };
    state.canGoNext = clickable(IDTBB_NEXTTRACKCHAPTER);
    state.canGoPrevious = clickable(IDTBB_PREVTRACKCHAPTER);
    state.canPlay = clickable(IDTBB_PLAY);
    state.canPause = clickable(IDTBB_PAUSE);
    state.canSeek = duration > 0 && window_.PositionBar()->isEnabled();
    return state;
}

// Requests wait for an open and for the playback delay's countdown, which
// the film must not start under.
void WindowRemote::Run(std::function<void()> action) {
    if (window_.HoldsInput()) {
        QTimer::singleShot(kRetryMilliseconds, this,
                           [this, action = std::move(action)] { Run(action); });
        return;
    }
    action();
    Refresh();
    window_.WakeClock();  // not all of it passes through the window's input
}

void WindowRemote::Click(int buttonId) {
    Run([this, buttonId] {
        if (window_.Menus().ToolButton(buttonId) &&
            window_.Session().Commands().IsEnabled(buttonId)) {
            window_.Session().Execute(buttonId);
        }
    });
}

// Play again would also reset the speed; the interface wants nothing then.
void WindowRemote::RemotePlay() {
    if (window_.Session().State().play != State_Running) {
        Click(IDTBB_PLAY);
    }
}

void WindowRemote::RemotePause() {
    if (window_.Session().State().play != State_Paused) {
        Click(IDTBB_PAUSE);
    }
}

void WindowRemote::RemotePlayPause() {
    Run([this] { window_.Session().Execute(IDM_WIEDERGABE_WIEDERGABE_PAUSE); });
}

void WindowRemote::RemoteStop() {
    Click(IDTBB_STOP);
}

void WindowRemote::RemoteNext() {
    Click(IDTBB_NEXTTRACKCHAPTER);
}

void WindowRemote::RemotePrevious() {
    Click(IDTBB_PREVTRACKCHAPTER);
}

void WindowRemote::RemoteRaise() {
    if (window_.isMinimized()) {
        window_.showNormal();
    }
    window_.raise();
    window_.activateWindow();
}

void WindowRemote::RemoteQuit() {
    Run([this] { window_.close(); });
}

// As a click on the position bar lands.
void WindowRemote::RemoteSetPosition(std::int64_t positionUs) {
    Run([this, positionUs] {
        CClickSlider* slider = window_.PositionBar();
        if (!window_.Player() || !slider->isEnabled()) {
            return;
        }
        slider->setValue(static_cast<int>(positionUs / kUsPerHundredth));
        slider->Scroll(SB_THUMBPOSITION);
        lastPositionUs_ = slider->value() * kUsPerHundredth;
        sinceLastTick_.start();
        if (service_) {
            service_->NotifySeeked(lastPositionUs_);
        }
    });
}

void WindowRemote::RemoteOpenUri(const QString& uri) {
    const QString path = QUrl(uri).toLocalFile();
    if (!path.isEmpty()) {
        Run([this, path] { window_.OpenFiles({path}); });
    }
}

// A refused speed is normal speed, as with the speed commands.
void WindowRemote::RemoteSetRate(double rate) {
    const double speed = NearestSpeed(rate);
    Run([this, speed] {
        if (window_.Player() && FAILED(window_.Player()->SetRate(speed))) {
            window_.Player()->SetRate(1.0);
        }
    });
}

// As a click on the volume slider lands.
void WindowRemote::RemoteSetVolume(double volume) {
    Run([this, volume] {
        CClickSlider* slider = window_.VolumeBar();
        if (!window_.Player() || !slider->isEnabled()) {
            return;
        }
        slider->setValue(static_cast<int>(std::lround(volume * 100)));
        slider->Scroll(SB_THUMBPOSITION);
    });
}

std::int64_t WindowRemote::RemotePosition() const {
    return window_.Player() ? std::max(0, window_.Player()->GetPosition()) * kUsPerHundredth : 0;
}

bool WindowRemote::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowTitleChange) {
        Refresh();
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    for (const auto& [mediaKey, command] : kMediaKeys) {
        if (mediaKey != key) {
            continue;
        }
        if (command == IDM_WIEDERGABE_WIEDERGABE_PAUSE) {
            RemotePlayPause();
        } else {
            Click(command);
        }
        return true;
    }
    return false;
}
