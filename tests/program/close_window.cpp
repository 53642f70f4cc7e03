// Asks the window with the given id to close, as a window manager's close
// button does (WM_DELETE_WINDOW): what answering a message box takes here.
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        return 2;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(argv[1], nullptr, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
