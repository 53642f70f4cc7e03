// Moves the pointer to a point of the screen and clicks the left button
// there, as a person would: through the X server's test extension, so the
// program sees a real click.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = argc == 3 ? XOpenDisplay(nullptr) : nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    XTestFakeButtonEvent(display, 1, False, 50);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
