// Small pictures of a film at times the user points at, for the position
// bar. A second graph of the same file, at low resolution, decodes the key
// frame nearest each time on a thread of its own, its streaming threads at
// a low priority and its decoder on one thread, so the film that plays
// is never kept waiting. Only the newest request is answered; what has been
// decoded is kept for the medium's life.
#pragma once

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>
#include <string>

class QObject;

namespace velvaro::engine {

struct FramePreview {
    int requested = 0;  // ms, the time asked for
    int shown = -1;     // ms, the key frame's time; -1 when no picture
    QImage picture;     // null when the file has none to give
};

class FramePreviews {
public:
    // `path`, a regular file in UTF-8; pictures fit into `box`. `done` runs
    // on `context`'s thread, never after the previews or `context` are gone.
    FramePreviews(std::string path, QSize box, QObject* context,
                  std::function<void(const FramePreview&)> done);
    // Returns at once; the thread ends after the picture it is making.
    ~FramePreviews();
    FramePreviews(const FramePreviews&) = delete;
    FramePreviews& operator=(const FramePreviews&) = delete;

    // Asks for the picture at `milliseconds`, in place of any not yet begun.
    // A picture made before comes back without decoding. The first request
    // starts the graph.
    void Request(int milliseconds);

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
};

}  // namespace velvaro::engine
