#include "ui/WindowRemote.h"

#include "CommandRanges.h"
#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "engine/VolumeScale.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/NetworkAddress.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "ui/PlayerWindowState.h"
#include "ui/ViewParts.h"
#include "ui/WindowMenus.h"
#include "ui/WindowOpens.h"

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

WindowRemote::WindowRemote(const ViewParts& parts, const WindowMenus& menus,
                           const WindowOpens& opens, std::function<bool()> holdsInput)
    : parts_(parts), menus_(menus), opens_(opens), holdsInput_(std::move(holdsInput)) {}

WindowRemote::~WindowRemote() = default;

void WindowRemote::Start() {
    if (started_) {
        return;
    }
    started_ = true;
    qApp->installEventFilter(this);
    parts_.window.installEventFilter(this);
    connect(&parts_.session, &PlayerSession::stateChanged, this, &WindowRemote::Refresh);
    connect(&parts_.session.Events(), &EngineEvents::ticked, this, &WindowRemote::OnClockTick);
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
    if (!service_ || !parts_.session.Player()) {
        return;
    }
    Refresh();
    const PlayerState& now = parts_.session.State();
    const std::int64_t position = std::max(0, now.position) * kUsPerHundredth;
    // The engine's own rate: backwards it runs back.
    const double rate = now.play == State_Running ? now.rate : 0;
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
    const PlayerSession& session = parts_.session;
    if (!session.Player()) {
        return state;
    }
    const PlayerState& now = session.State();
    state.open = true;
    if (now.play == State_Running) {
        state.status = RemoteState::Status::kPlaying;
    } else if (now.play == State_Paused) {
        state.status = RemoteState::Status::kPaused;
    }
    if (session.FilePlayer()) {
        state.title = now.name;
        state.url = velvaro::platform::IsNetworkAddress(now.path)
                        ? now.path
                        : QUrl::fromLocalFile(now.path).toString(QUrl::FullyEncoded);
    }
    state.lengthUs = std::max(0, now.duration) * kUsPerHundredth;
    // Backwards speeds have no place in the interface; they show by their size.
    const double rate = std::abs(now.rate);
    state.rate = std::clamp(rate > 0 ? rate : 1.0, state.minimumRate, state.maximumRate);
    state.volume = now.volume ? volume_slider::PositionFromVolume(*now.volume) / 100.0 : 0;
    const auto clickable = [this](int id) {
        return menus_.ToolButton(id) && parts_.session.Commands().IsEnabled(id);
    };
    state.canGoNext = clickable(IDTBB_NEXTTRACKCHAPTER);
    state.canGoPrevious = clickable(IDTBB_PREVTRACKCHAPTER);
    state.canPlay = clickable(IDTBB_PLAY);
    state.canPause = clickable(IDTBB_PAUSE);
    state.canSeek = now.duration > 0 && parts_.bars.position->isEnabled();
    return state;
}

// Requests wait for an open and for the playback delay's countdown, which
// the film must not start under.
void WindowRemote::Run(std::function<void()> action) {
    if (holdsInput_()) {
        QTimer::singleShot(kRetryMilliseconds, this,
                           [this, action = std::move(action)] { Run(action); });
        return;
    }
    action();
    // Not all of it passes through the session's Execute.
    parts_.session.Events().Refresh();
    Refresh();
    parts_.session.Events().Wake();
}

void WindowRemote::Click(int buttonId) {
    Run([this, buttonId] {
        if (menus_.ToolButton(buttonId) && parts_.session.Commands().IsEnabled(buttonId)) {
            parts_.session.Execute(buttonId);
        }
    });
}

// Play again would also reset the speed; the interface wants nothing then.
void WindowRemote::RemotePlay() {
    if (parts_.session.State().play != State_Running) {
        Click(IDTBB_PLAY);
    }
}

void WindowRemote::RemotePause() {
    if (parts_.session.State().play != State_Paused) {
        Click(IDTBB_PAUSE);
    }
}

void WindowRemote::RemotePlayPause() {
    Run([this] { parts_.session.Execute(IDM_WIEDERGABE_WIEDERGABE_PAUSE); });
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
    QWidget& window = parts_.window;
    if (window.isMinimized()) {
        window.showNormal();
    }
    window.raise();
    window.activateWindow();
}

void WindowRemote::RemoteQuit() {
    Run([this] { parts_.window.close(); });
}

// As a click on the position bar lands.
void WindowRemote::RemoteSetPosition(std::int64_t positionUs) {
    Run([this, positionUs] {
        CClickSlider* slider = parts_.bars.position;
        if (!parts_.session.Player() || !slider->isEnabled()) {
            return;
        }
        parts_.session.Execute(value_command::kSeek,
                               static_cast<double>(positionUs / kUsPerHundredth));
        lastPositionUs_ = slider->value() * kUsPerHundredth;
        sinceLastTick_.start();
        if (service_) {
            service_->NotifySeeked(lastPositionUs_);
        }
    });
}

void WindowRemote::RemoteOpenUri(const QString& uri) {
    // http and https play from the network; file URIs name local files.
    const QString path = velvaro::platform::IsNetworkAddress(uri) ? uri : QUrl(uri).toLocalFile();
    if (!path.isEmpty()) {
        Run([this, path] { opens_.files({path}); });
    }
}

// A refused speed is normal speed, as with the speed commands.
void WindowRemote::RemoteSetRate(double rate) {
    const double speed = NearestSpeed(rate);
    Run([this, speed] { parts_.session.Execute(value_command::kRate, speed); });
}

// As a click on the volume slider lands.
void WindowRemote::RemoteSetVolume(double volume) {
    Run([this, volume] {
        CClickSlider* slider = parts_.bars.volume;
        if (!parts_.session.Player() || !slider->isEnabled()) {
            return;
        }
        slider->setValue(static_cast<int>(std::lround(volume * 100)));
        parts_.session.Execute(value_command::kVolume,
                               volume_slider::VolumeFromPosition(slider->value()));
    });
}

std::int64_t WindowRemote::RemotePosition() const {
    CMediaPlayer* player = parts_.session.Player();
    return player ? std::max(0, player->GetPosition()) * kUsPerHundredth : 0;
}

bool WindowRemote::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &parts_.window && event->type() == QEvent::WindowTitleChange) {
        Refresh();
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &parts_.window) {
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
