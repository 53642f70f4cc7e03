// DVD navigation: commands go to the navigator as navigation events and
// seeks on its video output, its state comes from tags, queries and the
// highlight events. Seeks while a menu shows never return inside the
// navigator, so they are refused there.
#include "GstDvdGraph.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace velvaro::engine {

namespace {

constexpr auto kButtonAnswerWait = std::chrono::milliseconds(500);
constexpr auto kButtonPoll = std::chrono::milliseconds(10);

GstFormat NavigatorFormat(const char* nick) {
    return gst_format_get_by_nick(nick);
}

}  // namespace

GstPadHandle GstDvdGraph::NavigatorPad() const {
    std::lock_guard lock(mutex_);
    return GstPadHandle(navigatorVideo_ ? GST_PAD(gst_object_ref(navigatorVideo_.get())) : nullptr);
}

HRESULT GstDvdGraph::SendNavigation(GstEvent* event) {
    const GstPadHandle pad = NavigatorPad();
    if (!pad) {
        gst_event_unref(event);
        return VFW_E_WRONG_STATE;
    }
    // The navigator answers TRUE whether or not the disc obeyed.
    return gst_pad_send_event(pad.get(), event) ? S_OK : E_FAIL;
}

HRESULT GstDvdGraph::SendCommand(GstNavigationCommand command) {
    return SendNavigation(gst_navigation_event_new_command(command));
}

bool GstDvdGraph::ReaderInTitle() const {
    gint64 title = 0;
    return reader_ && gst_element_query_position(reader_.get(), NavigatorFormat("title"), &title) &&
           title > 0;
}

HRESULT GstDvdGraph::SeekTo(GstFormat format, gint64 position, double rate) {
    if (!InTitle() || !ReaderInTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    lastChange_ = std::chrono::steady_clock::now();
    const HRESULT sent = SendSeek(format, position, rate);
    StreamsFlushed();
    return sent;
}

// The navigator refuses a seek that comes while it flushes for another.
HRESULT GstDvdGraph::SendSeek(GstFormat format, gint64 position, double rate) {
    std::lock_guard lock(seekMutex_);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    return SendNavigation(gst_event_new_seek(rate, format, flags, GST_SEEK_TYPE_SET, position,
                                             GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE));
}

HRESULT GstDvdGraph::SetOption(DVD_OPTION_FLAG, bool) {
    // Time-code events, reset on stop and the rest have no counterpart here.
    return S_OK;
}

HRESULT GstDvdGraph::PlayChapter(ULONG chapter, DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_Play_Chapter); FAILED(permitted)) {
        return permitted;
    }
    ULONG chapters = 0;
    if (InTitle() && (chapter < 1 ||
                      (SUCCEEDED(GetNumberOfChapters(title_, &chapters)) && chapter > chapters))) {
        return E_INVALIDARG;
    }
    return SeekTo(NavigatorFormat("chapter"), chapter, rate_);
}

// Chapter seeks name the chapter shown: relative steps would start from the
// reader, which runs ahead of the picture.
HRESULT GstDvdGraph::PlayNextChapter(DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_PlayNext_Chapter); FAILED(permitted)) {
        return permitted;
    }
    ULONG chapters = 0;
    if (InTitle() && SUCCEEDED(GetNumberOfChapters(title_, &chapters)) &&
        chapter_ >= static_cast<int>(chapters)) {
        // Past the last chapter the disc's own commands decide.
        return SendNavigation(
            gst_navigation_event_new_key_press("period", GST_NAVIGATION_MODIFIER_NONE));
    }
    return SeekTo(NavigatorFormat("chapter"), chapter_ + 1, rate_);
}

HRESULT GstDvdGraph::PlayPrevChapter(DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_PlayPrev_Or_Replay_Chapter); FAILED(permitted)) {
        return permitted;
    }
    return SeekTo(NavigatorFormat("chapter"), std::max(1, chapter_ - 1), rate_);
}

HRESULT GstDvdGraph::ReplayChapter(DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_PlayPrev_Or_Replay_Chapter); FAILED(permitted)) {
        return permitted;
    }
    return SeekTo(NavigatorFormat("chapter"), chapter_, rate_);
}

HRESULT GstDvdGraph::ShowMenu(DVD_MENU_ID menu, DWORD) {
    // Near a title's end the reader may sit in the menu that follows while
    // the title still plays; a menu call there stalls the pictures still on
    // their way, and the disc is going to a menu anyway.
    if (InTitle() && !ReaderInTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (menu >= DVD_MENU_Title && menu <= DVD_MENU_Chapter) {
        if (const HRESULT permitted = Permit(UOP_FLAG_ShowMenu_Title << (menu - DVD_MENU_Title));
            FAILED(permitted)) {
            return permitted;
        }
    }
    switch (menu) {
        case DVD_MENU_Title:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_TITLE_MENU);
        case DVD_MENU_Root:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_ROOT_MENU);
        case DVD_MENU_Subpicture:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_SUBPICTURE_MENU);
        case DVD_MENU_Audio:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_AUDIO_MENU);
        case DVD_MENU_Angle:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_ANGLE_MENU);
        case DVD_MENU_Chapter:
            return SendCommand(GST_NAVIGATION_COMMAND_DVD_CHAPTER_MENU);
    }
    return E_INVALIDARG;
}

HRESULT GstDvdGraph::Resume(DWORD) {
    // In a title the same command would open the root menu; the reader may
    // be in one already while the menu still shows.
    if (!InMenu() || ReaderInTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (const HRESULT permitted = Permit(UOP_FLAG_Resume); FAILED(permitted)) {
        return permitted;
    }
    return SendCommand(GST_NAVIGATION_COMMAND_DVD_MENU);
}

HRESULT GstDvdGraph::ReturnFromSubmenu(DWORD) {
    // The navigator offers no way up; as a disc that prohibits it.
    return VFW_E_DVD_OPERATION_INHIBITED;
}

HRESULT GstDvdGraph::SelectRelativeButton(DVD_RELATIVE_BUTTON direction) {
    GstNavigationCommand command = GST_NAVIGATION_COMMAND_INVALID;
    switch (direction) {
        case DVD_Relative_Upper:
            command = GST_NAVIGATION_COMMAND_UP;
            break;
        case DVD_Relative_Lower:
            command = GST_NAVIGATION_COMMAND_DOWN;
            break;
        case DVD_Relative_Left:
            command = GST_NAVIGATION_COMMAND_LEFT;
            break;
        case DVD_Relative_Right:
            command = GST_NAVIGATION_COMMAND_RIGHT;
            break;
    }
    if (command == GST_NAVIGATION_COMMAND_INVALID) {
        return E_INVALIDARG;
    }
    return ButtonsPermitted() ? SendCommand(command) : ButtonRefusal();
}

HRESULT GstDvdGraph::ActivateButton() {
    return ButtonsPermitted() ? SendCommand(GST_NAVIGATION_COMMAND_ACTIVATE) : ButtonRefusal();
}

HRESULT GstDvdGraph::SelectAtPosition(QPoint point) {
    return ButtonsPermitted() ? SendNavigation(gst_navigation_event_new_mouse_move(
                                    point.x(), point.y(), GST_NAVIGATION_MODIFIER_NONE))
                              : ButtonRefusal();
}

HRESULT GstDvdGraph::ActivateAtPosition(QPoint point) {
    return ButtonsPermitted() ? SendNavigation(gst_navigation_event_new_mouse_button_release(
                                    1, point.x(), point.y(), GST_NAVIGATION_MODIFIER_NONE))
                              : ButtonRefusal();
}

bool GstDvdGraph::ButtonsPermitted() {
    return !InTitle() && SUCCEEDED(Permit(UOP_FLAG_Select_Or_Activate_Button));
}

HRESULT GstDvdGraph::ButtonRefusal() {
    return InTitle() ? VFW_E_DVD_NO_BUTTON : VFW_E_DVD_OPERATION_INHIBITED;
}

// The navigator only steps through the angles; step to the one asked for.
HRESULT GstDvdGraph::SelectAngle(ULONG angle, DWORD) {
    if (!InTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (const HRESULT permitted = Permit(UOP_FLAG_Select_Angle); FAILED(permitted)) {
        return permitted;
    }
    ULONG available = 0, current = 0;
    if (const HRESULT read = GetCurrentAngle(&available, &current); FAILED(read)) {
        return read;
    }
    if (angle < 1 || angle > available) {
        return E_INVALIDARG;
    }
    for (ULONG steps = (angle + available - current) % available; steps > 0; --steps) {
        if (const HRESULT sent = SendCommand(GST_NAVIGATION_COMMAND_NEXT_ANGLE); FAILED(sent)) {
            return sent;
        }
    }
    return S_OK;
}
// In a menu the reader's title is 0 and its "chapter" names the menu; the
// title menu is always the disc's own.
std::pair<int, int> GstDvdGraph::MenuShown() {
    GstElement* reader = reader_.get();
    gint64 title = -1;
    gint64 menu = 0;
    if (!reader || !gst_element_query_position(reader, NavigatorFormat("title"), &title) ||
        title != 0 || !gst_element_query_position(reader, NavigatorFormat("chapter"), &menu)) {
        return {titleSet_, 0};
    }
    return {menu == DVD_MENU_Title ? 0 : titleSet_.load(), static_cast<int>(menu)};
}

DVD_DOMAIN GstDvdGraph::MenuDomain() {
    return MenuShown().first == 0 ? DVD_DOMAIN_VideoManagerMenu : DVD_DOMAIN_VideoTitleSetMenu;
}

HRESULT GstDvdGraph::GetCurrentDomain(DVD_DOMAIN* domain) {
    if (!domain) {
        return E_POINTER;
    }
    if (!source_ || !opened_) {
        *domain = DVD_DOMAIN_Stop;
        return S_OK;
    }
    switch (ShownNow()) {
        case Shown::Nothing:
            *domain = DVD_DOMAIN_FirstPlay;
            break;
        case Shown::Menu:
            *domain = MenuDomain();
            break;
        case Shown::Title:
            *domain = DVD_DOMAIN_Title;
            break;
    }
    return S_OK;
}

HRESULT GstDvdGraph::GetNumberOfChapters(ULONG title, ULONG* chapters) {
    if (!chapters) {
        return E_POINTER;
    }
    // The disc's tables count the chapters of any title; the navigator only
    // those of the title its reader is in, which runs ahead of the picture.
    if (const int counted = tables_ ? tables_->ChaptersOf(static_cast<int>(title)) : 0;
        counted > 0) {
        *chapters = static_cast<ULONG>(counted);
        return S_OK;
    }
    gint64 count = 0;
    if (!InTitle() || title != static_cast<ULONG>(title_) || !reader_ ||
        !gst_element_query_duration(reader_.get(), NavigatorFormat("chapter"), &count)) {
        return E_FAIL;
    }
    *chapters = static_cast<ULONG>(count);
    return S_OK;
}

bool GstDvdGraph::Highlighted(QPoint point) const {
    std::lock_guard lock(stateMutex_);
    return button_ > 0 && highlight_.contains(point);
}

// The navigator names a button only by selecting it: the point is moved
// to, and the highlight that follows carries the number.
HRESULT GstDvdGraph::GetButtonAtPosition(QPoint point, ULONG* button) {
    if (!button) {
        return E_POINTER;
    }
    if (InTitle()) {
        return VFW_E_DVD_NO_BUTTON;
    }
    if (!Highlighted(point)) {
        const int overSerial = mouseOverSerial_;
        if (const HRESULT sent = SelectAtPosition(point); FAILED(sent)) {
            return sent;
        }
        const auto deadline = std::chrono::steady_clock::now() + kButtonAnswerWait;
        while (!Highlighted(point) && std::chrono::steady_clock::now() < deadline) {
            if (mouseOverSerial_ != overSerial && !mouseOverActive_) {
                return VFW_E_DVD_NO_BUTTON;
            }
            std::this_thread::sleep_for(kButtonPoll);
        }
        if (!Highlighted(point)) {
            return VFW_E_DVD_NO_BUTTON;
        }
    }
    std::lock_guard lock(stateMutex_);
    *button = static_cast<ULONG>(button_);
    return S_OK;
}

HRESULT GstDvdGraph::GetCurrentAngle(ULONG* available, ULONG* current) {
    if (!available || !current) {
        return E_POINTER;
    }
    const GstPadHandle pad = NavigatorPad();
    GstQuery* query = gst_navigation_query_new_angles();
    guint now = 0, count = 0;
    const bool answered = pad && gst_pad_query(pad.get(), query) &&
                          gst_navigation_query_parse_angles(query, &now, &count);
    gst_query_unref(query);
    if (!answered) {
        return E_FAIL;
    }
    *available = count;
    *current = now;
    return S_OK;
}

// The title set's aspect; the source size from the decoded picture, or from
// the video standard before the first one.
HRESULT GstDvdGraph::GetCurrentVideoAttributes(DVD_VideoAttributes* attributes) {
    if (!attributes) {
        return E_POINTER;
    }
    GstVideoInfo info;
    const bool decoded = SUCCEEDED(NativeVideoInfo(&info));
    if (formatKnown_) {
        attributes->ulAspectX = widescreen_ ? 16 : 4;
        attributes->ulAspectY = widescreen_ ? 9 : 3;
    } else {
        long x = 0, y = 0;
        if (FAILED(GstFilterGraph::GetPreferredAspectRatio(&x, &y))) {
            return VFW_E_DVD_INVALIDDOMAIN;
        }
        attributes->ulAspectX = static_cast<ULONG>(x);
        attributes->ulAspectY = static_cast<ULONG>(y);
    }
    attributes->ulSourceResolutionX = decoded ? static_cast<ULONG>(info.width) : 720;
    attributes->ulSourceResolutionY = decoded ? static_cast<ULONG>(info.height) : pal_ ? 576 : 480;
    return S_OK;
}

}  // namespace velvaro::engine
