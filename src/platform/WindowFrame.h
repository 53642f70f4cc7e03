// The window styles that Qt's window flags cannot express.
#pragma once

class QWindow;

namespace velvaro::platform {

// Under X11 Qt gives a window a border only together with a title bar; this
// asks the window manager for a sizing frame without one. Qt writes its own
// hints whenever the flags change or the native window is made, so call it
// after those. Nothing happens on other platforms or without a native window.
void ShowSizingFrameWithoutCaption(QWindow* window, bool maximizeBox);

}  // namespace velvaro::platform
