// Seeks to key frames for a thumb being dragged over the position bar: a
// picture comes quickly for each, but a pointer moves faster than pictures
// are made. One seek is in flight at a time; of the positions asked for
// meanwhile only the newest is sought, once the one in flight has landed.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace velvaro::engine {

class KeyFrameSeeks {
public:
    // `seek` makes the seek to a position in nanoseconds; false when it
    // could not. It runs on the thread Request is called on, never after
    // this object is gone.
    explicit KeyFrameSeeks(std::function<bool(std::int64_t)> seek);
    ~KeyFrameSeeks();
    KeyFrameSeeks(const KeyFrameSeeks&) = delete;
    KeyFrameSeeks& operator=(const KeyFrameSeeks&) = delete;

    // Where a position that waited is sought once the seek before has
    // landed: an object of the thread that calls Request, which outlives
    // this one. Without one, it waits for the next request.
    void SetContext(QObject* context);
    // Seeks at once when nothing is in flight, or the
    // one in flight is taking too long to be waited for.
    bool Request(std::int64_t position);
    // Request's thread: another seek takes over, and nothing waits.
    void Drop();
    // Any thread: the graph has its picture for the newest seek.
    void Landed();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace velvaro::engine
