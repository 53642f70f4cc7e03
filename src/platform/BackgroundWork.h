// Work that must not hold up the window (a walk over files, a slow disk):
// it runs on a thread of its own and hands what it found back to the
// thread of `context` as a function to run there. Dropping the work before
// then, or the end of `context`, drops its answer; the thread runs to its
// end on its own.
#pragma once

#include <QMetaObject>

#include <functional>
#include <memory>

class QObject;

namespace velvaro::platform {

class BackgroundWork {
public:
    using Answer = std::function<void()>;
    BackgroundWork(QObject* context, std::function<Answer()> work);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    QMetaObject::Connection contextGone_;
};

}  // namespace velvaro::platform
