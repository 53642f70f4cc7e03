// Types keys into whatever window has the focus, as a person would: through
// the X server's test extension. Each argument is one key with its
// modifiers, named as X names them: "alt+h", "u", "Return".
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <string>
#include <vector>

namespace {

std::vector<KeyCode> Codes(Display* display, const std::string& chord) {
    std::vector<KeyCode> codes;
    std::size_t start = 0;
    while (start <= chord.size()) {
        const std::size_t plus = chord.find('+', start);
        std::string name = chord.substr(start, plus == std::string::npos ? plus : plus - start);
        if (name == "alt") {
            name = "Alt_L";
        } else if (name == "ctrl") {
            name = "Control_L";
        } else if (name == "shift") {
            name = "Shift_L";
        }
        const KeySym symbol = XStringToKeysym(name.c_str());
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
        if (code == 0) {
            return {};
        }
        codes.push_back(code);
        if (plus == std::string::npos) {
            break;
        }
        start = plus + 1;
    }
    return codes;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::vector<KeyCode> codes = Codes(display, argv[i]);
        if (codes.empty()) {
            XCloseDisplay(display);
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
    XCloseDisplay(display);
    return 0;
}
