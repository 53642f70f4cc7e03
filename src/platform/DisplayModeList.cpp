// Choosing a mode from a list, and a list of modes that switches only in
// memory: the rules every display follows, apart from any X server.
#include "platform/DisplayModes.h"

#include <cmath>
#include <utility>

int ChooseDisplayMode(const std::vector<DisplayMode>& modes, int width, int height,
                      double preferredRate) {
    int chosen = -1;
    for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
        const DisplayMode& mode = modes[static_cast<std::size_t>(i)];
        if (mode.width != width || mode.height != height) {
            continue;
        }
        if (chosen < 0) {
            chosen = i;
            continue;
        }
        const DisplayMode& best = modes[static_cast<std::size_t>(chosen)];
        if (preferredRate <= 0.0) {
            // Nothing to stay near: the fastest.
            if (mode.refreshRate > best.refreshRate) {
                chosen = i;
            }
            continue;
        }
        const double distance = std::abs(mode.refreshRate - preferredRate);
        const double bestDistance = std::abs(best.refreshRate - preferredRate);
        if (distance < bestDistance ||
            (distance == bestDistance && mode.refreshRate > best.refreshRate)) {
            chosen = i;
        }
    }
    return chosen;
}

ListedDisplayModes::ListedDisplayModes(std::vector<DisplayMode> modes, int current)
    : modes_(std::move(modes)), current_(current) {}

std::vector<DisplayMode> ListedDisplayModes::Modes() {
    return modes_;
}

DisplayMode ListedDisplayModes::CurrentMode() {
    if (current_ < 0 || current_ >= static_cast<int>(modes_.size())) {
        return {};
    }
    return modes_[static_cast<std::size_t>(current_)];
}

bool ListedDisplayModes::ChangeForFullscreen(int width, int height) {
    const int chosen = ChooseDisplayMode(modes_, width, height, CurrentMode().refreshRate);
    if (chosen < 0) {
        return false;
    }
    if (registered_ < 0) {
        registered_ = current_;
    }
    current_ = chosen;
    return true;
}

bool ListedDisplayModes::RestoreRegisteredMode() {
    if (registered_ >= 0) {
        current_ = registered_;
        registered_ = -1;
    }
    return true;
}
