// Acts on modal dialogs of one kind as they come up, from inside their own
// event loops, the way a person at the screen would.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace velvaro::test {

// While it lives, calls `act` once for every showing of a modal dialog of
// type D (a dialog shown again counts again). `act` usually ends with the
// dialog closed; a dialog it leaves open is acted on no more.
template <class D>
class ModalDialogWatcher {
public:
    explicit ModalDialogWatcher(std::function<void(D&)> act) : act_(std::move(act)) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Poll(); });
        poll_.start(10);
    }
    ModalDialogWatcher(const ModalDialogWatcher&) = delete;
    ModalDialogWatcher& operator=(const ModalDialogWatcher&) = delete;

    // How many showings it has acted on.
    int Count() const { return count_; }

private:
    void Poll() {
        if (current_ && !current_->isVisible()) {
            current_ = nullptr;
        }
        auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || current_.data() == static_cast<QDialog*>(dialog)) {
            return;
        }
        current_ = dialog;
        // Shown again at once, with no poll in between, it still counts anew.
        QObject::connect(
            dialog, &QDialog::finished, &poll_, [this] { current_ = nullptr; },
            Qt::SingleShotConnection);
        ++count_;
        act_(*dialog);
    }

    std::function<void(D&)> act_;
    QTimer poll_;
    QPointer<QDialog> current_;
    int count_ = 0;
};

}  // namespace velvaro::test
