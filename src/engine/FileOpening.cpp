#include "FileOpening.h"

#include "engine/GstGraphParts.h"
#include "engine/MediaFramework.h"

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace velvaro::engine {

namespace {

std::mutex threadsMutex;
std::condition_variable threadsEnded;
int threadsRunning = 0;

}  // namespace

struct FileOpening::Shared {
    std::string path;
    std::function<void()> done;  // the context's thread only

    std::mutex mutex;
    QObject* context = nullptr;  // null once the opening is dropped
    std::shared_ptr<IFilterGraph> graph;
    HRESULT result = E_FAIL;

    bool Cancelled() {
        std::lock_guard lock(mutex);
        return context == nullptr;
    }
};

FileOpening::FileOpening(std::string path, QObject* context, std::function<void()> done)
    : shared_(std::make_shared<Shared>()) {
    shared_->path = std::move(path);
    shared_->done = std::move(done);
    shared_->context = context;
    if (!StartOpeningThread([shared = shared_] { Open(shared); })) {
        // No thread to be had: the open fails as any other would, later.
        shared_->result = E_FAIL;
        QMetaObject::invokeMethod(
            context,
            [shared = shared_] {
                if (!shared->Cancelled()) {
                    std::exchange(shared->done, {})();
                }
            },
            Qt::QueuedConnection);
    }
}

FileOpening::~FileOpening() {
    std::shared_ptr<IFilterGraph> graph;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->context = nullptr;
        graph = std::move(shared_->graph);
    }
    if (graph) {
        graph->CancelRender();
    }
    shared_->done = {};
    // A graph still rendering is now the opening thread's to drop; one that
    // has rendered is dropped here.
}

const std::string& FileOpening::Path() const {
    return shared_->path;
}

HRESULT FileOpening::Result() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->result;
}

std::shared_ptr<IFilterGraph> FileOpening::TakeGraph() {
    std::lock_guard lock(shared_->mutex);
    return std::move(shared_->graph);
}

bool StartOpeningThread(std::function<void()> open) {
    {
        std::lock_guard lock(threadsMutex);
        ++threadsRunning;
    }
    try {
        std::thread([open = std::move(open)] {
            open();
            std::lock_guard lock(threadsMutex);
            --threadsRunning;
            threadsEnded.notify_all();
        }).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard lock(threadsMutex);
        --threadsRunning;
        return false;
    }
}

bool WaitForOpeningThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(threadsMutex);
    return threadsEnded.wait_for(lock, timeout, [] { return threadsRunning == 0; });
}

void FileOpening::Open(const std::shared_ptr<Shared>& shared) {
    // GStreamer may still be loading its registry.
    while (!WaitForMediaFramework(kRenderWaitSlice)) {
        if (shared->Cancelled()) {
            return;
        }
    }
    std::shared_ptr<IFilterGraph> graph = CreateFilterGraph();
    {
        std::lock_guard lock(shared->mutex);
        if (!shared->context) {
            return;
        }
        shared->graph = graph;
    }
    const HRESULT result = graph->RenderFile(shared->path);
    std::lock_guard lock(shared->mutex);
    shared->result = result;
    if (!shared->context) {
        return;  // the graph goes with this thread
    }
    // Posted under the lock: the context cannot go before the drop that
    // clears it, and a call that comes after the drop finds it cancelled.
    QMetaObject::invokeMethod(
        shared->context,
        [shared] {
            if (!shared->Cancelled() && shared->done) {
                std::exchange(shared->done, {})();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace velvaro::engine
