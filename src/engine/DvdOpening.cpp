#include "DvdOpening.h"

#include "engine/FileOpening.h"
#include "engine/GstGraphParts.h"
#include "engine/MediaFramework.h"

#include <QMetaObject>
#include <QObject>

#include <mutex>

namespace velvaro::engine {

namespace {

void CancelRender(const DvdGraph& dvd) {
    if (dvd) {
        dvd.graph->CancelRender();
    }
}

}  // namespace

RenderedDvd RenderDvd(const std::string& path, const std::function<bool(const DvdGraph&)>& made) {
    RenderedDvd rendered;
    for (const std::string& volume : {path, path + "/VIDEO_TS"}) {
        DvdGraph dvd = CreateDvdGraph();
        if (made && !made(dvd)) {
            break;
        }
        RenderedDvd attempt{.path = volume, .dvd = dvd, .result = E_FAIL, .status = {}};
        attempt.result = dvd.builder->RenderDvdVideoVolume(volume, 0, &attempt.status);
        const bool noVolume = attempt.result == S_FALSE &&
                              (attempt.status.bDvdVolInvalid || attempt.status.bDvdVolUnknown);
        // When neither is a volume, the one asked for says why.
        if (!noVolume || !rendered.dvd) {
            rendered = std::move(attempt);
        }
        if (!noVolume) {
            break;
        }
    }
    return rendered;
}

struct DvdOpening::Shared {
    std::string path;
    std::function<void()> done;  // the context's thread only

    std::mutex mutex;
    QObject* context = nullptr;  // null once the opening is dropped
    RenderedDvd rendered;

    bool Cancelled() {
        std::lock_guard lock(mutex);
        return context == nullptr;
    }
    // Posted under the lock: the context cannot go before the drop that
    // clears it, and a call that comes after the drop finds it cancelled.
    void Post(const std::shared_ptr<Shared>& self) {
        QMetaObject::invokeMethod(
            context,
            [self] {
                if (!self->Cancelled() && self->done) {
                    std::exchange(self->done, {})();
                }
            },
            Qt::QueuedConnection);
    }
};

DvdOpening::DvdOpening(std::string path, QObject* context, std::function<void()> done)
    : shared_(std::make_shared<Shared>()) {
    shared_->path = std::move(path);
    shared_->done = std::move(done);
    shared_->context = context;
    shared_->rendered.path = shared_->path;
    if (!StartOpeningThread([shared = shared_] { Open(shared); })) {
        // No thread to be had: the open fails as any other would, later.
        std::lock_guard lock(shared_->mutex);
        shared_->Post(shared_);
    }
}

DvdOpening::~DvdOpening() {
    DvdGraph dvd;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->context = nullptr;
        dvd = std::move(shared_->rendered.dvd);
    }
    CancelRender(dvd);
    shared_->done = {};
    // A graph still rendering is now the opening thread's to drop; one that
    // has rendered is dropped here.
}

const std::string& DvdOpening::Path() const {
    return shared_->path;
}

RenderedDvd DvdOpening::TakeRendered() {
    std::lock_guard lock(shared_->mutex);
    return std::move(shared_->rendered);
}

void DvdOpening::Open(const std::shared_ptr<Shared>& shared) {
    // GStreamer may still be loading its registry.
    while (!WaitForMediaFramework(kRenderWaitSlice)) {
        if (shared->Cancelled()) {
            return;
        }
    }
    RenderedDvd rendered = RenderDvd(shared->path, [&shared](const DvdGraph& dvd) {
        std::lock_guard lock(shared->mutex);
        if (!shared->context) {
            return false;
        }
        // Where the drop finds it to cancel.
        shared->rendered.dvd = dvd;
        return true;
    });
    std::lock_guard lock(shared->mutex);
    if (!shared->context) {
        return;  // the graph goes with this thread
    }
    shared->rendered = std::move(rendered);
    shared->Post(shared);
}

}  // namespace velvaro::engine
