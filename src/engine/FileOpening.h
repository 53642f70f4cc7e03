// Opening a media file off the window's thread: the graph is built and
// prerolled on a thread of its own, and `done` runs on the thread of
// `context` once that has settled. Dropping the opening cancels it at once;
// its thread then finishes on its own and takes the graph with it.
#pragma once

#include "engine/Framework.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QObject;

namespace velvaro::engine {

class FileOpening {
public:
    // `done` is not called once the opening is dropped, nor after `context` is gone.
    FileOpening(std::string path, QObject* context, std::function<void()> done);
    ~FileOpening();
    FileOpening(const FileOpening&) = delete;
    FileOpening& operator=(const FileOpening&) = delete;

    const std::string& Path() const;
    // Once `done` has run: RenderFile's result, and the graph it rendered.
    HRESULT Result() const;
    std::shared_ptr<IFilterGraph> TakeGraph();

private:
    struct Shared;
    // The opening's thread.
    static void Open(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
};

// Runs `open` on a thread of its own, one WaitForOpeningThreads waits for;
// false when no thread could be had.
bool StartOpeningThread(std::function<void()> open);

// Waits at most `timeout` for the threads of openings, cancelled or not, to
// end: the program's exit should not pull GStreamer from under them.
bool WaitForOpeningThreads(std::chrono::milliseconds timeout);

}  // namespace velvaro::engine
