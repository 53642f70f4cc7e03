#include "GraphSuccession.h"

#include "GstGraphParts.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace velvaro::engine {

namespace {

using GstClockHandle = std::unique_ptr<GstClock, GstObjectUnref>;

// How long the thread that brings the end waits for the next graph to play.
constexpr GstClockTime kLongestStartWait = 100 * GST_MSECOND;

// One sink of the graph: where its last buffer ends, in running time, and
// whether its stream has ended.
struct SinkEnd {
    GstPadHandle pad;
    gulong probe = 0;
    GstSegment segment{};
    GstClockTime end = 0;
    bool ended = false;
};

// The pipeline that holds a graph's renderers.
GstElementHandle PipelineOf(IFilterGraph& graph) {
    for (const char* name : {kAudioRendererName, kVideoRendererName}) {
        std::shared_ptr<IBaseFilter> renderer;
        graph.FindFilterByName(name, &renderer);
        if (auto* filter = dynamic_cast<GstFilter*>(renderer.get())) {
            return GstElementHandle(GST_ELEMENT(gst_element_get_parent(filter->element())));
        }
    }
    return nullptr;
}

// Plays `pipeline`, prerolled, from `at` on `clock`. It goes on the system
// clock, which runs whatever becomes of the other graph's sink; `at` is
// carried over to it. Pauses and seeks then keep their own time again.
void StartAt(GstElement* pipeline, GstClock* clock, GstClockTime at) {
    const GstClockHandle system(gst_system_clock_obtain());
    if (clock != system.get()) {
        const GstClockTimeDiff ahead = GST_CLOCK_DIFF(gst_clock_get_time(clock), at);
        at = static_cast<GstClockTime>(std::max<GstClockTimeDiff>(
            0, static_cast<GstClockTimeDiff>(gst_clock_get_time(system.get())) + ahead));
    }
    gst_pipeline_use_clock(GST_PIPELINE(pipeline), system.get());
    gst_element_set_start_time(pipeline, GST_CLOCK_TIME_NONE);
    gst_element_set_base_time(pipeline, at);
    // Prerolled, it plays on return; a state still on its way would take
    // its time from the start time once it arrives.
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_ASYNC) {
        gst_element_get_state(pipeline, nullptr, nullptr, kLongestStartWait);
    }
    gst_element_set_start_time(pipeline, 0);
}

}  // namespace

struct GraphSuccession::State {
    std::mutex mutex;
    IFilterGraph* current = nullptr;
    GstElementHandle pipeline;
    std::shared_ptr<IFilterGraph> next;  // until it starts or is forgotten
    std::vector<std::unique_ptr<SinkEnd>> sinks;

    // Streaming threads of the sinks.
    void Take(SinkEnd& sink, GstPadProbeInfo* info);
    void StartNext();
};

namespace {

struct ProbeData {
    std::shared_ptr<GraphSuccession::State> state;
    SinkEnd* sink;
};

}  // namespace

void GraphSuccession::State::Take(SinkEnd& sink, GstPadProbeInfo* info) {
    std::lock_guard lock(mutex);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (sink.segment.format != GST_FORMAT_TIME || !GST_BUFFER_PTS_IS_VALID(buffer)) {
            return;
        }
        GstClockTime stop = GST_BUFFER_PTS(buffer);
        if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
            stop += GST_BUFFER_DURATION(buffer);
        }
        // Backwards the buffer's start comes last in running time.
        for (const GstClockTime time : {GST_BUFFER_PTS(buffer), stop}) {
            const GstClockTime running =
                gst_segment_to_running_time(&sink.segment, GST_FORMAT_TIME, time);
            if (GST_CLOCK_TIME_IS_VALID(running)) {
                sink.end = std::max(sink.end, running);
            }
        }
        return;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_SEGMENT: {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            sink.segment = *segment;
            break;
        }
        case GST_EVENT_FLUSH_STOP:
            sink.ended = false;
            sink.end = 0;
            break;
        case GST_EVENT_EOS:
            sink.ended = true;
            if (next && std::all_of(sinks.begin(), sinks.end(),
                                    [](const auto& each) { return each->ended; })) {
                StartNext();
            }
            break;
        default:
            break;
    }
}

// The sink renders up to the end of its last buffer; the next graph's
// first sample is due right then. Both graphs are built alike, so they add
// the same latency.
void GraphSuccession::State::StartNext() {
    const std::shared_ptr<IFilterGraph> following = std::exchange(next, nullptr);
    const GstElementHandle after = PipelineOf(*following);
    const GstClockHandle clock(gst_element_get_clock(pipeline.get()));
    if (!after || !clock) {
        return;
    }
    GstClockTime end = 0;
    for (const auto& sink : sinks) {
        end = std::max(end, sink->end);
    }
    long volume = 0;
    long balance = 0;
    if (SUCCEEDED(current->get_Volume(&volume)) && SUCCEEDED(current->get_Balance(&balance))) {
        following->put_Volume(volume);
        following->put_Balance(balance);
    }
    StartAt(after.get(), clock.get(), gst_element_get_base_time(pipeline.get()) + end);
}

GraphSuccession::GraphSuccession(IFilterGraph& current, std::shared_ptr<IFilterGraph> next)
    : state_(std::make_shared<State>()) {
    state_->current = &current;
    state_->pipeline = PipelineOf(current);
    if (!state_->pipeline || !next || !PipelineOf(*next)) {
        return;
    }
    state_->next = std::move(next);
    std::lock_guard lock(state_->mutex);
    // Every sink that has had its stream's start; one that has not would
    // never see its end either.
    ForEachItem(gst_bin_iterate_recurse(GST_BIN(state_->pipeline.get())), [this](gpointer item) {
        GstElement* element = GST_ELEMENT(item);
        if (GST_IS_BIN(element) || !GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK)) {
            return true;
        }
        GstPadHandle pad(gst_element_get_static_pad(element, "sink"));
        GstEvent* sticky =
            pad ? gst_pad_get_sticky_event(pad.get(), GST_EVENT_SEGMENT, 0) : nullptr;
        if (!sticky) {
            return true;
        }
        auto sink = std::make_unique<SinkEnd>();
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(sticky, &segment);
        sink->segment = *segment;
        gst_event_unref(sticky);
        sink->pad = std::move(pad);
        sink->probe = gst_pad_add_probe(
            sink->pad.get(),
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                         GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                         GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            +[](GstPad*, GstPadProbeInfo* info, gpointer data) {
                auto* probe = static_cast<ProbeData*>(data);
                probe->state->Take(*probe->sink, info);
                return GST_PAD_PROBE_OK;
            },
            new ProbeData{state_, sink.get()},
            +[](gpointer data) { delete static_cast<ProbeData*>(data); });
        state_->sinks.push_back(std::move(sink));
        return true;
    });
    if (state_->sinks.empty()) {
        state_->next.reset();
    }
}

GraphSuccession::~GraphSuccession() {
    std::lock_guard lock(state_->mutex);
    state_->next.reset();
    for (const auto& sink : state_->sinks) {
        gst_pad_remove_probe(sink->pad.get(), sink->probe);
    }
}

}  // namespace velvaro::engine
