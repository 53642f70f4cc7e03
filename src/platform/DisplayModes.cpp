#include "platform/DisplayModes.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

// Xlib's macros collide with ordinary words further down.
#undef Bool
#undef Status
#undef None

namespace {

// Our own connection to the server, kept for the program's life: the
// application's may be xcb alone, and a connection per question can be
// refused when the server is busy. Every question reaches the server, so
// nothing is answered from a stale cache.
class XConnection {
public:
    explicit XConnection(const char* name) : display_(XOpenDisplay(name)) {}
    ~XConnection() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    ::Display* get() const { return display_; }
    explicit operator bool() const { return display_ != nullptr; }
    Window Root() const { return DefaultRootWindow(display_); }

private:
    ::Display* display_;
};

struct ResourcesDeleter {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputDeleter {
    void operator()(XRROutputInfo* output) const { XRRFreeOutputInfo(output); }
};
struct CrtcDeleter {
    void operator()(XRRCrtcInfo* crtc) const { XRRFreeCrtcInfo(crtc); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

// A refused request must not end the program, which is what Xlib's own
// handler does; it is only noted while one of our operations runs.
class TrapXErrors {
public:
    explicit TrapXErrors(::Display* display) : display_(display) {
        failed_ = false;
        previous_ = XSetErrorHandler(&TrapXErrors::Note);
    }
    ~TrapXErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    TrapXErrors(const TrapXErrors&) = delete;
    TrapXErrors& operator=(const TrapXErrors&) = delete;

    bool Failed() const {
        XSync(display_, False);
        return failed_;
    }

private:
    static int Note(::Display*, XErrorEvent*) {
        failed_ = true;
        return 0;
    }

    ::Display* display_;
    int (*previous_)(::Display*, XErrorEvent*);
    static inline bool failed_ = false;
};

double RefreshRate(const XRRModeInfo& mode) {
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan) {
        lines *= 2;
    }
    if (mode.modeFlags & RR_Interlace) {
        lines /= 2;
    }
    if (mode.hTotal == 0 || lines == 0) {
        return 0.0;
    }
    return static_cast<double>(mode.dotClock) / (mode.hTotal * lines);
}

const XRRModeInfo* FindMode(const XRRScreenResources& resources, RRMode id) {
    for (int i = 0; i < resources.nmode; ++i) {
        if (resources.modes[i].id == id) {
            return &resources.modes[i];
        }
    }
    return nullptr;
}

bool Sideways(Rotation rotation) {
    return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
}

// The primary output and the crtc that shows it, as one snapshot.
struct PrimaryOutput {
    Resources resources;
    RROutput output = 0;
    OutputInfo info;
    CrtcInfo crtc;
};

std::optional<PrimaryOutput> ReadPrimaryOutput(const XConnection& connection) {
    PrimaryOutput primary;
    primary.resources.reset(XRRGetScreenResourcesCurrent(connection.get(), connection.Root()));
    if (!primary.resources) {
        return std::nullopt;
    }
    const XRRScreenResources& resources = *primary.resources;
    auto useOutput = [&](RROutput output) {
        OutputInfo info(XRRGetOutputInfo(connection.get(), primary.resources.get(), output));
        if (!info || info->connection != RR_Connected || info->crtc == 0) {
            return false;
        }
        primary.output = output;
        primary.info = std::move(info);
        return true;
    };
    // Without a primary output the first one that shows something stands in.
    bool found = false;
    if (const RROutput marked = XRRGetOutputPrimary(connection.get(), connection.Root())) {
        found = useOutput(marked);
    }
    for (int i = 0; !found && i < resources.noutput; ++i) {
        found = useOutput(resources.outputs[i]);
    }
    if (!found) {
        return std::nullopt;
    }
    primary.crtc.reset(
        XRRGetCrtcInfo(connection.get(), primary.resources.get(), primary.info->crtc));
    if (!primary.crtc) {
        return std::nullopt;
    }
    return primary;
}

DisplayMode ModeOf(const XRRModeInfo& mode, Rotation rotation) {
    DisplayMode result{static_cast<int>(mode.width), static_cast<int>(mode.height),
                       RefreshRate(mode)};
    if (Sideways(rotation)) {
        std::swap(result.width, result.height);
    }
    return result;
}

// The output's modes with their ids, in the output's order.
std::vector<std::pair<RRMode, DisplayMode>> OutputModes(const PrimaryOutput& primary) {
    std::vector<std::pair<RRMode, DisplayMode>> modes;
    for (int i = 0; i < primary.info->nmode; ++i) {
        if (const XRRModeInfo* mode = FindMode(*primary.resources, primary.info->modes[i])) {
            modes.emplace_back(mode->id, ModeOf(*mode, primary.crtc->rotation));
        }
    }
    return modes;
}

// Everything needed to put a crtc and the screen back as they were.
struct CrtcSetting {
    RRCrtc crtc = 0;
    RRMode mode = 0;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    std::vector<RROutput> outputs;
    int screenWidth = 0;
    int screenHeight = 0;
    int screenWidthMm = 0;
    int screenHeightMm = 0;
};

class XRandrDisplayModes : public DisplayModes {
public:
    explicit XRandrDisplayModes(std::unique_ptr<XConnection> connection)
        : connection_(std::move(connection)) {}
    // Fullscreen's change is temporary, also when the program ends in it.
    ~XRandrDisplayModes() override { RestoreRegisteredMode(); }

    std::vector<DisplayMode> Modes() override {
        const std::optional<PrimaryOutput> primary = ReadPrimaryOutput(*connection_);
        if (!primary) {
            return {};
        }
        std::vector<DisplayMode> modes;
        for (const auto& [id, mode] : OutputModes(*primary)) {
            modes.push_back(mode);
        }
        return modes;
    }

    DisplayMode CurrentMode() override {
        const std::optional<PrimaryOutput> primary = ReadPrimaryOutput(*connection_);
        if (!primary) {
            return {};
        }
        const XRRModeInfo* mode = FindMode(*primary->resources, primary->crtc->mode);
        return mode ? ModeOf(*mode, primary->crtc->rotation) : DisplayMode{};
    }

    bool ChangeForFullscreen(int width, int height) override {
        const XConnection& connection = *connection_;
        const std::optional<PrimaryOutput> primary = ReadPrimaryOutput(connection);
        if (!primary) {
            return false;
        }
        const auto modes = OutputModes(*primary);
        std::vector<DisplayMode> plain;
        for (const auto& [id, mode] : modes) {
            plain.push_back(mode);
        }
        const XRRModeInfo* current = FindMode(*primary->resources, primary->crtc->mode);
        const double rate = current ? RefreshRate(*current) : 0.0;
        const int chosen = ChooseDisplayMode(plain, width, height, rate);
        if (chosen < 0) {
            return false;
        }
        const CrtcSetting now = Snapshot(connection, *primary);
        const bool first = !registered_;
        if (first) {
            registered_ = now;
        }
        CrtcSetting wanted = now;
        wanted.mode = modes[static_cast<std::size_t>(chosen)].first;
        wanted.x = 0;
        wanted.y = 0;
        // Only the one monitor changes: the screen becomes the new picture,
        // keeping its physical size per pixel.
        wanted.screenWidth = width;
        wanted.screenHeight = height;
        if (now.screenWidth > 0 && now.screenHeight > 0) {
            wanted.screenWidthMm = now.screenWidthMm * width / now.screenWidth;
            wanted.screenHeightMm = now.screenHeightMm * height / now.screenHeight;
        }
        if (primary->resources->ncrtc > 1 && OtherCrtcsActive(connection, *primary)) {
            // Other monitors keep their places: the screen only grows.
            wanted.x = now.x;
            wanted.y = now.y;
            wanted.screenWidth = std::max(now.screenWidth, now.x + width);
            wanted.screenHeight = std::max(now.screenHeight, now.y + height);
            wanted.screenWidthMm = std::max(now.screenWidthMm, wanted.screenWidthMm);
            wanted.screenHeightMm = std::max(now.screenHeightMm, wanted.screenHeightMm);
        }
        if (Apply(connection, *primary->resources, wanted)) {
            return true;
        }
        // Never leave the monitor dark: back to where it was.
        const Resources fresh(XRRGetScreenResourcesCurrent(connection.get(), connection.Root()));
        if (fresh) {
            Apply(connection, *fresh, now);
        }
        if (first) {
            registered_.reset();
        }
        return false;
    }

    bool RestoreRegisteredMode() override {
        if (!registered_) {
            return true;
        }
        const CrtcSetting registered = *registered_;
        registered_.reset();
        const XConnection& connection = *connection_;
        const Resources resources(
            XRRGetScreenResourcesCurrent(connection.get(), connection.Root()));
        return resources && Apply(connection, *resources, registered);
    }

private:
    static CrtcSetting Snapshot(const XConnection& connection, const PrimaryOutput& primary) {
        CrtcSetting setting;
        setting.crtc = primary.info->crtc;
        setting.mode = primary.crtc->mode;
        setting.x = primary.crtc->x;
        setting.y = primary.crtc->y;
        setting.rotation = primary.crtc->rotation;
        setting.outputs.assign(primary.crtc->outputs,
                               primary.crtc->outputs + primary.crtc->noutput);
        XWindowAttributes root{};
        XGetWindowAttributes(connection.get(), connection.Root(), &root);
        setting.screenWidth = root.width;
        setting.screenHeight = root.height;
        // Xlib's own figures are those of when we connected; the server's
        // screen configuration is today's.
        if (XRRScreenConfiguration* config =
                XRRGetScreenInfo(connection.get(), connection.Root())) {
            Rotation rotation = RR_Rotate_0;
            const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
            int count = 0;
            const XRRScreenSize* sizes = XRRConfigSizes(config, &count);
            if (sizes && current < count) {
                setting.screenWidthMm = sizes[current].mwidth;
                setting.screenHeightMm = sizes[current].mheight;
            }
            XRRFreeScreenConfigInfo(config);
        }
        if (setting.screenWidthMm <= 0 || setting.screenHeightMm <= 0) {
            // 96 dots per inch
            setting.screenWidthMm = setting.screenWidth * 254 / 960;
            setting.screenHeightMm = setting.screenHeight * 254 / 960;
        }
        return setting;
    }

    static bool OtherCrtcsActive(const XConnection& connection, const PrimaryOutput& primary) {
        for (int i = 0; i < primary.resources->ncrtc; ++i) {
            const RRCrtc crtc = primary.resources->crtcs[i];
            if (crtc == primary.info->crtc) {
                continue;
            }
            const CrtcInfo info(XRRGetCrtcInfo(connection.get(), primary.resources.get(), crtc));
            if (info && info->mode != 0) {
                return true;
            }
        }
        return false;
    }

    // The crtc goes dark, the screen takes its new size, the crtc comes back
    // in the new mode: at no step may a crtc reach beyond the screen.
    static bool Apply(const XConnection& connection, XRRScreenResources& resources,
                      const CrtcSetting& setting) {
        ::Display* display = connection.get();
        int minWidth = 0;
        int minHeight = 0;
        int maxWidth = 0;
        int maxHeight = 0;
        XRRGetScreenSizeRange(display, connection.Root(), &minWidth, &minHeight, &maxWidth,
                              &maxHeight);
        const int screenWidth = std::clamp(setting.screenWidth, minWidth, maxWidth);
        const int screenHeight = std::clamp(setting.screenHeight, minHeight, maxHeight);

        TrapXErrors trap(display);
        XGrabServer(display);
        int status = XRRSetCrtcConfig(display, &resources, setting.crtc, CurrentTime, 0, 0, 0,
                                      RR_Rotate_0, nullptr, 0);
        XRRSetScreenSize(display, connection.Root(), screenWidth, screenHeight,
                         std::max(1, setting.screenWidthMm), std::max(1, setting.screenHeightMm));
        std::vector<RROutput> outputs = setting.outputs;
        const int lit = XRRSetCrtcConfig(display, &resources, setting.crtc, CurrentTime, setting.x,
                                         setting.y, setting.mode, setting.rotation, outputs.data(),
                                         static_cast<int>(outputs.size()));
        status = status == RRSetConfigSuccess ? lit : status;
        XUngrabServer(display);
        return status == RRSetConfigSuccess && !trap.Failed();
    }

    std::unique_ptr<XConnection> connection_;
    std::optional<CrtcSetting> registered_;
};

std::unique_ptr<DisplayModes> CurrentModeOnly() {
    std::vector<DisplayMode> modes;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
            modes.push_back({pixels.width(), pixels.height(), screen->refreshRate()});
        }
    }
    const int current = modes.empty() ? -1 : 0;
    return std::make_unique<ListedDisplayModes>(std::move(modes), current);
}

std::unique_ptr<DisplayModes> MakeDisplays() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        QGuiApplication::platformName() == QStringLiteral("xcb")) {
        // The server the application itself talks to.
        std::string name;
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (::Display* display = x11->display()) {
                name = DisplayString(display);
            }
        }
        if (auto modes = OpenXRandrDisplayModes(name.empty() ? nullptr : name.c_str())) {
            return modes;
        }
    }
    return CurrentModeOnly();
}

std::unique_ptr<DisplayModes>& Instance() {
    static std::unique_ptr<DisplayModes> instance;
    return instance;
}

}  // namespace

std::unique_ptr<DisplayModes> OpenXRandrDisplayModes(const char* displayName) {
    auto connection = std::make_unique<XConnection>(displayName);
    if (!*connection) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(connection->get(), &eventBase, &errorBase) ||
        !XRRQueryVersion(connection->get(), &major, &minor) || major < 1 ||
        (major == 1 && minor < 2)) {
        return nullptr;
    }
    return std::make_unique<XRandrDisplayModes>(std::move(connection));
}

DisplayModes& Displays() {
    std::unique_ptr<DisplayModes>& instance = Instance();
    if (!instance) {
        instance = MakeDisplays();
    }
    return *instance;
}

std::unique_ptr<DisplayModes> ReplaceDisplays(std::unique_ptr<DisplayModes> replacement) {
    return std::exchange(Instance(), std::move(replacement));
}
