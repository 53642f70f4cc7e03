// Opening a DVD off the window's thread, as FileOpening opens a file: the
// disc is checked and its graph built and prerolled on a thread of its own,
// and `done` runs on the thread of `context` once that has settled.
// Dropping the opening cancels it at once.
#pragma once

#include "engine/DvdFramework.h"

#include <functional>
#include <memory>
#include <string>

class QObject;

namespace velvaro::engine {

// A DVD volume rendered, or not: what a CDvdPlayer is made from.
struct RenderedDvd {
    std::string path;  // UTF-8: the volume asked for, or its VIDEO_TS folder
    DvdGraph dvd;
    HRESULT result = E_FAIL;
    AM_DVD_RENDERSTATUS status;
};

// Renders the volume at `path` here and now; a folder that is none is
// tried again as its VIDEO_TS. `made` sees each graph before it renders
// and says whether to go on.
RenderedDvd RenderDvd(const std::string& path,
                      const std::function<bool(const DvdGraph&)>& made = {});

class DvdOpening {
public:
    // `done` is not called once the opening is dropped, nor after `context` is gone.
    DvdOpening(std::string path, QObject* context, std::function<void()> done);
    ~DvdOpening();
    DvdOpening(const DvdOpening&) = delete;
    DvdOpening& operator=(const DvdOpening&) = delete;

    const std::string& Path() const;
    // Once `done` has run.
    RenderedDvd TakeRendered();

private:
    struct Shared;
    // The opening's thread.
    static void Open(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
};

}  // namespace velvaro::engine
