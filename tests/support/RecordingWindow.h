// A stand-in for the player window on the instance channel: keeps every
// record it is sent, reading and deleting each atom as the player does.
#pragma once

#include "EventLoop.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <vector>

namespace velvaro::test {

struct Received {
    WPARAM wParam;
    LPARAM lParam;
    QString text;  // the atom's name, when lParam is one
    bool operator==(const Received&) const = default;
};

// Answers wParam * 2; record 1 runs a nested event loop, as a message box would.
class RecordingWindow : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QObject::event(event);
        }
        auto* message = static_cast<WindowMessageEvent*>(event);
        QString text;
        if (message->lParam >= kFirstStringAtom && message->lParam <= 0xFFFF) {
            text = GlobalGetAtomName(static_cast<ATOM>(message->lParam));
            EXPECT_EQ(GlobalDeleteAtom(static_cast<ATOM>(message->lParam)), 0);
        }
        received.push_back({message->wParam, message->lParam, text});
        if (message->wParam == 1) {
            RunEventsFor(300);
        }
        message->result = static_cast<LRESULT>(message->wParam) * 2;
        return true;
    }

    std::vector<Received> received;
};

}  // namespace velvaro::test
