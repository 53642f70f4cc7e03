// Waits for the first picture in another player's window and prints the
// monotonic time (microseconds) it was first seen:
//
//   bench_first_frame CLASS TIMEOUT_SECONDS
//
// CLASS is the window's WM_CLASS class ("mpv", "GStreamer"). Every 5 ms it
// looks for a viewable top-level window of that class and reads 25 pixels
// spread over it; the window holds a picture once one of them is not black.
// Reading a few pixels, not a screenshot, keeps the X server's share small.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

long long MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// A window may go away between finding and reading it.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

Window FindWindow(Display* display, const char* wanted) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XClassHint hint{};
        if (XGetClassHint(display, children[i], &hint)) {
            XWindowAttributes attributes{};
            if (hint.res_class && std::strcmp(hint.res_class, wanted) == 0 &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    XFree(children);
    return found;
}

bool HasPicture(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width < 5 ||
        attributes.height < 5) {
        return false;
    }
    for (int row = 1; row <= 5; ++row) {
        for (int column = 1; column <= 5; ++column) {
            XImage* image = XGetImage(display, window, attributes.width * column / 6,
                                      attributes.height * row / 6, 1, 1, AllPlanes, ZPixmap);
            if (!image) {
                continue;
            }
            const unsigned long pixel = XGetPixel(image, 0, 0);
            XDestroyImage(image);
            if ((pixel & 0xff) + ((pixel >> 8) & 0xff) + ((pixel >> 16) & 0xff) > 48) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_first_frame CLASS TIMEOUT_SECONDS\n");
        return 2;
    }
    const long long deadline = MonotonicMicroseconds() + std::atoll(argv[2]) * 1000000LL;
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "bench_first_frame: no display\n");
        return 1;
    }
    XSetErrorHandler(&IgnoreErrors);
    while (MonotonicMicroseconds() < deadline) {
        const long long looked = MonotonicMicroseconds();
        if (const Window window = FindWindow(display.get(), argv[1]);
            window && HasPicture(display.get(), window)) {
            std::printf("%lld\n", looked);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::fprintf(stderr, "bench_first_frame: no picture in a %s window\n", argv[1]);
    return 1;
}
