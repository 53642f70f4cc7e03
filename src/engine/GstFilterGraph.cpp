// Building the graph, and what its streaming threads report.
#include "GstFilterGraph.h"

#include "ProgramStreamSeeks.h"
#include "VideoDecoderTuning.h"
#include "VideoStreamEnd.h"
#include "platform/NetworkAddress.h"

#include <QString>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace velvaro::engine {

GstFilterGraph::GstFilterGraph() {
    // A registry still loading (rebuilt after a plugin update takes
    // seconds): openings wait for it on threads of their own.
    while (!WaitForMediaFramework(kRenderWaitSlice)) {
    }
    pipeline_.reset(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("FilterGraph"))));
    TuneVideoDecoders(GST_BIN(pipeline_.get()));
    EndVideoStreamsOnTime(GST_BIN(pipeline_.get()));
    MakeProgramStreamSeeksExact(GST_BIN(pipeline_.get()));
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_sync_handler(bus.get(), reinterpret_cast<GstBusSyncHandler>(&OnBusMessage), this,
                             nullptr);
}

GstFilterGraph::~GstFilterGraph() {
    {
        std::lock_guard lock(mutex_);
        notifyWindow_ = nullptr;
        // The sink's own counts start again at every flush, Stop's included.
        qCDebug(lcBench, "frames handed to the widget while playing %llu",
                static_cast<unsigned long long>(framesShown_));
    }
    ShutDown();
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    if (output_) {
        output_->Close();
    }
}

void GstFilterGraph::ShutDown() {
    {
        std::lock_guard lock(hold_->mutex);
        hold_->closed = true;
    }
    if (watchdog_) {
        gst_clock_id_unschedule(watchdog_);
        gst_clock_id_unref(std::exchange(watchdog_, nullptr));
    }
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_flushing(bus.get(), TRUE);
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

HRESULT GstFilterGraph::RenderFile(const std::string& path) {
    if (source_) {
        return VFW_E_WRONG_STATE;
    }
    const bool network =
        platform::KindOfAddress(QString::fromStdString(path)) != platform::AddressKind::File;
    if (const HRESULT built = network ? BuildNetworkSource(path) : BuildFileSource(path);
        FAILED(built)) {
        return built;
    }
    // Bytes read are signs of life: a slow source is waited for, a silent one not.
    GstPadHandle sourcePad(fileSource_ ? gst_element_get_static_pad(fileSource_, "src") : nullptr);
    const gulong probe =
        sourcePad
            ? gst_pad_add_probe(sourcePad.get(), GST_PAD_PROBE_TYPE_BUFFER,
                                reinterpret_cast<GstPadProbeCallback>(&OnSourceData), this, nullptr)
            : 0;
    if (network) {
        silence_ = kNetworkSilence;
    }

    // The decoder's pads arrive after the state change returns: wait for
    // every chosen stream to reach a renderer, then for the first frame.
    lastActivity_ = SteadyNow();
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    WaitWhileAlive([this] {
        return aborted_ ||
               (selectedStreams_ > 0 && linkedStreams_ + unrenderedStreams_ >= selectedStreams_);
    });
    bool playable = false;
    {
        std::lock_guard lock(mutex_);
        playable = HaveVideo() || HaveAudio();
    }
    // No state change under the lock: streaming threads need it to finish.
    GstStateChangeReturn prerolled = GST_STATE_CHANGE_FAILURE;
    if (playable) {
        WaitWhileAlive(
            [&] {
                prerolled = gst_element_get_state(pipeline_.get(), nullptr, nullptr, 0);
                return prerolled != GST_STATE_CHANGE_ASYNC;
            },
            false);
    }
    if (sourcePad) {
        gst_pad_remove_probe(sourcePad.get(), probe);
    }
    logicalState_ = State_Stopped;
    if (renderCancelled_) {
        ShutDown();
        std::lock_guard lock(mutex_);
        errorText_ = "The open was cancelled.";
        events_.clear();
        opened_ = true;
        return E_ABORT;
    }
    // Stopped before the open is settled: a stream left unlinked makes its
    // demuxer fail soon after, and that error, once the graph counted as
    // open, would replace the reason the open gives.
    if (!playable) {
        ShutDown();
    }

    bool partial = false;
    {
        std::lock_guard lock(mutex_);
        partial = prerolled == GST_STATE_CHANGE_FAILURE || !errorText_.empty();
        if (!playable && fellSilent_ && !address_.empty()) {
            errorText_ =
                "No data came for " + std::to_string(kNetworkSilence.count()) + " seconds.";
        } else if (!playable && errorText_.empty()) {
            errorText_ = "No playable streams were found.";
        }
        // What went wrong while opening is the open's result, not an event.
        events_.clear();
        aborted_ = false;
        opened_ = true;
    }
    if (!playable) {
        return VFW_E_UNSUPPORTED_STREAM;
    }
    if (network) {
        AskSeekable();
        WatchForStalls();
    }
    // The subtitle files are usually found long before the film opens; a
    // slow folder adds them when it answers.
    if (HaveVideo() && subtitleSearch_) {
        WaitWhileAlive([this] { return subtitleSearch_->Wait(std::chrono::milliseconds(0)); },
                       false);
    }
    return partial ? VFW_S_PARTIAL_RENDER : S_OK;
}

HRESULT GstFilterGraph::BuildFileSource(const std::string& path) {
    // A FIFO or a device would hold the source's first read, and the window
    // with it, until somebody writes: only regular files are read.
    if (struct stat info{}; stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        std::lock_guard lock(mutex_);
        errorText_ = "\"" + path + "\" is not a file that can be played.";
        return VFW_E_UNSUPPORTED_STREAM;
    }
    subtitleSearch_ = std::make_unique<SubtitleFileSearch>(path);
    // filesrc feeding decodebin3 directly: through uridecodebin3 the decoder
    // sometimes never exposed its streams when the machine was busy.
    ElementMaker maker;
    GstElementHandle fileSource = maker.Make("filesrc", "File Source");
    GstElementHandle decoder = maker.Make("decodebin3", "Decoder");
    if (maker.Failed()) {
        std::lock_guard lock(mutex_);
        errorText_ = maker.Error();
        return VFW_E_CANNOT_RENDER;
    }
    g_object_set(fileSource.get(), "location", path.c_str(), nullptr);
    // Before the link: the decoder makes its parser when linked.
    g_signal_connect(decoder.get(), "element-added", G_CALLBACK(&OnFileDecoderPart), nullptr);
    fileSource_ = fileSource.get();
    source_ = decoder.get();
    gst_bin_add_many(GST_BIN(pipeline_.get()), fileSource_, source_, nullptr);
    if (!gst_element_link(fileSource_, source_)) {
        std::lock_guard lock(mutex_);
        errorText_ = "The file source could not be connected to the decoder.";
        return VFW_E_CANNOT_RENDER;
    }
    g_signal_connect(source_, "pad-added", G_CALLBACK(&OnPadAdded), this);
    g_signal_connect(source_, "select-stream", G_CALLBACK(&OnSelectStream), this);
    return S_OK;
}

namespace {

// parsebin's answers to autoplug-select (the enum is not in a public header).
constexpr int kAutoplugTry = 0;
constexpr int kAutoplugSkip = 2;

// Streaming thread: whether the parser may use `factory` on a local file.
int ChooseFileParser(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer) {
    // The newer adaptive demuxers fetch their pieces over HTTP only; the
    // older ones read a manifest's pieces from the disk too.
    const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    const bool adaptive = klass && g_strrstr(klass, "Adaptive");
    return adaptive && g_str_has_suffix(GST_OBJECT_NAME(factory), "demux2") ? kAutoplugSkip
                                                                            : kAutoplugTry;
}

}  // namespace

// Streaming or opening thread: the file's decoder made a part.
void GstFilterGraph::OnFileDecoderPart(GstBin*, GstElement* part, gpointer) {
    if (GstElementFactory* factory = gst_element_get_factory(part);
        factory && g_strcmp0(GST_OBJECT_NAME(factory), "parsebin") == 0) {
        g_signal_connect(part, "autoplug-select", G_CALLBACK(&ChooseFileParser), nullptr);
    }
}

void GstFilterGraph::CreateVideoOutput() {
    if (HaveVideo() && !output_) {
        output_ = std::make_shared<VideoOutput>(mailbox_);
    }
}

void GstFilterGraph::CancelRender() {
    renderCancelled_ = true;
    std::lock_guard lock(mutex_);
    streamsReady_.notify_all();
}

std::int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits until `done` (asked under the lock when `locked`), the pipeline
// failed, the file fell silent or the render was cancelled.
bool GstFilterGraph::WaitWhileAlive(const std::function<bool()>& done, bool locked) {
    const auto silence = silence_.count();
    for (;;) {
        if (locked) {
            std::unique_lock lock(mutex_);
            if (streamsReady_.wait_for(lock, kRenderWaitSlice,
                                       [&] { return renderCancelled_ || done(); })) {
                return !renderCancelled_;
            }
        } else if (done()) {
            return true;
        } else {
            std::this_thread::sleep_for(kRenderWaitSlice);
        }
        if (renderCancelled_ || gst_element_get_state(pipeline_.get(), nullptr, nullptr, 0) ==
                                    GST_STATE_CHANGE_FAILURE) {
            return false;
        }
        if (SteadyNow() - lastActivity_ > silence) {
            fellSilent_ = true;
            return false;
        }
    }
}

// Streaming thread: the file source delivered data.
GstPadProbeReturn GstFilterGraph::OnSourceData(GstPad*, GstPadProbeInfo*, GstFilterGraph* graph) {
    graph->lastActivity_ = SteadyNow();
    return GST_PAD_PROBE_OK;
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
    const MajorType type = MajorTypeOfPad(pad);
    std::lock_guard lock(graph->mutex_);
    switch (type) {
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

void GstFilterGraph::NoteRenderError(const std::string& text) {
    qCWarning(lcEngine).noquote() << QString::fromStdString(text);
    if (errorText_.empty()) {
        errorText_ = text;
    }
    ++unrenderedStreams_;
    streamsReady_.notify_all();
}

namespace {

// Links a decoder pad to a renderer's input, unless one is linked there
// already (a change of stream may offer a new pad).
bool LinkToInput(GstPad* pad, GstElement* renderer, const char* input) {
    GstPadHandle sink(gst_element_get_static_pad(renderer, input));
    if (!sink || gst_pad_is_linked(sink.get())) {
        return sink != nullptr;
    }
    const GstPadLinkReturn linked = gst_pad_link(pad, sink.get());
    if (GST_PAD_LINK_FAILED(linked)) {
        qCWarning(lcEngine) << "Linking a stream to" << GST_OBJECT_NAME(renderer)
                            << "failed:" << gst_pad_link_get_name(linked);
        return false;
    }
    return true;
}

}  // namespace

void GstFilterGraph::LinkVideo(GstPad* pad) {
    if (videoRenderer_) {
        LinkToInput(pad, videoRenderer_, "Input");
        return;
    }
    std::string error;
    GstElementHandle renderer = BuildVideoRenderer(&error);
    if (!renderer) {
        NoteRenderError(error);
        return;
    }
    gst_bin_add(GST_BIN(pipeline_.get()), renderer.get());
    if (!LinkToInput(pad, renderer.get(), "Input")) {
        gst_bin_remove(GST_BIN(pipeline_.get()), renderer.get());
        overlay_ = crop_ = scaledCaps_ = videoSink_ = nullptr;
        NoteRenderError("The video stream could not be connected to the video renderer.");
        return;
    }
    videoRenderer_ = renderer.get();
    gst_element_sync_state_with_parent(videoRenderer_);
    ++linkedStreams_;
    streamsReady_.notify_all();
}

void GstFilterGraph::LinkAudio(GstPad* pad) {
    if (audioRenderer_) {
        LinkToInput(pad, audioRenderer_, kAudioInputPinName);
        return;
    }
    std::string error;
    GstElementHandle renderer = BuildAudioRenderer(kAudioRendererName, &error);
    if (!renderer) {
        NoteRenderError(error);
        return;
    }
    gst_bin_add(GST_BIN(pipeline_.get()), renderer.get());
    if (!LinkToInput(pad, renderer.get(), kAudioInputPinName)) {
        gst_bin_remove(GST_BIN(pipeline_.get()), renderer.get());
        NoteRenderError("The sound could not be connected to the audio renderer.");
        return;
    }
    audioRenderer_ = renderer.get();
    TakeVolumeControls();
    gst_element_sync_state_with_parent(audioRenderer_);
    ++linkedStreams_;
    streamsReady_.notify_all();
}

void GstFilterGraph::LinkSubtitle(GstPad* pad) {
    if (!videoRenderer_) {
        return;
    }
    LinkToInput(pad, videoRenderer_, "Subtitle Input");
    ++linkedStreams_;
    streamsReady_.notify_all();
}

void GstFilterGraph::PushEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    if (notifyWindow_) {
        PostMessage(notifyWindow_, notifyMessage_, 0, notifyInstance_);
    }
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
    if (source_) {
        ForEachItem(gst_bin_iterate_recurse(GST_BIN(source_)), [&filters](gpointer item) {
            auto* element = GST_ELEMENT(item);
            if (IsDecoderPart(element)) {
                filters.push_back(std::make_shared<GstFilter>(element, FilterNameOf(element)));
            }
            return true;
        });
    }
    std::lock_guard lock(mutex_);
    for (GstElement* renderer : {fileSource_, videoRenderer_, audioRenderer_}) {
        if (renderer) {
            const GCharHandle name(gst_element_get_name(renderer));
            filters.push_back(std::make_shared<GstFilter>(renderer, name.get()));
        }
    }
    return filters;
}

HRESULT GstFilterGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    auto* ours = dynamic_cast<GstFilter*>(filter.get());
    if (!ours || GST_OBJECT_PARENT(ours->element()) != GST_OBJECT(pipeline_.get())) {
        return E_INVALIDARG;
    }
    GstElement* element = ours->element();
    gst_element_set_state(element, GST_STATE_NULL);
    std::lock_guard lock(mutex_);
    if (element == videoRenderer_) {
        videoRenderer_ = overlay_ = crop_ = scaledCaps_ = videoSink_ = nullptr;
    } else if (element == audioRenderer_) {
        audioRenderer_ = nullptr;
        volume_ = panorama_ = nullptr;
    }
    gst_bin_remove(GST_BIN(pipeline_.get()), element);
    return S_OK;
}

std::string GstFilterGraph::GetErrorText(HRESULT) const {
    std::lock_guard lock(mutex_);
    return errorText_.substr(0, 160);
}

}  // namespace velvaro::engine

std::shared_ptr<IFilterGraph> CreateFilterGraph() {
    return std::make_shared<velvaro::engine::GstFilterGraph>();
}
