// Acts on the X display as a person or a window manager would:
//   close ID     asks the window to close (WM_DELETE_WINDOW), as a window
//                manager's close button does: what answering a box takes here;
//   click X Y    moves the pointer there and clicks the left button;
//   drag X1 Y X2 MS  presses the left button at X1 Y, moves to X2 over MS
//                milliseconds, a step every 10, and lets go;
//   resize ID W H  gives the window that size, as a person dragging its
//                frame would;
//   keys K...    types each key with its modifiers, named as X names them
//                ("alt+h", "u", "Return").
// Clicks and keys go through the X server's test extension, so the program
// sees real input.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<KeyCode> Codes(Display* display, const std::string& chord) {
    std::vector<KeyCode> codes;
    for (std::size_t start = 0; start <= chord.size();) {
        const std::size_t plus = chord.find('+', start);
        std::string name = chord.substr(start, plus == std::string::npos ? plus : plus - start);
        name = name == "alt"     ? "Alt_L"
               : name == "ctrl"  ? "Control_L"
               : name == "shift" ? "Shift_L"
                                 : name;
        const KeySym symbol = XStringToKeysym(name.c_str());
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
        if (code == 0) {
            return {};
        }
        codes.push_back(code);
        start = plus == std::string::npos ? chord.size() + 1 : plus + 1;
    }
    return codes;
}

int Close(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    return XSendEvent(display, window, False, NoEventMask, &event) ? 0 : 1;
}

int Resize(Display* display, Window window, unsigned width, unsigned height) {
    XResizeWindow(display, window, width, height);
    XSync(display, False);
    return 0;
}

int Drag(Display* display, int fromX, int y, int toX, int milliseconds) {
    using Clock = std::chrono::steady_clock;
    XTestFakeMotionEvent(display, -1, fromX, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    const Clock::time_point start = Clock::now();
    const auto span = std::chrono::milliseconds(std::max(milliseconds, 1));
    for (auto next = start;; next += std::chrono::milliseconds(10)) {
        std::this_thread::sleep_until(next);
        const double done =
            std::min(1.0, (Clock::now() - start) / std::chrono::duration<double>(span));
        XTestFakeMotionEvent(display, -1, fromX + static_cast<int>((toX - fromX) * done), y,
                             CurrentTime);
        XSync(display, False);
        if (done >= 1.0) {
            break;
        }
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    return 0;
}

int Input(Display* display, const std::string& verb, int count, char** args) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        return 2;
    }
    if (verb == "click" && count == 2) {
        XTestFakeMotionEvent(display, -1, std::atoi(args[0]), std::atoi(args[1]), CurrentTime);
        XSync(display, False);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XSync(display, False);
        XTestFakeButtonEvent(display, 1, False, 50);
        XSync(display, False);
        return 0;
    }
    if (verb == "drag" && count == 4) {
        return Drag(display, std::atoi(args[0]), std::atoi(args[1]), std::atoi(args[2]),
                    std::atoi(args[3]));
    }
    for (int i = 0; verb == "keys" && i < count; ++i) {
        const std::vector<KeyCode> codes = Codes(display, args[i]);
        if (codes.empty()) {
            return 3;
        }
        for (const KeyCode code : codes) {
            XTestFakeKeyEvent(display, code, True, CurrentTime);
        }
        for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
            XTestFakeKeyEvent(display, *it, False, 30);
        }
        XSync(display, False);
    }
    return verb == "keys" ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = argc >= 2 ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        return 2;
    }
    const std::string verb = argv[1];
    int result = 0;
    if (verb == "close" && argc == 3) {
        result = Close(display, std::strtoul(argv[2], nullptr, 0));
    } else if (verb == "resize" && argc == 5) {
        result = Resize(display, std::strtoul(argv[2], nullptr, 0),
                        static_cast<unsigned>(std::atoi(argv[3])),
                        static_cast<unsigned>(std::atoi(argv[4])));
    } else {
        result = Input(display, verb, argc - 2, argv + 2);
    }
    XCloseDisplay(display);
    return result;
}
