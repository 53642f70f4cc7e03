// rsndvdbin does the hard part of DVD playback (stills, menus, cells, seeks),
// so we keep it; around its gaps: fast start off on its dvdsrc, our own dvdspu
// to draw subpictures and highlights, the domain taken from title tags, the
// disc's prohibitions read from its tables, and a child process that opens
// each disc first since libdvdread crashes on some.
#include "GstDvdGraph.h"

#include "DvdVolumeCheck.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <utility>

namespace velvaro::engine {

namespace {

// The reader's title tags, carried on the video stream to the picture they
// belong to. As tags they would reach the renderer first by the sparse
// subpicture stream, seconds before the picture, and the video stream's
// own copies are lost in its decoder.
constexpr const char* kShownNews = "application/x-velvaro-dvd-shown";

}  // namespace

GstDvdGraph::~GstDvdGraph() {
    StopScan();
    // No message may reach this part of the object once it starts going.
    ShutDown();
}

HRESULT GstDvdGraph::RenderDvdVideoVolume(const std::string& device, DWORD,
                                          AM_DVD_RENDERSTATUS* status) {
    if (!status) {
        return E_POINTER;
    }
    *status = AM_DVD_RENDERSTATUS{};
    if (source_) {
        return VFW_E_WRONG_STATE;
    }
    if (!LooksLikeVolume(QString::fromStdString(device)) ||
        !CheckVolume(device, renderCancelled_)) {
        std::lock_guard lock(mutex_);
        if (renderCancelled_) {
            errorText_ = "The open was cancelled.";
            return E_ABORT;
        }
        errorText_ = "\"" + device + "\" is not a DVD that can be played.";
        status->bDvdVolInvalid = 1;
        return S_FALSE;
    }
    tables_ = std::make_unique<DvdDiscTables>(device);
    const HRESULT built = BuildPipeline(device);
    if (FAILED(built)) {
        status->iNumStreamsFailed = 1;
        ShutDown();
        return built;
    }
    status->iNumStreams = 3;
    return S_OK;
}

HRESULT GstDvdGraph::BuildPipeline(const std::string& device) {
    ElementMaker maker;
    GstElementHandle navigator = maker.Make("rsndvdbin", "DVD Navigator");
    GstElementHandle spu = maker.Make("dvdspu", "Subpicture Mixer");
    GstElementHandle videoQueue = maker.Make("queue");
    GstElementHandle spuQueue = maker.Make("queue");
    GstElementHandle audioQueue = maker.Make("queue");
    if (maker.Failed()) {
        std::lock_guard lock(mutex_);
        errorText_ = maker.Error();
        return VFW_E_CANNOT_RENDER;
    }
    g_object_set(navigator.get(), "device", device.c_str(), nullptr);
    // The navigator hands over decoded pictures of 600 KB each: a few are
    // enough to keep the mixer fed, where a second's worth held 15 MB.
    g_object_set(videoQueue.get(), "max-size-buffers", 3u, "max-size-bytes", 0u, "max-size-time",
                 guint64{0}, nullptr);
    source_ = navigator.get();
    spu_ = spu.get();
    videoQueue_ = videoQueue.get();
    spuQueue_ = spuQueue.get();
    audioQueue_ = audioQueue.get();
    gst_bin_add_many(GST_BIN(pipeline_.get()), source_, spu_, videoQueue_, spuQueue_, audioQueue_,
                     nullptr);
    const bool linked = gst_element_link_pads(videoQueue_, "src", spu_, "video") &&
                        gst_element_link_pads(spuQueue_, "src", spu_, "subpicture");
    {
        std::lock_guard lock(mutex_);
        GstPadHandle picture(gst_element_get_static_pad(spu_, "src"));
        GstPadHandle sound(gst_element_get_static_pad(audioQueue_, "src"));
        LinkVideo(picture.get());
        LinkAudio(sound.get());
        if (!linked || !HaveVideo() || !HaveAudio()) {
            if (errorText_.empty()) {
                errorText_ = "The DVD's streams could not be connected to the renderers.";
            }
            return VFW_E_CANNOT_RENDER;
        }
    }
    GstPadHandle spuVideo(gst_element_get_static_pad(spu_, "video"));
    gst_pad_add_probe(spuVideo.get(),
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_BUFFER),
                      &OnVideoEvent, this, nullptr);
    GstPadHandle spuInput(gst_element_get_static_pad(spu_, "subpicture"));
    gst_pad_add_probe(spuInput.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnSubpicture, this, nullptr);
    g_signal_connect(source_, "pad-added", G_CALLBACK(&OnNavigatorPad), this);

    lastActivity_ = SteadyNow();
    if (gst_element_set_state(pipeline_.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        return VFW_E_CANNOT_RENDER;
    }
    // Fast start skips the disc's first play and lands in a title.
    if (GObject* reader = gst_child_proxy_get_child_by_name(GST_CHILD_PROXY(source_), "dvdsrc")) {
        g_object_set(reader, "fast-start", FALSE, nullptr);
        reader_.reset(GST_ELEMENT(reader));
    }
    // The stream languages stop inside the bin, at its demuxer.
    if (const GstElementHandle demuxer{gst_bin_get_by_name(GST_BIN(source_), "dvddemux")}) {
        const GstPadHandle input(gst_element_get_static_pad(demuxer.get(), "sink"));
        if (input) {
            gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnDemuxEvent, this,
                              nullptr);
        }
    }
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    GstStateChangeReturn prerolled = GST_STATE_CHANGE_ASYNC;
    WaitWhileAlive(
        [&] {
            prerolled = gst_element_get_state(pipeline_.get(), nullptr, nullptr, 0);
            return prerolled != GST_STATE_CHANGE_ASYNC;
        },
        false);
    logicalState_ = State_Stopped;
    bool failed = prerolled != GST_STATE_CHANGE_SUCCESS;
    {
        std::lock_guard lock(mutex_);
        failed = failed || aborted_;
    }
    // Stopped before the open is settled, so that what fails after it
    // cannot replace the reason the open gives.
    if (failed) {
        ShutDown();
    }
    {
        std::lock_guard lock(mutex_);
        // Errors while opening are the open's result; domain news stays.
        std::erase_if(events_, [](const GraphEvent& event) {
            return event.code == EC_ERRORABORT || event.code == EC_COMPLETE;
        });
        aborted_ = false;
        opened_ = true;
        if (failed) {
            if (errorText_.empty()) {
                errorText_ = "The DVD did not start.";
            }
            return VFW_E_CANNOT_RENDER;
        }
    }
    return S_OK;
}

// Streaming thread: the navigator's outputs appear.
void GstDvdGraph::OnNavigatorPad(GstElement*, GstPad* pad, GstDvdGraph* graph) {
    const GCharHandle name(gst_pad_get_name(pad));
    GstElement* queue = nullptr;
    if (g_str_has_prefix(name.get(), "video")) {
        queue = graph->videoQueue_;
        std::lock_guard lock(graph->mutex_);
        graph->navigatorVideo_.reset(GST_PAD(gst_object_ref(pad)));
    } else if (g_str_has_prefix(name.get(), "subpicture")) {
        queue = graph->spuQueue_;
    } else if (g_str_has_prefix(name.get(), "audio")) {
        queue = graph->audioQueue_;
    }
    if (!queue) {
        return;
    }
    GstPadHandle input(gst_element_get_static_pad(queue, "sink"));
    if (!gst_pad_is_linked(input.get()) && GST_PAD_LINK_FAILED(gst_pad_link(pad, input.get()))) {
        qCWarning(lcEngine) << "The DVD's" << name.get() << "output could not be connected.";
    }
}

// Streaming thread: the navigator's highlight news travels with the picture.
GstPadProbeReturn GstDvdGraph::OnVideoEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstDvdGraph*>(data);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        graph->ShowUnshownNews();
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    // A flush drops the news on its way here. The reader goes on from where
    // it was, and sends news again only when that changes: unless it does,
    // its last news belongs to the next picture.
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        std::lock_guard lock(graph->stateMutex_);
        graph->unshownNews_.reset(graph->readerNews_ ? gst_structure_copy(graph->readerNews_.get())
                                                     : nullptr);
        graph->newsUnshown_ = graph->unshownNews_ != nullptr;
        return GST_PAD_PROBE_OK;
    }
    const GstStructure* structure = gst_event_get_structure(event);
    if (structure && gst_structure_has_name(structure, kShownNews)) {
        {
            std::lock_guard lock(graph->stateMutex_);
            graph->unshownNews_.reset();
            graph->newsUnshown_ = false;
        }
        graph->OnShown(structure);
        return GST_PAD_PROBE_DROP;
    }
    if (!structure || !gst_structure_has_name(structure, "application/x-gst-dvd")) {
        return GST_PAD_PROBE_OK;
    }
    const char* kind = gst_structure_get_string(structure, "event");
    if (g_strcmp0(kind, "dvd-video-format") == 0) {
        gboolean wide = FALSE, pal = TRUE;
        gst_structure_get_boolean(structure, "video-widescreen", &wide);
        gst_structure_get_boolean(structure, "video-pal-format", &pal);
        graph->widescreen_ = wide != FALSE;
        graph->pal_ = pal != FALSE;
        graph->formatKnown_ = true;
        return GST_PAD_PROBE_OK;
    }
    std::lock_guard lock(graph->stateMutex_);
    if (g_strcmp0(kind, "dvd-spu-highlight") == 0) {
        int button = 0, sx = 0, sy = 0, ex = 0, ey = 0;
        gst_structure_get(structure, "button", G_TYPE_INT, &button, "sx", G_TYPE_INT, &sx, "sy",
                          G_TYPE_INT, &sy, "ex", G_TYPE_INT, &ex, "ey", G_TYPE_INT, &ey, nullptr);
        graph->button_ = button;
        graph->highlight_ = QRect(QPoint(sx, sy), QPoint(ex, ey));
    } else if (g_strcmp0(kind, "dvd-spu-reset-highlight") == 0) {
        graph->button_ = 0;
        graph->highlight_ = QRect();
    }
    return GST_PAD_PROBE_OK;
}

// Streaming thread: hidden subpictures are dropped before they are drawn;
// in menus they carry the buttons and always pass.
GstPadProbeReturn GstDvdGraph::OnSubpicture(GstPad*, GstPadProbeInfo*, gpointer data) {
    const auto* graph = static_cast<GstDvdGraph*>(data);
    return graph->InTitle() && !graph->subpicturesShown_ ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

// Streaming thread: the reader enters a domain, a title or a chapter. Its
// news goes on with the picture, see kShownNews.
GstPadProbeReturn GstDvdGraph::OnDemuxEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstDvdGraph*>(data);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        const GCharHandle title = TagText(tags, GST_TAG_TITLE);
        if (!title) {
            return GST_PAD_PROBE_OK;
        }
        GstStructure* news =
            gst_structure_new(kShownNews, "title", G_TYPE_STRING, title.get(), nullptr);
        {
            std::lock_guard lock(graph->stateMutex_);
            if (graph->readerLanguages_) {
                gst_structure_set(news, "languages", GST_TYPE_STRUCTURE,
                                  graph->readerLanguages_.get(), nullptr);
            }
            graph->readerNews_.reset(gst_structure_copy(news));
        }
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM, news);
        return GST_PAD_PROBE_OK;
    }
    const GstStructure* structure = gst_event_get_structure(event);
    if (structure && gst_structure_has_name(structure, "application/x-gst-dvd") &&
        g_strcmp0(gst_structure_get_string(structure, "event"), "dvd-lang-codes") == 0) {
        std::lock_guard lock(graph->stateMutex_);
        graph->readerLanguages_.reset(gst_structure_copy(structure));
    }
    return GST_PAD_PROBE_OK;
}

void GstDvdGraph::OnShown(const GstStructure* news) {
    // Stream N is there when its format or id is. Its language may be
    // missing, and a menu's stream is named "MENU": two letters are a
    // language, as discs name them.
    const auto languages = [](const GstStructure* codes, const char* kind, int most) {
        std::vector<std::string> found;
        for (int i = 0; i < most; ++i) {
            const std::string prefix = std::string(kind) + "-" + std::to_string(i) + "-";
            if (!gst_structure_has_field(codes, (prefix + "format").c_str()) &&
                !gst_structure_has_field(codes, (prefix + "stream").c_str())) {
                break;
            }
            const char* code = gst_structure_get_string(codes, (prefix + "language").c_str());
            const bool language = code && std::strlen(code) == 2 && g_ascii_isalpha(code[0]) &&
                                  g_ascii_isalpha(code[1]);
            found.emplace_back(language ? code : "");
        }
        return found;
    };
    const GValue* codes = gst_structure_get_value(news, "languages");
    if (codes && GST_VALUE_HOLDS_STRUCTURE(codes)) {
        const GstStructure* structure = gst_value_get_structure(codes);
        std::lock_guard lock(stateMutex_);
        audioLanguages_ = languages(structure, "audio", 8);
        subpictureLanguages_ = languages(structure, "subpicture", 32);
    }
    if (const char* title = gst_structure_get_string(news, "title")) {
        OnTitleTag(title);
    }
}

void GstDvdGraph::ShowUnshownNews() {
    if (!newsUnshown_.exchange(false)) {
        return;
    }
    GstStructureHandle news;
    {
        std::lock_guard lock(stateMutex_);
        news = std::move(unshownNews_);
    }
    if (news) {
        OnShown(news.get());
    }
}

// Any thread.
void GstDvdGraph::OnOtherMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ELEMENT:
            switch (gst_navigation_message_get_type(message)) {
                case GST_NAVIGATION_MESSAGE_COMMANDS_CHANGED:
                    // Another program chain, with prohibitions of its own.
                    PushEvent(EC_DVD_VALID_UOPS_CHANGE, 0, 0);
                    break;
                case GST_NAVIGATION_MESSAGE_ANGLES_CHANGED: {
                    guint current = 0, count = 0;
                    if (gst_navigation_message_parse_angles_changed(message, &current, &count)) {
                        PushEvent(EC_DVD_ANGLE_CHANGE, count, current);
                    }
                    break;
                }
                case GST_NAVIGATION_MESSAGE_MOUSE_OVER: {
                    gboolean active = FALSE;
                    gst_navigation_message_parse_mouse_over(message, &active);
                    mouseOverActive_ = active != FALSE;
                    ++mouseOverSerial_;
                    break;
                }
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

// "DVD Menu" or "Title N, Chapter M[, Angle ...][, VOLUME]".
void GstDvdGraph::OnTitleTag(const char* title) {
    {
        std::lock_guard lock(stateMutex_);
        if (lastTitleTag_ == title) {
            return;
        }
        lastTitleTag_ = title;
    }
    int number = 0, chapter = 0;
    Shown now = ShownNow();
    if (g_str_has_prefix(title, "DVD Menu")) {
        now = Shown::Menu;
    } else if (std::sscanf(title, "Title %d, Chapter %d", &number, &chapter) == 2) {
        now = Shown::Title;
        title_ = number;
        chapter_ = chapter;
        if (const int titleSet = tables_ ? tables_->TitleSetOf(number) : 0; titleSet > 0) {
            titleSet_ = titleSet;
        }
    } else {
        return;
    }
    {
        std::lock_guard lock(shownMutex_);
        if (std::exchange(shown_, now) != now) {
            // Which menu is asked on the window's thread, see GetEvent.
            PushEvent(EC_DVD_DOMAIN_CHANGE, now == Shown::Title ? DVD_DOMAIN_Title : 0, 0);
        }
    }
    // Each menu and chapter may have a program chain of its own, and what
    // this navigator can do differs between menus and titles.
    PushEvent(EC_DVD_VALID_UOPS_CHANGE, 0, 0);
}

HRESULT GstDvdGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) {
    long eventCode = 0;
    LONG_PTR first = 0;
    const HRESULT result = GstFilterGraph::GetEvent(&eventCode, &first, param2, timeoutMs);
    if (SUCCEEDED(result) && eventCode == EC_DVD_DOMAIN_CHANGE && first == 0) {
        first = MenuDomain();
    }
    if (SUCCEEDED(result) && eventCode == EC_DVD_DOMAIN_CHANGE && first == DVD_DOMAIN_Title) {
        ApplyLanguagePreferences();
    }
    // The operations forbidden where the disc is when the event is taken.
    if (SUCCEEDED(result) && eventCode == EC_DVD_VALID_UOPS_CHANGE) {
        ULONG forbidden = 0;
        GetCurrentUOPS(&forbidden);
        first = static_cast<LONG_PTR>(forbidden);
    }
    if (code) {
        *code = eventCode;
    }
    if (param1) {
        *param1 = first;
    }
    return result;
}

}  // namespace velvaro::engine

DvdGraph CreateDvdGraph() {
    velvaro::engine::EnsureMediaFramework();
    auto graph = std::make_shared<velvaro::engine::GstDvdGraph>();
    return {.graph = graph, .builder = graph, .control = graph, .info = graph};
}
