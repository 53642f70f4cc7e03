#include "PlayerSession.h"

#include "session/CommandStates.h"

#include "resource.h"

#include <set>
#include <utility>

void PlayerSession::AddResponder(Responder responder) {
    responders_.push_back(std::move(responder));
}

void PlayerSession::SetOpeningQuery(std::function<bool()> opening) {
    opening_ = std::move(opening);
}

bool PlayerSession::Execute(int command) {
    if (Opening() && ActsOnMedium(command)) {
        Defer([this, command] { Execute(command); });
        return true;
    }
    return Dispatch(command);
}

bool PlayerSession::Dispatch(int command) {
    for (const Responder& responder : responders_) {
        if (responder(command)) {
            return true;
        }
    }
    return false;
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
        return ids;
    }();
    if (command == key_command::kCompactView) {
        return mediumCommands.contains(IDM_ANSICHT_VIDEOPUR);
    }
    return mediumCommands.contains(command);
}
