// The filter graph over a GStreamer pipeline: uridecodebin3 decodes the file,
// our renderer bins ("Video Renderer", the audio renderer) take its pads.
#include "Framework.h"
#include "GstHandles.h"
#include "GstPropertyDialog.h"
#include "VideoWidget.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/tag/tag.h>
#include <gst/video/video.h>

#include <QCursor>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <numeric>

namespace velvaro::engine {
namespace {

constexpr GstClockTime kRenderTimeout = 20 * GST_SECOND;
constexpr auto kLongestStateChange = std::chrono::seconds(3);
// The frame rate is measured over the newest frames shown.
constexpr size_t kFramesForRate = 50;
constexpr auto kFrameRateWindow = std::chrono::seconds(2);
constexpr const char* kVideoRendererName = "Video Renderer";
constexpr const char* kAudioRendererName = "Default DirectSound Device";
constexpr const char* kAudioInputPinName = "Audio Input pin (rendered)";
constexpr long kSilent = -10000;

void EnsureGstInitialised() {
    static const bool initialised = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
}

MajorType MajorTypeOfCaps(GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
        return MajorType::Unknown;
    }
    const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    if (g_str_has_prefix(name, "video/")) {
        return MajorType::Video;
    }
    if (g_str_has_prefix(name, "audio/")) {
        return MajorType::Audio;
    }
    if (g_str_has_prefix(name, "text/") || g_str_has_prefix(name, "subpicture/") ||
        g_str_has_prefix(name, "application/x-ssa") ||
        g_str_has_prefix(name, "application/x-ass")) {
        return MajorType::Subtitle;
    }
    return MajorType::Unknown;
}

MajorType MajorTypeOfPad(GstPad* pad) {
    // The decoder's pads name their stream before their caps are settled.
    if (GstStream* stream = gst_pad_get_stream(pad)) {
        const GstStreamType type = gst_stream_get_stream_type(stream);
        gst_object_unref(stream);
        if (type & GST_STREAM_TYPE_VIDEO) {
            return MajorType::Video;
        }
        if (type & GST_STREAM_TYPE_AUDIO) {
            return MajorType::Audio;
        }
        if (type & GST_STREAM_TYPE_TEXT) {
            return MajorType::Subtitle;
        }
    }
    GstCapsHandle caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    return MajorTypeOfCaps(caps.get());
}

// A sound device to play on, or a sink that only keeps the clock when the
// machine has none, so playback never fails for want of speakers.
GstElement* MakeAudioSink() {
    const bool pulse =
        g_getenv("PULSE_SERVER") ||
        g_file_test(g_build_filename(g_get_user_runtime_dir(), "pulse", "native", nullptr),
                    G_FILE_TEST_EXISTS);
    const bool alsa = g_file_test("/dev/snd", G_FILE_TEST_IS_DIR);
    if (pulse || alsa) {
        if (GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr)) {
            return sink;
        }
    }
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

// How a decoder part is named as a filter: by what it does, and the
// Matroska demuxer by the name players look it up under.
std::string FilterNameOf(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return GST_OBJECT_NAME(element);
    }
    if (std::strcmp(GST_OBJECT_NAME(factory), "matroskademux") == 0) {
        return "Matroska Splitter";
    }
    return gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
}

bool IsDecoderPart(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    return klass && (std::strstr(klass, "Demuxer") || std::strstr(klass, "Decoder"));
}

MajorType MajorTypeOfStream(GstStream* stream) {
    const GstStreamType type = gst_stream_get_stream_type(stream);
    if (type & GST_STREAM_TYPE_VIDEO) {
        return MajorType::Video;
    }
    if (type & GST_STREAM_TYPE_AUDIO) {
        return MajorType::Audio;
    }
    if (type & GST_STREAM_TYPE_TEXT) {
        return MajorType::Subtitle;
    }
    return MajorType::Unknown;
}

// "Commentary (German)", "English", or "Audio 2" when the file says nothing.
std::string StreamName(GstStream* stream, MajorType type, int ordinal) {
    std::string title, language;
    if (GstTagList* tags = gst_stream_get_tags(stream)) {
        gchar* text = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &text) && text) {
            title = text;
        }
        g_free(text);
        text = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &text) && text) {
            const gchar* name = gst_tag_get_language_name(text);
            language = name ? name : text;
        }
        g_free(text);
        gst_tag_list_unref(tags);
    }
    if (!title.empty() && !language.empty()) {
        return title + " (" + language + ")";
    }
    if (!title.empty() || !language.empty()) {
        return title.empty() ? language : title;
    }
    const char* kind = type == MajorType::Video   ? "Video"
                       : type == MajorType::Audio ? "Audio"
                                                  : "Subtitle";
    return std::string(kind) + " " + std::to_string(ordinal + 1);
}

class GstPin final : public IPin {
public:
    GstPin(GstPad* pad, std::string id) : pad_(GST_PAD(gst_object_ref(pad))), id_(std::move(id)) {}
    std::string QueryId() const override { return id_; }
    PinDirection QueryDirection() const override {
        return GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SRC ? PinDirection::Output
                                                            : PinDirection::Input;
    }
    MajorType QueryMajorType() const override { return MajorTypeOfPad(pad_.get()); }
    bool IsConnected() const override { return gst_pad_is_linked(pad_.get()); }

private:
    GstPadHandle pad_;
    std::string id_;
};

class GstFilter final : public IBaseFilter {
public:
    GstFilter(GstElement* element, std::string name)
        : element_(GST_ELEMENT(gst_object_ref(element))), name_(std::move(name)) {}
    std::string QueryName() const override { return name_; }
    std::vector<std::shared_ptr<IPin>> EnumPins() override {
        std::vector<std::shared_ptr<IPin>> pins;
        GstIterator* it = gst_element_iterate_pads(element_.get());
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* pad = GST_PAD(g_value_get_object(&item));
            gchar* name = gst_pad_get_name(pad);
            pins.push_back(std::make_shared<GstPin>(pad, name));
            g_free(name);
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        return pins;
    }
    bool HasPropertyPages() const override {
        guint count = 0;
        GParamSpec** specs =
            g_object_class_list_properties(G_OBJECT_GET_CLASS(element_.get()), &count);
        bool writable = false;
        for (guint i = 0; i < count && !writable; ++i) {
            const char* property = g_param_spec_get_name(specs[i]);
            writable = (specs[i]->flags & G_PARAM_WRITABLE) && std::strcmp(property, "name") != 0 &&
                       std::strcmp(property, "parent") != 0;
        }
        g_free(specs);
        return writable;
    }
    void ShowPropertyPages(QWidget* parent) override {
        std::unique_ptr<QDialog> owned;
        QPointer<QDialog> dialog =
            CreateElementPropertiesDialog(element_.get(), QString::fromStdString(name_), parent);
        if (!parent) {
            owned.reset(dialog.data());
        }
        if (!dialog) {
            return;
        }
        // Opened beside the mouse, where the user just chose it.
        dialog->move(QCursor::pos() - QPoint(50, 50));
        dialog->exec();
        if (parent && dialog) {
            delete dialog.data();
        }
    }
    GstElement* element() const { return element_.get(); }

private:
    GstElementHandle element_;
    std::string name_;
};

struct GraphEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class GstFilterGraph final : public IGraphBuilder,
                             public IMediaControl,
                             public IMediaSeeking,
                             public IMediaEventEx,
                             public IBasicAudio,
                             public IBasicVideo2,
                             public IVideoWindow,
                             public IQualProp,
                             public IStreamControl,
                             public IAMStreamSelect,
                             public IExternalAudio {
public:
    GstFilterGraph();
    ~GstFilterGraph() override;

    // IGraphBuilder
    HRESULT RenderFile(const std::wstring& path) override;
    HRESULT FindFilterByName(const std::string& name,
                             std::shared_ptr<IBaseFilter>* filter) override;
    std::vector<std::shared_ptr<IBaseFilter>> EnumFilters() override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    std::string GetErrorText(HRESULT hr) const override;
    void DumpGraph(const std::string& name) override {
        GST_DEBUG_BIN_TO_DOT_FILE(GST_BIN(pipeline_), GST_DEBUG_GRAPH_SHOW_ALL, name.c_str());
    }

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(long timeoutMs, long* state) override;

    // IMediaSeeking
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* position) override;
    HRESULT SetPositions(LONGLONG* current, unsigned currentFlags, LONGLONG* stop,
                         unsigned stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;

    // IMediaEventEx
    HRESULT SetNotifyWindow(QObject* window, UINT message, LONG_PTR instance) override;
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override;
    HRESULT FreeEventParams(long, LONG_PTR, LONG_PTR) override { return S_OK; }

    // IBasicAudio
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long* balance) override;

    // IBasicVideo2
    HRESULT SetSourcePosition(long left, long top, long width, long height) override;
    HRESULT SetDestinationPosition(long left, long top, long width, long height) override;
    HRESULT GetVideoSize(long* width, long* height) override;
    HRESULT GetPreferredAspectRatio(long* x, long* y) override;
    HRESULT GetCurrentImage(long* size, long* image) override;
    HRESULT IsUsingDefaultSource() override;

    // IVideoWindow
    HRESULT put_Owner(QWidget* owner) override;
    HRESULT put_WindowStyle(long style) override;
    HRESULT put_MessageDrain(QWidget*) override { return HaveVideo() ? S_OK : E_NOINTERFACE; }
    HRESULT put_Visible(bool visible) override;
    HRESULT put_AutoShow(bool autoShow) override;
    HRESULT put_BorderColor(long colour) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;
    HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) override;
    HRESULT HideCursor(bool hide) override;
    HRESULT NotifyOwnerMessage(QWidget*, UINT, WPARAM, LPARAM) override { return S_OK; }

    // IQualProp
    HRESULT get_AvgFrameRate(int* rate) override;

    // IStreamControl
    std::vector<MediaStream> GetStreams() override;
    HRESULT SelectStreamOfType(MajorType type, int ordinal) override;
    std::vector<MediaChapter> GetChapters() override;
    std::string GetDemuxerName() override;

    // IExternalAudio
    HRESULT AddExternalAudio(const std::wstring& path) override;
    HRESULT RemoveExternalAudio() override;

    // IAMStreamSelect
    HRESULT Count(long* streams) override;
    HRESULT Info(long index, MajorType* type, DWORD* flags, long* group,
                 std::string* name) override;
    HRESULT Enable(long index, DWORD flags) override;

private:
    // Streaming threads.
    static void OnPadAdded(GstElement* source, GstPad* pad, GstFilterGraph* graph);
    static void OnExternalPadAdded(GstElement* source, GstPad* pad, GstFilterGraph* graph);
    bool FromFilmDecoder(GstMessage* message) const;
    static gint OnSelectStream(GstElement* source, GstStreamCollection* collection,
                               GstStream* stream, GstFilterGraph* graph);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, GstFilterGraph* graph);
    static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer graph);
    static GstFlowReturn OnNewPreroll(GstAppSink* sink, gpointer graph);
    GstFlowReturn Show(GstSample* sample);
    static GstPadProbeReturn OnVideoBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer graph);

    void LinkVideo(GstPad* pad);
    void LinkAudio(GstPad* pad);
    void LinkSubtitle(GstPad* pad);
    GstElement* BuildVideoRenderer();
    GstElement* BuildAudioRenderer(const char* name);
    void PushEvent(long code, LONG_PTR param1, LONG_PTR param2);
    HRESULT SetPipelineState(GstState state, long logical);
    bool HaveVideo() const { return videoRenderer_ != nullptr; }
    bool HaveAudio() const { return audioRenderer_ != nullptr; }
    void ApplyVolume();
    HRESULT ApplySelection(const std::vector<std::string>& ids);
    void StoreToc(GstToc* toc);
    void ApplyScaledSize(int width, int height);
    HRESULT NativeVideoInfo(GstVideoInfo* info) const;
    HRESULT Seek(double rate, gint64 position);

    GstElement* pipeline_ = nullptr;
    GstElement* fileSource_ = nullptr;
    GstElement* source_ = nullptr;
    GstElement* videoRenderer_ = nullptr;  // owned by the pipeline
    GstElement* overlay_ = nullptr;
    GstElement* crop_ = nullptr;
    GstElement* scaledCaps_ = nullptr;
    GstElement* videoSink_ = nullptr;
    GstElement* audioRenderer_ = nullptr;
    GstElement* filmAudioRenderer_ = nullptr;  // held aside while a separate track plays
    GstElement* externalSource_ = nullptr;
    GstElement* externalDecoder_ = nullptr;
    GstElement* externalRenderer_ = nullptr;
    std::vector<std::string> filmSelection_;
    GstElement* volume_ = nullptr;
    GstElement* panorama_ = nullptr;
    std::shared_ptr<FrameMailbox> mailbox_ = std::make_shared<FrameMailbox>();
    QPointer<VideoWidget> widget_;

    // Guarded by mutex_: touched by streaming threads.
    mutable std::mutex mutex_;
    std::deque<GraphEvent> events_;
    QObject* notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    LONG_PTR notifyInstance_ = 0;
    std::string errorText_;
    GstBuffer* lastBuffer_ = nullptr;
    std::condition_variable streamsReady_;
    GstStreamCollection* collection_ = nullptr;
    std::vector<std::string> selectedIds_;
    std::vector<std::string> wantedIds_;  // the user's choice, once made
    std::vector<MediaChapter> chapters_;
    std::deque<std::chrono::steady_clock::time_point> frameTimes_;
    int selectedStreams_ = -1;  // known once the decoder has chosen
    int linkedStreams_ = 0;

    long logicalState_ = State_Stopped;
    std::chrono::steady_clock::time_point lastChange_ = std::chrono::steady_clock::now();
    TimeFormat timeFormat_ = TimeFormat::MediaTime;
    double rate_ = 1.0;
    long volumeLevel_ = 0;
    long balance_ = 0;
    bool autoShow_ = true;
    QColor border_ = Qt::black;
    QRect window_;
    QSize scaledSize_;
};

GstFilterGraph::GstFilterGraph() {
    EnsureGstInitialised();
    pipeline_ = gst_pipeline_new("FilterGraph");
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_)));
    gst_bus_set_sync_handler(bus.get(), reinterpret_cast<GstBusSyncHandler>(&OnBusMessage), this,
                             nullptr);
}

GstFilterGraph::~GstFilterGraph() {
    {
        std::lock_guard lock(mutex_);
        notifyWindow_ = nullptr;
    }
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_)));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    gst_bus_set_flushing(bus.get(), TRUE);
    gst_object_unref(pipeline_);
    if (lastBuffer_) {
        gst_buffer_unref(lastBuffer_);
    }
    if (collection_) {
        gst_object_unref(collection_);
    }
    if (filmAudioRenderer_) {
        gst_object_unref(filmAudioRenderer_);
    }
    delete widget_.data();
}

HRESULT GstFilterGraph::RenderFile(const std::wstring& path) {
    if (source_) {
        return VFW_E_WRONG_STATE;
    }
    const std::string narrow = QString::fromStdWString(path).toStdString();
    // filesrc feeding decodebin3 directly: through uridecodebin3 the decoder
    // sometimes never exposed its streams when the machine was busy.
    fileSource_ = gst_element_factory_make("filesrc", "File Source");
    g_object_set(fileSource_, "location", narrow.c_str(), nullptr);
    source_ = gst_element_factory_make("decodebin3", "Decoder");
    gst_bin_add_many(GST_BIN(pipeline_), fileSource_, source_, nullptr);
    gst_element_link(fileSource_, source_);
    g_signal_connect(source_, "pad-added", G_CALLBACK(&OnPadAdded), this);
    g_signal_connect(source_, "select-stream", G_CALLBACK(&OnSelectStream), this);

    // The decoder's pads arrive after the state change returns: wait for
    // every chosen stream to reach a renderer, then for the first frame.
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    {
        std::unique_lock lock(mutex_);
        streamsReady_.wait_for(lock, std::chrono::nanoseconds(kRenderTimeout), [this] {
            return !errorText_.empty() ||
                   (selectedStreams_ > 0 && linkedStreams_ >= selectedStreams_);
        });
    }
    const GstStateChangeReturn prerolled =
        gst_element_get_state(pipeline_, nullptr, nullptr, kRenderTimeout);
    logicalState_ = State_Stopped;

    bool playable = false;
    bool partial = false;
    {
        // No state change under the lock: streaming threads need it to finish.
        std::lock_guard lock(mutex_);
        playable = HaveVideo() || HaveAudio();
        partial = prerolled == GST_STATE_CHANGE_FAILURE || !errorText_.empty();
        if (!playable && errorText_.empty()) {
            errorText_ = prerolled == GST_STATE_CHANGE_ASYNC ? "The file took too long to open."
                                                             : "No playable streams were found.";
        }
    }
    if (!playable) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        return VFW_E_UNSUPPORTED_STREAM;
    }
    if (HaveVideo()) {
        auto* widget = new VideoWidget(mailbox_);
        widget->hide();
        widget_ = widget;
    }
    return partial ? VFW_S_PARTIAL_RENDER : S_OK;
}

// Streaming thread: the first picture and the first sound are decoded;
// subtitles only when chosen.
gint GstFilterGraph::OnSelectStream(GstElement*, GstStreamCollection* collection, GstStream* stream,
                                    GstFilterGraph* graph) {
    {
        std::lock_guard lock(graph->mutex_);
        if (!graph->wantedIds_.empty()) {
            const char* id = gst_stream_get_stream_id(stream);
            const auto& wanted = graph->wantedIds_;
            return id && std::find(wanted.begin(), wanted.end(), id) != wanted.end() ? 1 : 0;
        }
    }
    const GstStreamType type = gst_stream_get_stream_type(stream);
    if (type & GST_STREAM_TYPE_TEXT) {
        return 0;
    }
    for (guint i = 0; i < gst_stream_collection_get_size(collection); ++i) {
        GstStream* candidate = gst_stream_collection_get_stream(collection, i);
        if (gst_stream_get_stream_type(candidate) == type) {
            return candidate == stream ? 1 : 0;
        }
    }
    return 0;
}

// Streaming thread: decoded streams arrive here.
void GstFilterGraph::OnPadAdded(GstElement*, GstPad* pad, GstFilterGraph* graph) {
    switch (MajorTypeOfPad(pad)) {
        case MajorType::Video:
            graph->LinkVideo(pad);
            break;
        case MajorType::Audio:
            graph->LinkAudio(pad);
            break;
        case MajorType::Subtitle:
            graph->LinkSubtitle(pad);
            break;
        case MajorType::Unknown:
            break;
    }
}

GstElement* GstFilterGraph::BuildVideoRenderer() {
    GstElement* bin = gst_bin_new(kVideoRendererName);
    overlay_ = gst_element_factory_make("subtitleoverlay", nullptr);
    crop_ = gst_element_factory_make("videocrop", nullptr);
    GstElement* scale = gst_element_factory_make("videoconvertscale", nullptr);
    scaledCaps_ = gst_element_factory_make("capsfilter", nullptr);
    videoSink_ = gst_element_factory_make("appsink", nullptr);
    g_object_set(scale, "add-borders", FALSE, nullptr);
    GstCapsHandle caps(gst_caps_from_string("video/x-raw,format=BGRx,pixel-aspect-ratio=1/1"));
    g_object_set(scaledCaps_, "caps", caps.get(), nullptr);
    g_object_set(videoSink_, "sync", TRUE, "qos", TRUE, "max-buffers", 1u, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnNewSample;
    callbacks.new_preroll = &OnNewPreroll;
    gst_app_sink_set_callbacks(GST_APP_SINK(videoSink_), &callbacks, this, nullptr);
    gst_bin_add_many(GST_BIN(bin), overlay_, crop_, scale, scaledCaps_, videoSink_, nullptr);
    gst_element_link_many(overlay_, crop_, scale, scaledCaps_, videoSink_, nullptr);

    GstPadHandle video(gst_element_get_static_pad(overlay_, "video_sink"));
    gst_element_add_pad(bin, gst_ghost_pad_new("Input", video.get()));
    GstPadHandle text(gst_element_get_static_pad(overlay_, "subtitle_sink"));
    gst_element_add_pad(bin, gst_ghost_pad_new("Subtitle Input", text.get()));
    // The decoded picture, before cropping and scaling, for screenshots.
    GstPadHandle cropInput(gst_element_get_static_pad(crop_, "sink"));
    gst_pad_add_probe(cropInput.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnVideoBuffer, this, nullptr);
    return bin;
}

GstElement* GstFilterGraph::BuildAudioRenderer(const char* name) {
    GstElement* bin = gst_bin_new(name);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", "volume");
    GstElement* panorama = gst_element_factory_make("audiopanorama", "panorama");
    GstElement* convertOut = gst_element_factory_make("audioconvert", nullptr);
    GstElement* sink = MakeAudioSink();
    gst_bin_add_many(GST_BIN(bin), convert, resample, volume, panorama, convertOut, sink, nullptr);
    gst_element_link_many(convert, resample, volume, panorama, convertOut, sink, nullptr);
    GstPadHandle input(gst_element_get_static_pad(convert, "sink"));
    gst_element_add_pad(bin, gst_ghost_pad_new(kAudioInputPinName, input.get()));
    return bin;
}

void GstFilterGraph::LinkVideo(GstPad* pad) {
    std::lock_guard lock(mutex_);
    if (videoRenderer_) {
        // After a change of stream the decoder may offer a new pad.
        GstPadHandle input(gst_element_get_static_pad(videoRenderer_, "Input"));
        if (!gst_pad_is_linked(input.get())) {
            gst_pad_link(pad, input.get());
        }
        return;
    }
    videoRenderer_ = BuildVideoRenderer();
    gst_bin_add(GST_BIN(pipeline_), videoRenderer_);
    GstPadHandle input(gst_element_get_static_pad(videoRenderer_, "Input"));
    gst_pad_link(pad, input.get());
    gst_element_sync_state_with_parent(videoRenderer_);
    ++linkedStreams_;
    streamsReady_.notify_all();
}

void GstFilterGraph::LinkAudio(GstPad* pad) {
    std::lock_guard lock(mutex_);
    if (audioRenderer_) {
        // After a change of stream the decoder may offer a new pad.
        GstPadHandle input(gst_element_get_static_pad(audioRenderer_, kAudioInputPinName));
        if (!gst_pad_is_linked(input.get())) {
            gst_pad_link(pad, input.get());
        }
        return;
    }
    audioRenderer_ = BuildAudioRenderer(kAudioRendererName);
    volume_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "volume");
    panorama_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "panorama");
    gst_object_unref(volume_);  // the bin keeps them alive
    gst_object_unref(panorama_);
    ApplyVolume();
    gst_bin_add(GST_BIN(pipeline_), audioRenderer_);
    GstPadHandle input(gst_element_get_static_pad(audioRenderer_, kAudioInputPinName));
    gst_pad_link(pad, input.get());
    gst_element_sync_state_with_parent(audioRenderer_);
    ++linkedStreams_;
    streamsReady_.notify_all();
}

void GstFilterGraph::LinkSubtitle(GstPad* pad) {
    std::lock_guard lock(mutex_);
    if (!videoRenderer_) {
        return;
    }
    GstPadHandle input(gst_element_get_static_pad(videoRenderer_, "Subtitle Input"));
    if (!gst_pad_is_linked(input.get())) {
        gst_pad_link(pad, input.get());
    }
    ++linkedStreams_;
    streamsReady_.notify_all();
}

// Any thread: the bus's messages are handled where they are posted.
GstBusSyncReply GstFilterGraph::OnBusMessage(GstBus*, GstMessage* message, GstFilterGraph* graph) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            graph->PushEvent(EC_COMPLETE, S_OK, 0);
            break;
        case GST_MESSAGE_STREAM_COLLECTION: {
            if (!graph->FromFilmDecoder(message)) {
                break;
            }
            GstStreamCollection* collection = nullptr;
            gst_message_parse_stream_collection(message, &collection);
            std::lock_guard lock(graph->mutex_);
            if (graph->collection_) {
                gst_object_unref(graph->collection_);
            }
            graph->collection_ = collection;
            break;
        }
        case GST_MESSAGE_STREAMS_SELECTED: {
            if (!graph->FromFilmDecoder(message)) {
                break;
            }
            std::lock_guard lock(graph->mutex_);
            const guint count = gst_message_streams_selected_get_size(message);
            graph->selectedStreams_ = static_cast<int>(count);
            graph->selectedIds_.clear();
            for (guint i = 0; i < count; ++i) {
                GstStream* stream = gst_message_streams_selected_get_stream(message, i);
                if (const char* id = gst_stream_get_stream_id(stream)) {
                    graph->selectedIds_.emplace_back(id);
                }
                gst_object_unref(stream);
            }
            graph->streamsReady_.notify_all();
            break;
        }
        case GST_MESSAGE_TOC: {
            GstToc* toc = nullptr;
            gst_message_parse_toc(message, &toc, nullptr);
            if (toc) {
                graph->StoreToc(toc);
                gst_toc_unref(toc);
            }
            break;
        }
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            {
                std::lock_guard lock(graph->mutex_);
                if (graph->errorText_.empty() && error) {
                    graph->errorText_ = error->message;
                }
                graph->streamsReady_.notify_all();
            }
            g_clear_error(&error);
            graph->PushEvent(EC_ERRORABORT, E_FAIL, 0);
            break;
        }
        default:
            break;
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void GstFilterGraph::PushEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    if (notifyWindow_) {
        PostMessage(notifyWindow_, notifyMessage_, 0, notifyInstance_);
    }
}

// Streaming thread of the video sink: a frame at the size it will be shown.
GstFlowReturn GstFilterGraph::OnNewSample(GstAppSink* sink, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) {
        return GST_FLOW_EOS;
    }
    {
        std::lock_guard lock(graph->mutex_);
        graph->frameTimes_.push_back(std::chrono::steady_clock::now());
        while (graph->frameTimes_.size() > kFramesForRate) {
            graph->frameTimes_.pop_front();
        }
    }
    return graph->Show(sample);
}

// Streaming thread: the first frame after opening or seeking, shown while
// paused or stopped.
GstFlowReturn GstFilterGraph::OnNewPreroll(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_preroll(sink);
    return sample ? static_cast<GstFilterGraph*>(data)->Show(sample) : GST_FLOW_OK;
}

GstFlowReturn GstFilterGraph::Show(GstSample* sample) {
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    auto* frame = new GstVideoFrame;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        !gst_video_frame_map(frame, &info, buffer, GST_MAP_READ)) {
        delete frame;
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    // The image borrows the mapped frame; the last image to go unmaps it.
    QImage image(
        static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)),
        GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame),
        GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0), QImage::Format_RGB32,
        [](void* mapped) {
            auto* videoFrame = static_cast<GstVideoFrame*>(mapped);
            gst_video_frame_unmap(videoFrame);
            delete videoFrame;
        },
        frame);
    gst_sample_unref(sample);  // the mapping holds the buffer
    mailbox_->Deliver(std::move(image));
    return GST_FLOW_OK;
}

GstPadProbeReturn GstFilterGraph::OnVideoBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    GstBuffer* buffer = gst_buffer_ref(GST_PAD_PROBE_INFO_BUFFER(info));
    std::lock_guard lock(graph->mutex_);
    if (graph->lastBuffer_) {
        gst_buffer_unref(graph->lastBuffer_);
    }
    graph->lastBuffer_ = buffer;
    return GST_PAD_PROBE_OK;
}

HRESULT GstFilterGraph::FindFilterByName(const std::string& name,
                                         std::shared_ptr<IBaseFilter>* filter) {
    for (auto& candidate : EnumFilters()) {
        if (candidate->QueryName() == name) {
            *filter = candidate;
            return S_OK;
        }
    }
    filter->reset();
    return VFW_E_NOT_FOUND;
}

std::vector<std::shared_ptr<IBaseFilter>> GstFilterGraph::EnumFilters() {
    std::vector<std::shared_ptr<IBaseFilter>> filters;
    // Our renderers count as one filter each; inside the decoder only the
    // parts a user would name: source, demuxer, decoders.
    const auto add = [&filters](GstElement* element, bool top) {
        if (top) {
            gchar* name = gst_element_get_name(element);
            filters.push_back(std::make_shared<GstFilter>(element, name));
            g_free(name);
        } else if (IsDecoderPart(element)) {
            filters.push_back(std::make_shared<GstFilter>(element, FilterNameOf(element)));
        }
    };
    if (source_) {
        GstIterator* it = gst_bin_iterate_recurse(GST_BIN(source_));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            add(GST_ELEMENT(g_value_get_object(&item)), false);
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    std::lock_guard lock(mutex_);
    for (GstElement* renderer : {fileSource_, videoRenderer_, audioRenderer_}) {
        if (renderer) {
            add(renderer, true);
        }
    }
    return filters;
}

HRESULT GstFilterGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    auto* ours = dynamic_cast<GstFilter*>(filter.get());
    if (!ours || GST_OBJECT_PARENT(ours->element()) != GST_OBJECT(pipeline_)) {
        return E_INVALIDARG;
    }
    GstElement* element = ours->element();
    gst_element_set_state(element, GST_STATE_NULL);
    std::lock_guard lock(mutex_);
    if (element == videoRenderer_) {
        videoRenderer_ = nullptr;
    } else if (element == audioRenderer_) {
        audioRenderer_ = nullptr;
        volume_ = panorama_ = nullptr;
    }
    gst_bin_remove(GST_BIN(pipeline_), element);
    return S_OK;
}

std::string GstFilterGraph::GetErrorText(HRESULT) const {
    std::lock_guard lock(mutex_);
    return errorText_.substr(0, 160);
}

HRESULT GstFilterGraph::SetPipelineState(GstState state, long logical) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    lastChange_ = std::chrono::steady_clock::now();
    if (gst_element_set_state(pipeline_, state) == GST_STATE_CHANGE_FAILURE) {
        return E_FAIL;
    }
    logicalState_ = logical;
    if (autoShow_ && widget_ && widget_->parentWidget()) {
        widget_->show();
    }
    return S_OK;
}

HRESULT GstFilterGraph::Run() {
    return SetPipelineState(GST_STATE_PLAYING, State_Running);
}

HRESULT GstFilterGraph::Pause() {
    return SetPipelineState(GST_STATE_PAUSED, State_Paused);
}

HRESULT GstFilterGraph::Stop() {
    // Stopped keeps the pipeline paused, so the last frame stays.
    return SetPipelineState(GST_STATE_PAUSED, State_Stopped);
}

HRESULT GstFilterGraph::StopWhenReady() {
    return Stop();
}

HRESULT GstFilterGraph::GetState(long timeoutMs, long* state) {
    if (!state) {
        return E_POINTER;
    }
    *state = logicalState_;
    if (!source_) {
        return S_OK;
    }
    const GstStateChangeReturn result =
        gst_element_get_state(pipeline_, nullptr, nullptr,
                              static_cast<GstClockTime>(std::max(0L, timeoutMs)) * GST_MSECOND);
    if (result == GST_STATE_CHANGE_FAILURE) {
        return E_FAIL;
    }
    // A seek into the last frame of some films never completes its preroll;
    // after a while report the state reached rather than freeze the caller.
    if (result == GST_STATE_CHANGE_ASYNC &&
        std::chrono::steady_clock::now() - lastChange_ > kLongestStateChange) {
        return S_OK;
    }
    return result == GST_STATE_CHANGE_ASYNC ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

HRESULT GstFilterGraph::SetTimeFormat(TimeFormat format) {
    if (format == TimeFormat::Frame) {
        GstVideoInfo info;
        if (FAILED(NativeVideoInfo(&info)) || info.fps_n <= 0 || info.fps_d <= 0) {
            return E_FAIL;
        }
    }
    timeFormat_ = format;
    return S_OK;
}

HRESULT GstFilterGraph::GetDuration(LONGLONG* duration) {
    gint64 nanoseconds = 0;
    if (!duration) {
        return E_POINTER;
    }
    if (!source_ || !gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &nanoseconds)) {
        return E_FAIL;
    }
    *duration = nanoseconds / 100;
    return S_OK;
}

HRESULT GstFilterGraph::GetCurrentPosition(LONGLONG* position) {
    gint64 nanoseconds = 0;
    if (!position) {
        return E_POINTER;
    }
    if (!source_ || !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &nanoseconds)) {
        return E_FAIL;
    }
    if (timeFormat_ == TimeFormat::Frame) {
        GstVideoInfo info;
        if (FAILED(NativeVideoInfo(&info)) || info.fps_n <= 0 || info.fps_d <= 0) {
            return E_FAIL;
        }
        *position = static_cast<LONGLONG>(gst_util_uint64_scale(
            static_cast<guint64>(nanoseconds), static_cast<guint64>(info.fps_n),
            static_cast<guint64>(info.fps_d) * GST_SECOND));
        return S_OK;
    }
    *position = nanoseconds / 100;
    return S_OK;
}

HRESULT GstFilterGraph::Seek(double rate, gint64 position) {
    lastChange_ = std::chrono::steady_clock::now();
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const bool done =
        rate > 0 ? gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                    position, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)
                 : gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                                    GST_SEEK_TYPE_SET, position);
    return done ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::SetPositions(LONGLONG* current, unsigned currentFlags, LONGLONG*,
                                     unsigned) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    if (!current || (currentFlags & AM_SEEKING_AbsolutePositioning) == 0) {
        return S_OK;
    }
    return Seek(rate_, std::max<LONGLONG>(0, *current) * 100);
}

HRESULT GstFilterGraph::SetRate(double rate) {
    if (rate == 0.0 || !std::isfinite(rate)) {
        return E_INVALIDARG;
    }
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    gint64 position = 0;
    gst_element_query_position(pipeline_, GST_FORMAT_TIME, &position);
    const HRESULT result = Seek(rate, position);
    if (SUCCEEDED(result)) {
        rate_ = rate;
    }
    return result;
}

HRESULT GstFilterGraph::GetRate(double* rate) {
    if (!rate) {
        return E_POINTER;
    }
    *rate = rate_;
    return S_OK;
}

HRESULT GstFilterGraph::SetNotifyWindow(QObject* window, UINT message, LONG_PTR instance) {
    std::lock_guard lock(mutex_);
    notifyWindow_ = window;
    notifyMessage_ = message;
    notifyInstance_ = instance;
    return S_OK;
}

HRESULT GstFilterGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long) {
    std::lock_guard lock(mutex_);
    if (events_.empty()) {
        return E_ABORT;
    }
    const GraphEvent event = events_.front();
    events_.pop_front();
    if (code) {
        *code = event.code;
    }
    if (param1) {
        *param1 = event.param1;
    }
    if (param2) {
        *param2 = event.param2;
    }
    return S_OK;
}

void GstFilterGraph::ApplyVolume() {
    if (!volume_) {
        return;
    }
    // 1/100 dB to linear gain; the bottom of the scale is silence.
    const double gain = std::pow(10.0, static_cast<double>(volumeLevel_) / 2000.0);
    g_object_set(volume_, "volume", gain, "mute", volumeLevel_ <= kSilent, nullptr);
    g_object_set(panorama_, "panorama", static_cast<float>(balance_) / 10000.0f, nullptr);
}

HRESULT GstFilterGraph::put_Volume(long volume) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    if (volume < kSilent || volume > 0) {
        return E_INVALIDARG;
    }
    volumeLevel_ = volume;
    ApplyVolume();
    return S_OK;
}

HRESULT GstFilterGraph::get_Volume(long* volume) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    *volume = volumeLevel_;
    return S_OK;
}

HRESULT GstFilterGraph::put_Balance(long balance) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    if (balance < -10000 || balance > 10000) {
        return E_INVALIDARG;
    }
    balance_ = balance;
    ApplyVolume();
    return S_OK;
}

HRESULT GstFilterGraph::get_Balance(long* balance) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    *balance = balance_;
    return S_OK;
}

HRESULT GstFilterGraph::NativeVideoInfo(GstVideoInfo* info) const {
    if (!crop_) {
        return E_NOINTERFACE;
    }
    GstPadHandle input(gst_element_get_static_pad(crop_, "sink"));
    GstCapsHandle caps(gst_pad_get_current_caps(input.get()));
    if (!caps || !gst_video_info_from_caps(info, caps.get())) {
        return VFW_E_NOT_CONNECTED;
    }
    return S_OK;
}

HRESULT GstFilterGraph::SetSourcePosition(long left, long top, long width, long height) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    if (width <= 0 || height <= 0) {
        return E_INVALIDARG;
    }
    const auto clamp = [](long value) { return static_cast<gint>(std::max(0L, value)); };
    g_object_set(crop_, "left", clamp(left), "top", clamp(top), "right",
                 clamp(info.width - left - width), "bottom", clamp(info.height - top - height),
                 nullptr);
    return S_OK;
}

void GstFilterGraph::ApplyScaledSize(int width, int height) {
    const QSize size(width, height);
    if (size == scaledSize_ || width <= 0 || height <= 0) {
        return;
    }
    scaledSize_ = size;
    GstCapsHandle caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                           G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                           "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(scaledCaps_, "caps", caps.get(), nullptr);
}

HRESULT GstFilterGraph::SetDestinationPosition(long left, long top, long width, long height) {
    if (!HaveVideo()) {
        return E_NOINTERFACE;
    }
    if (width <= 0 || height <= 0) {
        return E_INVALIDARG;
    }
    ApplyScaledSize(static_cast<int>(width), static_cast<int>(height));
    if (widget_) {
        widget_->SetDestination(QRect(static_cast<int>(left), static_cast<int>(top),
                                      static_cast<int>(width), static_cast<int>(height)));
    }
    return S_OK;
}

HRESULT GstFilterGraph::GetVideoSize(long* width, long* height) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    *width = info.width;
    *height = info.height;
    return S_OK;
}

HRESULT GstFilterGraph::GetPreferredAspectRatio(long* x, long* y) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    const long parN = info.par_n > 0 ? info.par_n : 1;
    const long parD = info.par_d > 0 ? info.par_d : 1;
    long ratioX = info.width * parN;
    long ratioY = info.height * parD;
    const long divisor = std::gcd(ratioX, ratioY);
    if (divisor > 0) {
        ratioX /= divisor;
        ratioY /= divisor;
    }
    *x = ratioX;
    *y = ratioY;
    return S_OK;
}

HRESULT GstFilterGraph::GetCurrentImage(long* size, long* image) {
    if (!size) {
        return E_POINTER;
    }
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    const int width = info.width;
    const int height = info.height;
    const int stride = (width * 3 + 3) & ~3;
    const long needed = 40 + static_cast<long>(stride) * height;
    if (!image) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed) {
        return E_INVALIDARG;
    }
    GstBufferHandle buffer;
    {
        std::lock_guard lock(mutex_);
        if (!lastBuffer_) {
            return E_UNEXPECTED;
        }
        buffer.reset(gst_buffer_ref(lastBuffer_));
    }
    GstPadHandle input(gst_element_get_static_pad(crop_, "sink"));
    GstCapsHandle caps(gst_pad_get_current_caps(input.get()));
    GstSampleHandle sample(gst_sample_new(buffer.get(), caps.get(), nullptr, nullptr));
    GstCapsHandle bgr(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width",
                                          G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                          nullptr));
    GError* error = nullptr;
    GstSampleHandle converted(
        gst_video_convert_sample(sample.get(), bgr.get(), 5 * GST_SECOND, &error));
    g_clear_error(&error);
    if (!converted) {
        return E_FAIL;
    }
    GstVideoInfo convertedInfo;
    GstMapInfo map;
    GstBuffer* pixels = gst_sample_get_buffer(converted.get());
    if (!gst_video_info_from_caps(&convertedInfo, gst_sample_get_caps(converted.get())) ||
        !gst_buffer_map(pixels, &map, GST_MAP_READ)) {
        return E_FAIL;
    }
    auto* out = reinterpret_cast<std::uint8_t*>(image);
    const std::uint32_t header[10] = {40u,
                                      static_cast<std::uint32_t>(width),
                                      static_cast<std::uint32_t>(height),
                                      1u | (24u << 16),  // one plane, 24 bits per pixel
                                      0u,                // uncompressed
                                      static_cast<std::uint32_t>(stride * height),
                                      0u,
                                      0u,
                                      0u,
                                      0u};
    std::memcpy(out, header, sizeof header);
    const int sourceStride = GST_VIDEO_INFO_PLANE_STRIDE(&convertedInfo, 0);
    // Device-independent bitmaps keep their rows bottom-up.
    for (int row = 0; row < height; ++row) {
        std::uint8_t* target = out + 40 + static_cast<size_t>(height - 1 - row) * stride;
        std::memcpy(target, map.data + static_cast<size_t>(row) * sourceStride,
                    static_cast<size_t>(width) * 3);
        std::memset(target + width * 3, 0, static_cast<size_t>(stride - width * 3));
    }
    gst_buffer_unmap(pixels, &map);
    *size = needed;
    return S_OK;
}

HRESULT GstFilterGraph::IsUsingDefaultSource() {
    return HaveVideo() ? S_OK : E_NOINTERFACE;
}

HRESULT GstFilterGraph::put_Owner(QWidget* owner) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    widget_->setParent(owner);
    if (owner) {
        widget_->setGeometry(window_);
    }
    return S_OK;
}

HRESULT GstFilterGraph::put_WindowStyle(long) {
    return widget_ ? S_OK : E_NOINTERFACE;
}

HRESULT GstFilterGraph::put_Visible(bool visible) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    widget_->setVisible(visible);
    return S_OK;
}

HRESULT GstFilterGraph::put_AutoShow(bool autoShow) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    autoShow_ = autoShow;
    return S_OK;
}

HRESULT GstFilterGraph::put_BorderColor(long colour) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    // COLORREF: 0x00BBGGRR.
    border_ = QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                     static_cast<int>((colour >> 16) & 0xFF));
    widget_->SetBorderColour(border_);
    return S_OK;
}

HRESULT GstFilterGraph::SetWindowPosition(long left, long top, long width, long height) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    window_ = QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                    static_cast<int>(height));
    widget_->setGeometry(window_);
    return S_OK;
}

HRESULT GstFilterGraph::GetWindowPosition(long* left, long* top, long* width, long* height) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    const QRect geometry = widget_->geometry();
    *left = geometry.left();
    *top = geometry.top();
    *width = geometry.width();
    *height = geometry.height();
    return S_OK;
}

HRESULT GstFilterGraph::HideCursor(bool hide) {
    if (!widget_) {
        return E_NOINTERFACE;
    }
    widget_->SetCursorHidden(hide);
    return S_OK;
}

HRESULT GstFilterGraph::get_AvgFrameRate(int* rate) {
    if (!videoSink_) {
        return E_NOINTERFACE;
    }
    std::lock_guard lock(mutex_);
    // Frames actually shown per second, over the last two seconds at most.
    const auto now = std::chrono::steady_clock::now();
    while (!frameTimes_.empty() && now - frameTimes_.front() > kFrameRateWindow) {
        frameTimes_.pop_front();
    }
    double average = 0.0;
    if (frameTimes_.size() >= 2) {
        const std::chrono::duration<double> span = frameTimes_.back() - frameTimes_.front();
        if (span.count() > 0) {
            average = static_cast<double>(frameTimes_.size() - 1) / span.count();
        }
    }
    *rate = static_cast<int>(average * 100.0);
    return S_OK;
}

std::vector<MediaStream> GstFilterGraph::GetStreams() {
    std::vector<MediaStream> streams;
    std::lock_guard lock(mutex_);
    if (!collection_) {
        return streams;
    }
    int ordinals[4] = {};
    for (guint i = 0; i < gst_stream_collection_get_size(collection_); ++i) {
        GstStream* stream = gst_stream_collection_get_stream(collection_, i);
        MediaStream info;
        info.type = MajorTypeOfStream(stream);
        const char* id = gst_stream_get_stream_id(stream);
        info.id = id ? id : "";
        info.name = StreamName(stream, info.type, ordinals[static_cast<int>(info.type)]++);
        info.selected =
            std::find(selectedIds_.begin(), selectedIds_.end(), info.id) != selectedIds_.end();
        streams.push_back(std::move(info));
    }
    return streams;
}

HRESULT GstFilterGraph::SelectStreamOfType(MajorType type, int ordinal) {
    std::vector<std::string> ids;
    int seen = 0;
    bool found = ordinal < 0;
    for (const MediaStream& stream : GetStreams()) {
        if (stream.type != type) {
            if (stream.selected) {
                ids.push_back(stream.id);
            }
        } else if (seen++ == ordinal) {
            ids.push_back(stream.id);
            found = true;
        }
    }
    if (!found) {
        return E_INVALIDARG;
    }
    return ApplySelection(ids);
}

HRESULT GstFilterGraph::ApplySelection(const std::vector<std::string>& ids) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    const auto sameSet = [](std::vector<std::string> a, std::vector<std::string> b) {
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return a == b;
    };
    {
        std::lock_guard lock(mutex_);
        wantedIds_ = ids;
        if (sameSet(selectedIds_, ids)) {
            return S_OK;
        }
    }
    GList* list = nullptr;
    for (const std::string& id : ids) {
        list = g_list_append(list, g_strdup(id.c_str()));
    }
    const bool sent = gst_element_send_event(source_, gst_event_new_select_streams(list));
    g_list_free_full(list, g_free);
    if (!sent) {
        return E_FAIL;
    }
    // The decoder switches from where the file is read next: read again from here.
    gint64 position = 0;
    gst_element_query_position(pipeline_, GST_FORMAT_TIME, &position);
    Seek(rate_, position);
    std::unique_lock lock(mutex_);
    const bool switched = streamsReady_.wait_for(lock, std::chrono::seconds(5),
                                                 [&] { return sameSet(selectedIds_, ids); });
    return switched ? S_OK : E_FAIL;
}

void GstFilterGraph::StoreToc(GstToc* toc) {
    std::vector<MediaChapter> chapters;
    const auto addChapters = [&chapters](GList* entries) {
        for (GList* item = entries; item; item = item->next) {
            auto* entry = static_cast<GstTocEntry*>(item->data);
            if (gst_toc_entry_get_entry_type(entry) != GST_TOC_ENTRY_TYPE_CHAPTER) {
                continue;
            }
            gint64 start = 0, stop = 0;
            gst_toc_entry_get_start_stop_times(entry, &start, &stop);
            MediaChapter chapter{start / 100, stop / 100, {}};
            if (GstTagList* tags = gst_toc_entry_get_tags(entry)) {
                gchar* title = nullptr;
                if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title) && title) {
                    chapter.title = title;
                }
                g_free(title);
            }
            chapters.push_back(std::move(chapter));
        }
    };
    for (GList* item = gst_toc_get_entries(toc); item; item = item->next) {
        auto* entry = static_cast<GstTocEntry*>(item->data);
        if (gst_toc_entry_get_entry_type(entry) == GST_TOC_ENTRY_TYPE_EDITION) {
            addChapters(gst_toc_entry_get_sub_entries(entry));
        }
    }
    addChapters(gst_toc_get_entries(toc));
    std::lock_guard lock(mutex_);
    chapters_ = std::move(chapters);
}

std::vector<MediaChapter> GstFilterGraph::GetChapters() {
    std::lock_guard lock(mutex_);
    return chapters_;
}

std::string GstFilterGraph::GetDemuxerName() {
    if (!source_) {
        return {};
    }
    std::string name;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(source_));
    GValue item = G_VALUE_INIT;
    while (name.empty() && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        const char* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
        if (klass && std::strstr(klass, "Demuxer")) {
            name = FilterNameOf(element);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return name;
}

HRESULT GstFilterGraph::Count(long* streams) {
    if (!streams) {
        return E_POINTER;
    }
    *streams = static_cast<long>(GetStreams().size());
    return S_OK;
}

HRESULT GstFilterGraph::Info(long index, MajorType* type, DWORD* flags, long* group,
                             std::string* name) {
    const auto streams = GetStreams();
    if (index < 0 || index >= static_cast<long>(streams.size())) {
        return E_INVALIDARG;
    }
    const MediaStream& stream = streams[static_cast<size_t>(index)];
    if (type) {
        *type = stream.type;
    }
    if (flags) {
        *flags = stream.selected ? AMSTREAMSELECTINFO_ENABLED : 0;
    }
    if (group) {
        // One group per kind of stream: picture, sound, subtitles.
        *group = stream.type == MajorType::Video      ? 0
                 : stream.type == MajorType::Audio    ? 1
                 : stream.type == MajorType::Subtitle ? 2
                                                      : 3;
    }
    if (name) {
        *name = stream.name;
    }
    return S_OK;
}

HRESULT GstFilterGraph::Enable(long index, DWORD flags) {
    const auto streams = GetStreams();
    if (index < 0 || index >= static_cast<long>(streams.size())) {
        return E_INVALIDARG;
    }
    const MajorType type = streams[static_cast<size_t>(index)].type;
    int ordinal = 0;
    for (long i = 0; i < index; ++i) {
        ordinal += streams[static_cast<size_t>(i)].type == type ? 1 : 0;
    }
    return SelectStreamOfType(type, flags & AMSTREAMSELECTENABLE_ENABLE ? ordinal : -1);
}

// The separate track's decoder posts its own stream messages; only the
// film's describe the film.
bool GstFilterGraph::FromFilmDecoder(GstMessage* message) const {
    GstObject* source = GST_MESSAGE_SRC(message);
    return source_ && source &&
           (source == GST_OBJECT(source_) ||
            gst_object_has_as_ancestor(source, GST_OBJECT(source_)));
}

// Streaming thread of the separate track's decoder.
void GstFilterGraph::OnExternalPadAdded(GstElement*, GstPad* pad, GstFilterGraph* graph) {
    if (MajorTypeOfPad(pad) != MajorType::Audio) {
        return;
    }
    std::lock_guard lock(graph->mutex_);
    if (!graph->externalRenderer_) {
        return;
    }
    GstPadHandle input(gst_element_get_static_pad(graph->externalRenderer_, kAudioInputPinName));
    if (!gst_pad_is_linked(input.get()) && gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK) {
        ++graph->linkedStreams_;
        graph->streamsReady_.notify_all();
    }
}

HRESULT GstFilterGraph::AddExternalAudio(const std::wstring& path) {
    if (!source_ || externalSource_) {
        return VFW_E_WRONG_STATE;
    }
    // The film's sound is no longer decoded, and its renderer leaves the graph
    // so that it does not wait for data that never comes.
    std::vector<std::string> filmSelection;
    for (const MediaStream& stream : GetStreams()) {
        if (stream.selected) {
            filmSelection.push_back(stream.id);
        }
    }
    filmSelection_ = filmSelection;
    SelectStreamOfType(MajorType::Audio, -1);
    GstElement* filmRenderer = nullptr;
    {
        std::lock_guard lock(mutex_);
        filmRenderer = audioRenderer_;
        audioRenderer_ = nullptr;
    }
    if (filmRenderer) {
        gst_object_ref(filmRenderer);
        gst_element_set_state(filmRenderer, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_), filmRenderer);
        filmAudioRenderer_ = filmRenderer;
    }

    int linkedBefore = 0;
    {
        std::lock_guard lock(mutex_);
        externalRenderer_ = BuildAudioRenderer("External Audio DirectSound Device");
        linkedBefore = linkedStreams_;
    }
    externalSource_ = gst_element_factory_make("filesrc", "External Audio Source");
    g_object_set(externalSource_, "location", QString::fromStdWString(path).toStdString().c_str(),
                 nullptr);
    externalDecoder_ = gst_element_factory_make("decodebin3", "External Audio Decoder");
    g_signal_connect(externalDecoder_, "pad-added", G_CALLBACK(&OnExternalPadAdded), this);
    gst_bin_add_many(GST_BIN(pipeline_), externalSource_, externalDecoder_, externalRenderer_,
                     nullptr);
    gst_element_link(externalSource_, externalDecoder_);
    gst_element_sync_state_with_parent(externalRenderer_);
    gst_element_sync_state_with_parent(externalDecoder_);
    gst_element_sync_state_with_parent(externalSource_);

    bool linked = false;
    {
        std::unique_lock lock(mutex_);
        linked = streamsReady_.wait_for(lock, std::chrono::nanoseconds(kRenderTimeout),
                                        [&] { return linkedStreams_ > linkedBefore; });
        if (linked) {
            audioRenderer_ = externalRenderer_;
            volume_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "volume");
            panorama_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "panorama");
            gst_object_unref(volume_);
            gst_object_unref(panorama_);
            ApplyVolume();
        }
    }
    if (!linked) {
        RemoveExternalAudio();
        return VFW_E_CANNOT_RENDER;
    }
    // Both sources start again from where the film stands.
    gint64 position = 0;
    gst_element_query_position(pipeline_, GST_FORMAT_TIME, &position);
    return Seek(rate_, position);
}

HRESULT GstFilterGraph::RemoveExternalAudio() {
    if (!externalSource_) {
        return S_FALSE;
    }
    gint64 position = 0;
    gst_element_query_position(pipeline_, GST_FORMAT_TIME, &position);
    // Downstream first: a renderer waiting for its first buffer holds the
    // streams that feed it until it is shut down.
    for (GstElement* element : {externalRenderer_, externalDecoder_, externalSource_}) {
        gst_element_set_state(element, GST_STATE_NULL);
    }
    {
        std::lock_guard lock(mutex_);
        audioRenderer_ = nullptr;
        volume_ = panorama_ = nullptr;
    }
    for (GstElement* element : {externalSource_, externalDecoder_, externalRenderer_}) {
        gst_bin_remove(GST_BIN(pipeline_), element);
    }
    externalSource_ = externalDecoder_ = nullptr;
    {
        std::lock_guard lock(mutex_);
        externalRenderer_ = nullptr;
    }
    if (filmAudioRenderer_) {
        gst_bin_add(GST_BIN(pipeline_), filmAudioRenderer_);
        gst_object_unref(filmAudioRenderer_);
        std::lock_guard lock(mutex_);
        audioRenderer_ = filmAudioRenderer_;
        filmAudioRenderer_ = nullptr;
        volume_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "volume");
        panorama_ = gst_bin_get_by_name(GST_BIN(audioRenderer_), "panorama");
        gst_object_unref(volume_);
        gst_object_unref(panorama_);
        ApplyVolume();
    }
    if (audioRenderer_) {
        gst_element_sync_state_with_parent(audioRenderer_);
    }
    ApplySelection(filmSelection_);
    Seek(rate_, position);
    return S_OK;
}

}  // namespace
}  // namespace velvaro::engine

std::shared_ptr<IGraphBuilder> CreateFilterGraph() {
    return std::make_shared<velvaro::engine::GstFilterGraph>();
}
