#include "platform/BackgroundWork.h"

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <system_error>
#include <thread>

namespace velvaro::platform {

struct BackgroundWork::Shared {
    std::mutex mutex;
    QObject* context = nullptr;  // null once the work is dropped

    bool Dropped() {
        std::lock_guard lock(mutex);
        return context == nullptr;
    }
    void Deliver(Answer answer) {
        std::lock_guard lock(mutex);
        if (!context) {
            return;
        }
        // Posted under the lock: the context cannot go before the drop that
        // clears it, and an answer that arrives after the drop finds it dropped.
        QMetaObject::invokeMethod(
            context,
            [shared = self.lock(), answer = std::move(answer)] {
                if (shared && !shared->Dropped() && answer) {
                    answer();
                }
            },
            Qt::QueuedConnection);
    }
    std::weak_ptr<Shared> self;
};

BackgroundWork::BackgroundWork(QObject* context, std::function<Answer()> work)
    : shared_(std::make_shared<Shared>()) {
    shared_->context = context;
    shared_->self = shared_;
    // A context that goes first takes the answer with it.
    contextGone_ = QObject::connect(context, &QObject::destroyed, context, [shared = shared_] {
        std::lock_guard lock(shared->mutex);
        shared->context = nullptr;
    });
    const auto run = [shared = shared_, work = std::move(work)] {
        if (!shared->Dropped()) {
            shared->Deliver(work());
        }
    };
    try {
        std::thread(run).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the work is done here, late rather than never.
        run();
    }
}

BackgroundWork::~BackgroundWork() {
    QObject::disconnect(contextGone_);
    std::lock_guard lock(shared_->mutex);
    shared_->context = nullptr;
}

}  // namespace velvaro::platform
