// Window messages between Velvaro's objects: a Qt event carrying (message,
// wParam, lParam), posted or sent to a window, and numbered window timers
// that arrive as WM_TIMER.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_APP = 0x8000;

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);
    static QEvent::Type Type();

    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;  // set by the receiver of a sent message
};

// Queues the message for `window`'s thread; safe from any thread.
void PostMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam);
// Delivers the message at once on the calling (UI) thread.
LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam);

// Starts or restarts timer `id` on `window`: every `milliseconds` the window
// is sent WM_TIMER with wParam = id. UI thread only.
bool SetTimer(QObject* window, UINT id, UINT milliseconds);
bool KillTimer(QObject* window, UINT id);
