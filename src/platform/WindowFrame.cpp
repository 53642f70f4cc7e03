#include "platform/WindowFrame.h"

#include <QGuiApplication>
#include <QWindow>

#include <X11/Xlib.h>

namespace velvaro::platform {
namespace {

// The Motif window manager hints, as window managers still read them.
constexpr long kHintFunctions = 1;
constexpr long kHintDecorations = 2;
constexpr long kFuncResize = 2;
constexpr long kFuncMove = 4;
constexpr long kFuncMinimize = 8;
constexpr long kFuncMaximize = 16;
constexpr long kFuncClose = 32;
constexpr long kDecorBorder = 2;
constexpr long kDecorResizeHandles = 4;

}  // namespace

void ShowSizingFrameWithoutCaption(QWindow* window, bool maximizeBox) {
    if (!window || !window->handle() || QGuiApplication::platformName() != QStringLiteral("xcb")) {
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ::Display* display = x11 ? x11->display() : nullptr;
    if (!display) {
        return;
    }
    const Atom name = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    // flags, functions, decorations, input mode, status
    long hints[5] = {
        kHintFunctions | kHintDecorations,
        kFuncResize | kFuncMove | kFuncMinimize | kFuncClose | (maximizeBox ? kFuncMaximize : 0),
        kDecorBorder | kDecorResizeHandles, 0, 0};
    XChangeProperty(display, static_cast<::Window>(window->winId()), name, name, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
    XFlush(display);
}

}  // namespace velvaro::platform
