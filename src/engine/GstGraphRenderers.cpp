// The graph's renderers, and the frames and buffers their threads hand over.
#include "GstFilterGraph.h"
#include "GstVideoScaler.h"
#include "VideoPicture.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace velvaro::engine {

namespace {

// The renderer bin's pad whose offset delays its stream.
constexpr const char* kDelayedPad = "velvaro-delayed-pad";

GstPad* DelayedPad(GstElement* renderer) {
    return renderer ? static_cast<GstPad*>(g_object_get_data(G_OBJECT(renderer), kDelayedPad))
                    : nullptr;
}

}  // namespace

GstElementHandle GstFilterGraph::BuildVideoRenderer(std::string* error) {
    RegisterVideoScaler();
    ElementMaker maker;
    // A thread of its own for what follows decoding: the decoder goes on
    // ahead meanwhile, and has a picture ready when playing starts from a
    // still.
    GstElementHandle handOver = maker.Make("queue");
    deinterlacing_ = DeinterlacingOfNewGraphs();
    GstElementHandle deinterlacer = MakeDeinterlacer(maker, deinterlacing_);
    GstElementHandle overlay = maker.Make("subtitleoverlay");
    GstElementHandle crop = maker.Make("videocrop");
    // Films in 8-bit 4:2:0 go through to the window, which scales them as
    // it paints; the rest is scaled to the window and turned into its pixels
    // here, in one pass.
    GstElementHandle scale = maker.Make(kVideoScalerElement);
    GstElementHandle scaledCaps = maker.Make("capsfilter");
    GstElementHandle sink = maker.Make("appsink");
    if (maker.Failed()) {
        *error = maker.Error();
        return nullptr;
    }
    GstElementHandle bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(kVideoRendererName))));
    if (decodeAhead_) {
        DecodeInBursts(handOver.get());
    } else {
        g_object_set(handOver.get(), "max-size-buffers", 1u, "max-size-bytes", 0u, "max-size-time",
                     guint64{0}, nullptr);
    }
    GstCapsHandle caps(WindowCaps(0, 0));
    g_object_set(scaledCaps.get(), "caps", caps.get(), nullptr);
    g_object_set(sink.get(), "sync", TRUE, "qos", TRUE, "max-buffers", 1u, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnNewSample;
    callbacks.new_preroll = &OnNewPreroll;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
    // The window reads a picture's planes wherever they lie, at any stride:
    // a decoder may pass on its own, uncopied.
    GstPadHandle sinkInput(gst_element_get_static_pad(sink.get(), "sink"));
    gst_pad_add_probe(
        sinkInput.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM,
        +[](GstPad*, GstPadProbeInfo* info, gpointer) {
            GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
            if (GST_QUERY_TYPE(query) == GST_QUERY_ALLOCATION) {
                gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
            }
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
    PassOnlyLateReports(sinkInput.get());
    gst_bin_add_many(GST_BIN(bin.get()), handOver.get(), deinterlacer.get(), overlay.get(),
                     crop.get(), scale.get(), scaledCaps.get(), sink.get(), nullptr);
    if (!gst_element_link(handOver.get(), deinterlacer.get()) ||
        !gst_element_link_pads(deinterlacer.get(), "src", overlay.get(), "video_sink") ||
        !gst_element_link_many(overlay.get(), crop.get(), scale.get(), scaledCaps.get(), sink.get(),
                               nullptr)) {
        *error = "The parts of the video renderer could not be connected.";
        return nullptr;
    }
    GstPadHandle video(gst_element_get_static_pad(handOver.get(), "sink"));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("Input", video.get()));
    GstPadHandle text(gst_element_get_static_pad(overlay.get(), "subtitle_sink"));
    GstPad* textInput = gst_ghost_pad_new(kSubtitleInputName, text.get());
    gst_element_add_pad(bin.get(), textInput);
    // Text is delayed where it enters the overlay, whichever source sends it.
    {
        GstPadHandle inside(GST_PAD(gst_proxy_pad_get_internal(GST_PROXY_PAD(textInput))));
        g_object_set_data(G_OBJECT(bin.get()), kDelayedPad, inside.get());  // the bin keeps it
        DelayStream(inside.get(), subtitleDelay_);
    }
    gst_pad_add_probe(textInput, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnTextInputEvent, this,
                      nullptr);
    // Linked or unlinked, the overlay makes its renderer anew with the next
    // picture; that picture goes without text.
    const auto changed =
        +[](GstPad*, GstPad*, GstFilterGraph* graph) { graph->overlayAwaitsPicture_ = true; };
    g_signal_connect(textInput, "linked", G_CALLBACK(changed), this);
    g_signal_connect(textInput, "unlinked", G_CALLBACK(changed), this);
    // The decoded picture, before cropping and scaling, for screenshots.
    GstPadHandle cropInput(gst_element_get_static_pad(crop.get(), "sink"));
    gst_pad_add_probe(
        cropInput.get(),
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        &OnVideoBuffer, this, nullptr);
    overlay_ = overlay.get();
    crop_ = crop.get();
    scaledCaps_ = scaledCaps.get();
    videoSink_ = sink.get();
    return bin;
}

GstElementHandle GstFilterGraph::OverlayTextRenderer() const {
    if (!overlay_) {
        return nullptr;
    }
    // The overlay's renderers, whatever their kind, have this property;
    // the element that passes pictures through without text has not.
    const GCompareFunc isRenderer = [](gconstpointer item, gconstpointer) -> gint {
        GObject* part = G_OBJECT(g_value_get_object(static_cast<const GValue*>(item)));
        GParamSpec* property = g_object_class_find_property(G_OBJECT_GET_CLASS(part), "wait-text");
        return property && property->value_type == G_TYPE_BOOLEAN ? 0 : 1;
    };
    GstIterator* parts = gst_bin_iterate_recurse(GST_BIN(overlay_));
    GValue found = G_VALUE_INIT;
    GstElementHandle renderer;
    if (gst_iterator_find_custom(parts, isRenderer, &found, nullptr)) {
        renderer.reset(GST_ELEMENT(g_value_dup_object(&found)));
        g_value_unset(&found);
    }
    gst_iterator_free(parts);
    return renderer;
}

GstElementHandle GstFilterGraph::BuildAudioRenderer(const char* name, std::string* error) {
    ElementMaker maker;
    GstElementHandle convert = maker.Make("audioconvert");
    GstElementHandle resample = maker.Make("audioresample");
    GstElementHandle tempo = maker.Make("scaletempo");
    GstElementHandle volume = maker.Make("volume", "volume");
    GstElementHandle panorama = maker.Make("audiopanorama", "panorama");
    GstElementHandle convertOut = maker.Make("audioconvert");
    GstElementHandle sink = maker.MakeAudioSink();
    if (maker.Failed()) {
        *error = maker.Error();
        return nullptr;
    }
    GstElementHandle bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(name))));
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), resample.get(), tempo.get(), volume.get(),
                     panorama.get(), convertOut.get(), sink.get(), nullptr);
    KeepPitchWithinSpeeds(tempo.get());
    // After the first converter, which gives any decoder's layout one the
    // chunker takes.
    const GstElementHandle chunker = UnheardSoundChunker(sink.get());
    if (chunker) {
        gst_bin_add(GST_BIN(bin.get()), chunker.get());
    }
    const bool converted =
        chunker ? gst_element_link_many(convert.get(), chunker.get(), resample.get(), nullptr)
                : gst_element_link(convert.get(), resample.get());
    if (!converted ||
        !gst_element_link_many(resample.get(), tempo.get(), volume.get(), panorama.get(),
                               convertOut.get(), sink.get(), nullptr)) {
        *error = "The parts of the audio renderer could not be connected.";
        return nullptr;
    }
    GstPadHandle input(gst_element_get_static_pad(convert.get(), "sink"));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new(kAudioInputPinName, input.get()));
    // Just before the sink, so that only the sink plays it at another time.
    GstPadHandle last(gst_element_get_static_pad(convertOut.get(), "src"));
    g_object_set_data(G_OBJECT(bin.get()), kDelayedPad, last.get());  // the bin keeps it
    DelayStream(last.get(), audioDelay_);
    return bin;
}

void GstFilterGraph::DelayStream(GstPad* pad, gint64 delay) {
    if (!pad || gst_pad_get_offset(pad) == delay) {
        return;
    }
    // The pad sends its segment again, moved by the new offset, before its
    // next buffer.
    gst_pad_set_offset(pad, delay);
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        +[](GstPad*, GstPadProbeInfo* info, gpointer) {
            GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
            GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
            GST_PAD_PROBE_INFO_DATA(info) = buffer;
            return GST_PAD_PROBE_REMOVE;
        },
        nullptr, nullptr);
}

HRESULT GstFilterGraph::SetAudioDelay(LONGLONG delay) {
    audioDelay_ = delay;
    std::lock_guard lock(mutex_);
    for (GstElement* renderer : {audioRenderer_, externalRenderer_, filmAudioRenderer_.get()}) {
        DelayStream(DelayedPad(renderer), delay);
    }
    return S_OK;
}

HRESULT GstFilterGraph::SetSubtitleDelay(LONGLONG delay) {
    if (subtitleDelay_.exchange(delay) == delay) {
        return S_OK;
    }
    bool showsText = false;
    {
        std::lock_guard lock(mutex_);
        DelayStream(DelayedPad(videoRenderer_), delay);
        const GstPadHandle input(
            videoRenderer_ ? gst_element_get_static_pad(videoRenderer_, kSubtitleInputName)
                           : nullptr);
        showsText = input && gst_pad_is_linked(input.get());
    }
    ReadTextAhead(delay);
    // The overlay may hold the next text already, at its old time, and the
    // stream moves to the new one only with the text after it: both come
    // again from where the picture is, a still one held for its text.
    if (showsText) {
        const gint64 shown = shownFrameTime_;
        ShowAgainHeldForText(logicalState_ == State_Running || shown < 0 ? PipelinePosition()
                                                                         : shown);
    }
    return S_OK;
}

// Text moved earlier has to come from the file that much ahead of the
// pictures. The decoder's queue holds only what the streams' interleaving
// needs (under a second); while the text is early, it holds the delay and a
// second more of the coded streams.
void GstFilterGraph::ReadTextAhead(LONGLONG delay) {
    if (!source_) {
        return;
    }
    ForEachItem(gst_bin_iterate_recurse(GST_BIN(source_)), [delay](gpointer item) {
        GstElement* element = GST_ELEMENT(item);
        GstElementFactory* factory = gst_element_get_factory(element);
        if (factory && g_strcmp0(GST_OBJECT_NAME(factory), "multiqueue") == 0) {
            if (delay < 0) {
                g_object_set(element, "use-interleave", FALSE, "max-size-time",
                             static_cast<guint64>(-delay) + GST_SECOND, nullptr);
            } else {
                g_object_set(element, "use-interleave", TRUE, nullptr);
            }
        }
        return true;
    });
}

// Streaming thread of the video sink: a frame at the size it will be shown.
GstFlowReturn GstFilterGraph::OnNewSample(GstAppSink* sink, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    GstSampleHandle sample(gst_app_sink_pull_sample(sink));
    if (!sample) {
        return GST_FLOW_EOS;
    }
    {
        std::lock_guard lock(graph->mutex_);
        graph->frameTimes_.push_back(std::chrono::steady_clock::now());
        ++graph->framesShown_;
        while (graph->frameTimes_.size() > kFramesForRate) {
            graph->frameTimes_.pop_front();
        }
    }
    return graph->Show(std::move(sample));
}

// Streaming thread: the first frame after opening or seeking, shown while
// paused or stopped.
GstFlowReturn GstFilterGraph::OnNewPreroll(GstAppSink* sink, gpointer data) {
    GstSampleHandle sample(gst_app_sink_pull_preroll(sink));
    return sample ? static_cast<GstFilterGraph*>(data)->Show(std::move(sample)) : GST_FLOW_OK;
}

// A seek between two frames shows the earlier one cut to start at the seek
// target; its own start comes back from its end and the frame rate, so
// the frame after it counts one more.
void GstFilterGraph::RememberShownFrame(GstSample* sample) {
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!buffer || !segment || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        return;
    }
    GstClockTime start = GST_BUFFER_PTS(buffer);
    GstVideoInfo info;
    if (start == segment->start && GST_BUFFER_DURATION_IS_VALID(buffer) &&
        gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) && info.fps_n > 0) {
        const GstClockTime whole = gst_util_uint64_scale(
            GST_SECOND, static_cast<guint64>(info.fps_d), static_cast<guint64>(info.fps_n));
        const GstClockTime end = start + GST_BUFFER_DURATION(buffer);
        if (GST_BUFFER_DURATION(buffer) < whole && end >= whole) {
            start = end - whole;
        }
    }
    guint64 time = 0;
    // Before the segment's start too, which the plain conversion refuses.
    if (gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, start, &time) > 0) {
        shownFrameTime_ = static_cast<gint64>(time);
    }
}

GstFlowReturn GstFilterGraph::Show(GstSampleHandle sample) {
    RememberShownFrame(sample.get());
    ++happenings_;
    auto picture = pictures_.Map(sample.get());
    if (!picture) {
        return GST_FLOW_OK;
    }
    mailbox_->Deliver(std::move(picture));
    // The process's first picture, against the benchmark's exec time.
    if (static std::atomic_flag shown; !shown.test_and_set()) {
        qCDebug(lcBench, "first frame handed to the widget at monotonic %lld us",
                static_cast<long long>(g_get_monotonic_time()));
    }
    return GST_FLOW_OK;
}

// Streaming thread of the video, or the one seeking: a picture has passed
// the overlay, or a seek's flush.
GstPadProbeReturn GstFilterGraph::OnVideoBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER)) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
            std::lock_guard lock(graph->mutex_);
            graph->pictureSinceSeek_ = false;
        }
        return GST_PAD_PROBE_OK;
    }
    // A text wait was for this picture: the next ones go as they come.
    graph->textWait_.End();
    graph->overlayAwaitsPicture_ = false;
    GstBufferHandle buffer(gst_buffer_ref(GST_PAD_PROBE_INFO_BUFFER(info)));
    {
        std::lock_guard lock(graph->mutex_);
        graph->lastBuffer_ = std::move(buffer);
        graph->pictureSinceSeek_ = true;
    }
    graph->streamsReady_.notify_all();
    return GST_PAD_PROBE_OK;
}

// Streaming threads of the text: what comes to the overlay's text input.
GstPadProbeReturn GstFilterGraph::OnTextInputEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    switch (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info))) {
        case GST_EVENT_TAG:
        case GST_EVENT_STREAM_COLLECTION:
        case GST_EVENT_TOC:
            // The overlay passes these on down the picture's path. While
            // paused, the picture's thread holds that path waiting to play,
            // so the text's thread would stop there with its text undelivered,
            // and anything stopping it would wait for it in turn; flushed
            // free, the event fails, and the overlay takes the text for
            // broken until its input changes.
            return GST_PAD_PROBE_DROP;
        case GST_EVENT_CAPS: {
            // A format the renderer does not take has the overlay make another.
            graph->overlayAwaitsPicture_ = true;
            {
                std::lock_guard lock(graph->mutex_);
                ++graph->textFormats_;
            }
            graph->streamsReady_.notify_all();
            return GST_PAD_PROBE_OK;
        }
        default:
            return GST_PAD_PROBE_OK;
    }
}

}  // namespace velvaro::engine
