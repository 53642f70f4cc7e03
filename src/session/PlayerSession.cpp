#include "PlayerSession.h"

#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "session/CommandStates.h"
#include "session/StartOptionValues.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"

#include "CommandRanges.h"
#include "resource.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace {

using velvaro::engine::Deinterlacing;

// The View menu's items, in the order of the setting's values.
constexpr std::pair<int, Deinterlacing> kDeinterlaceItems[] = {
    {IDM_ANSICHT_DEINTERLACE_AUTO, Deinterlacing::Automatic},
    {IDM_ANSICHT_DEINTERLACE_EIN, Deinterlacing::On},
    {IDM_ANSICHT_DEINTERLACE_AUS, Deinterlacing::Off},
};

}  // namespace

// What the engine carries out as it is told, without a view.
PlayerSession::PlayerSession(CSettings* settings) : settings_(settings) {
    // A value no item has is Automatic.
    if (settings_ && settings_->deinterlace > 0 && settings_->deinterlace < 3) {
        deinterlacing_ = kDeinterlaceItems[settings_->deinterlace].second;
    }
    velvaro::engine::SetDeinterlacingOfNewGraphs(deinterlacing_);
    for (const auto& [command, mode] : kDeinterlaceItems) {
        Handle(command, [this, mode] { SetDeinterlacing(mode); });
    }
    HandleValue(value_command::kJump, [this](double position) {
        using Limits = std::numeric_limits<int>;
        if (player_ && !std::isnan(position)) {
            player_->SetPosition(static_cast<int>(std::clamp(
                position, static_cast<double>(Limits::min()), static_cast<double>(Limits::max()))));
        }
    });
    HandleValue(value_command::kVolume, [this](double volume) {
        if (player_ && !std::isnan(volume)) {
            transport_.SetVolume(static_cast<int>(std::clamp(volume, -10000.0, 0.0)));
        }
    });
    // A refused rate is normal speed.
    HandleValue(value_command::kRate, [this](double rate) {
        if (player_ && FAILED(player_->SetRate(rate))) {
            player_->SetRate(1.0);
        }
    });
    const int step = Transport::kDelayStep;
    Handle(IDM_AUDIO_DELAY_LATER, [this, step] { transport_.ShiftAudioDelay(step); });
    Handle(IDM_AUDIO_DELAY_EARLIER, [this, step] { transport_.ShiftAudioDelay(-step); });
    Handle(IDM_AUDIO_DELAY_RESET, [this] { transport_.ShiftAudioDelay(0); });
    Handle(IDM_SUBTITLE_DELAY_LATER, [this, step] { transport_.ShiftSubtitleDelay(step); });
    Handle(IDM_SUBTITLE_DELAY_EARLIER, [this, step] { transport_.ShiftSubtitleDelay(-step); });
    Handle(IDM_SUBTITLE_DELAY_RESET, [this] { transport_.ShiftSubtitleDelay(0); });
}

PlayerSession::~PlayerSession() {
    CloseEngine();
}

void PlayerSession::Adopt(std::unique_ptr<CFilePlayer> engine) {
    CloseEngine();
    file_ = std::move(engine);
    player_ = file_.get();
    // Chosen while it opened.
    player_->SetDeinterlacing(deinterlacing_);
    events_.OnEngineStarted();
}

void PlayerSession::Adopt(std::unique_ptr<CDvdPlayer> engine) {
    CloseEngine();
    dvd_ = std::move(engine);
    player_ = dvd_.get();
    player_->SetDeinterlacing(deinterlacing_);
    events_.OnEngineStarted();
}

void PlayerSession::CloseEngine() {
    if (!player_) {
        return;
    }
    if (settings_ && player_->HasAudio() == S_OK) {
        settings_->volume = player_->GetVolume();
        settings_->balance = player_->GetBalance();
    }
    history_.SaveResumePosition();
    transport_.RestorePowerSaving();
    player_ = nullptr;
    file_.reset();
    dvd_.reset();
    // Nothing is open, nothing plays, and there is no sound to show.
    Update([](PlayerState& now) {
        now.name.clear();
        now.path.clear();
        now.play = State_Stopped;
        now.volume.reset();
        now.position = 0;
        now.duration = 0;
        now.rate = 1.0;
        now.audioDelay = 0;
        now.subtitleDelay = 0;
    });
}

void PlayerSession::SetDeinterlacing(Deinterlacing mode) {
    deinterlacing_ = mode;
    velvaro::engine::SetDeinterlacingOfNewGraphs(mode);
    if (player_) {
        player_->SetDeinterlacing(mode);
    }
    if (settings_) {
        for (int value = 0; value < 3; ++value) {
            if (kDeinterlaceItems[value].second == mode) {
                settings_->deinterlace = value;
            }
        }
    }
    CheckDeinterlacing();
}

void PlayerSession::CheckDeinterlacing() {
    for (const auto& [command, mode] : kDeinterlaceItems) {
        commands_.SetChecked(command, mode == deinterlacing_);
    }
}

void PlayerSession::Handle(int command, std::function<void()> action) {
    HandleIf(command, [action = std::move(action)] {
        action();
        return true;
    });
}

void PlayerSession::HandleIf(int command, std::function<bool()> action) {
    handlers_[command].push_back(std::move(action));
}

void PlayerSession::HandleRange(int first, int end, std::function<void(int)> action) {
    ranges_.push_back({first, end, std::move(action)});
}

void PlayerSession::HandleValue(int command, std::function<void(double)> action) {
    valueHandlers_[command] = std::move(action);
}

void PlayerSession::Alias(int button, int command) {
    aliases_[button] = command;
}

void PlayerSession::SetOpeningQuery(std::function<bool()> opening) {
    opening_ = std::move(opening);
}

bool PlayerSession::Execute(int command) {
    if (Opening() && ActsOnMedium(command)) {
        Defer([this, command] { Execute(command); });
        return true;
    }
    bool handled = false;
    if (const auto handlers = handlers_.find(command); handlers != handlers_.end()) {
        for (const auto& action : handlers->second) {
            if (action()) {
                handled = true;
                break;
            }
        }
    }
    for (const Range& range : ranges_) {
        if (!handled && command >= range.first && command < range.end) {
            range.action(command);
            handled = true;
        }
    }
    if (!handled) {
        const auto alias = aliases_.find(command);
        return alias != aliases_.end() && Execute(alias->second);
    }
    // What it changed shows at once, not at the clock's next tick.
    events_.Refresh();
    Q_EMIT executed(command);
    return true;
}

bool PlayerSession::Execute(int command, double value) {
    if (Opening() && ActsOnMedium(command)) {
        Defer([this, command, value] { Execute(command, value); });
        return true;
    }
    const auto handler = valueHandlers_.find(command);
    if (handler == valueHandlers_.end()) {
        return false;
    }
    handler->second(value);
    events_.Refresh();
    Q_EMIT executed(command);
    return true;
}

void PlayerSession::Update(const std::function<void(PlayerState&)>& change) {
    PlayerState next = state_;
    change(next);
    if (next == state_) {
        return;
    }
    const PlayerState before = std::exchange(state_, std::move(next));
    Q_EMIT stateChanged(state_, before);
}

void PlayerSession::ChangeLayout(const std::function<void(VideoLayout&)>& change) {
    change(layout_);
    Update([this](PlayerState& now) {
        now.zoom = {layout_.HorizontalZoom(), layout_.VerticalZoom()};
    });
}

void PlayerSession::Key(UINT key, bool down) {
    if (key == VK_CONTROL) {
        controlDown_ = down;
        return;
    }
    if (!down) {
        return;
    }
    const KeyCommands commands = CommandsForKey(key, controlDown_);
    if (commands.command == 0) {
        return;
    }
    // Both of a key's commands wait together, so its fallback still follows.
    if (Opening() && ActsOnMedium(commands.command)) {
        Defer([this, commands] {
            if (!Execute(commands.command) && commands.fallback != 0) {
                Execute(commands.fallback);
            }
        });
        return;
    }
    if (!Execute(commands.command) && commands.fallback != 0) {
        Execute(commands.fallback);
    }
}

bool PlayerSession::TakeControlDown() {
    return std::exchange(controlDown_, false);
}

void PlayerSession::Defer(std::function<void()> input) {
    deferred_.push_back(std::move(input));
}

void PlayerSession::ReplayDeferred() {
    if (deferred_.empty()) {
        return;
    }
    // Each goes through Execute again: an open it starts keeps the rest.
    QMetaObject::invokeMethod(
        this,
        [this, inputs = std::exchange(deferred_, {})] {
            for (const auto& input : inputs) {
                input();
            }
        },
        Qt::QueuedConnection);
}

void PlayerSession::DropDeferred() {
    deferred_.clear();
}

bool PlayerSession::ActsOnMedium(int command) {
    static const std::set<int> mediumCommands = [] {
        std::set<int> ids;
        const MediumKind any{.open = true, .video = true, .audio = true};
        for (const CommandState& state : MenuStatesFor(any)) {
            if (state.enabled) {
                ids.insert(state.id);
            }
        }
        for (const CommandState& state : ButtonStatesFor(any)) {
            if (state.enabled) {
                ids.insert(state.id);
            }
        }
        for (int id = key_command::kFirst; id < key_command::kEnd; ++id) {
            ids.insert(id);
        }
        for (int id = value_command::kFirst; id < value_command::kEnd; ++id) {
            ids.insert(id);
        }
        return ids;
    }();
    if (command == key_command::kCompactView) {
        return mediumCommands.contains(IDM_ANSICHT_VIDEOPUR);
    }
    return mediumCommands.contains(command);
}

namespace {

// Exactly one of the pair was given.
bool Only(int option, int opposite) {
    return option && !opposite;
}

}  // namespace

void PlayerSession::ApplyStartOptions(const CPlayerCommandLineInfo& options) {
    if (Only(options.GetLoop(), options.GetNoLoop())) {
        loop_.Set(true, false);
    } else if (Only(options.GetNoLoop(), options.GetLoop())) {
        loop_.Set(false, false);
    }
    if (!player_) {
        return;
    }
    if (const auto hundredths = JumpOption(options.GetJumpPosition())) {
        player_->SetPosition(*hundredths);
    }
    if (player_->HasAudio() == S_OK) {
        const bool muted = player_->GetVolume() == kVolumeSilent;
        if (Only(options.GetMute(), options.GetNoMute()) && !muted) {
            transport_.ToggleMute();
        } else if (Only(options.GetNoMute(), options.GetMute()) && muted) {
            transport_.ToggleMute();
        }
    }
    if (Only(options.GetPlay(), options.GetPause())) {
        if (state_.play != State_Running) {
            transport_.PlayPause();
        }
    } else if (Only(options.GetPause(), options.GetPlay()) &&
               (state_.play == State_Running || state_.play == State_Stopped)) {
        transport_.PlayPause();
    }
}
