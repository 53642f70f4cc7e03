#include "KeyFrameSeeks.h"

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <optional>

namespace velvaro::engine {

namespace {

// A seek that has not landed by then (one into the film's very end may
// never preroll) no longer holds the newest back.
constexpr auto kLongestFlight = std::chrono::milliseconds(1000);

}  // namespace

struct KeyFrameSeeks::Shared {
    std::function<bool(std::int64_t)> seek;  // Request's thread only
    std::mutex mutex;
    QObject* context = nullptr;
    bool inFlight = false;
    std::chrono::steady_clock::time_point since;
    std::optional<std::int64_t> waiting;

    // Request's thread, holding `mutex` through `lock`, which it lets
    // go of while seeking: the seek's own preroll may land meanwhile.
    bool SeekNow(std::unique_lock<std::mutex>& lock, std::int64_t position) {
        inFlight = true;
        since = std::chrono::steady_clock::now();
        waiting.reset();
        lock.unlock();
        const bool sought = seek(position);
        lock.lock();
        if (!sought) {
            inFlight = false;
        }
        return sought;
    }
};

KeyFrameSeeks::KeyFrameSeeks(std::function<bool(std::int64_t)> seek)
    : shared_(std::make_shared<Shared>()) {
    shared_->seek = std::move(seek);
}

void KeyFrameSeeks::SetContext(QObject* context) {
    std::lock_guard lock(shared_->mutex);
    shared_->context = context;
}

KeyFrameSeeks::~KeyFrameSeeks() = default;

bool KeyFrameSeeks::Request(std::int64_t position) {
    std::unique_lock lock(shared_->mutex);
    if (shared_->inFlight && std::chrono::steady_clock::now() - shared_->since < kLongestFlight) {
        shared_->waiting = position;
        return true;
    }
    return shared_->SeekNow(lock, position);
}

void KeyFrameSeeks::Drop() {
    std::lock_guard lock(shared_->mutex);
    shared_->inFlight = false;
    shared_->waiting.reset();
}

void KeyFrameSeeks::Landed() {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->inFlight) {
        return;
    }
    shared_->inFlight = false;
    if (!shared_->waiting || !shared_->context) {
        return;
    }
    QMetaObject::invokeMethod(
        shared_->context,
        [weak = std::weak_ptr<Shared>(shared_)] {
            const std::shared_ptr<Shared> shared = weak.lock();
            if (!shared) {
                return;
            }
            std::unique_lock lock(shared->mutex);
            if (!shared->inFlight && shared->waiting) {
                shared->SeekNow(lock, *shared->waiting);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace velvaro::engine
