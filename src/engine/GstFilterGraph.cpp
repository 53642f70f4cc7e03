// Building the graph, its renderers, and what its streaming threads report.
#include "GstFilterGraph.h"

#include <QString>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numeric>

namespace velvaro::engine {

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
    TakeVolumeControls();
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

}  // namespace velvaro::engine

std::shared_ptr<IGraphBuilder> CreateFilterGraph() {
    return std::make_shared<velvaro::engine::GstFilterGraph>();
}
