// The previews' graph: filesrc ! decodebin3 (the film's picture only) !
// velvaroscale ! BGRx at the preview's size ! appsink, paused, sought to
// the key frame nearest each time asked for.
#include "FramePreviews.h"

#include "FileOpening.h"
#include "GstGraphParts.h"
#include "GstVideoScaler.h"

#include <QMetaObject>
#include <QObject>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace velvaro::engine {

namespace {

// Requests this close together share their picture.
constexpr int kBucketMs = 100;
// Pictures kept per medium: a few megabytes at the preview's size.
constexpr size_t kCachedPictures = 200;
// A picture that takes longer is not coming.
constexpr auto kPictureTimeout = std::chrono::seconds(5);
constexpr auto kWaitSlice = std::chrono::milliseconds(20);
constexpr auto kLongestRest = std::chrono::milliseconds(150);
// Low, not the lowest: on a loaded machine, threads at nice 19 went so long
// without the processor that the film, sharing the process's locks with
// them, lost frames; at 10 it kept every one.
constexpr int kPreviewNice = 10;

FramePreview NoPicture(int requested) {
    FramePreview preview;
    preview.requested = requested;
    return preview;
}

// A low priority for the calling thread alone: a thread's nice value
// is its own on Linux, and threads it starts inherit it.
void LowerThisThreadsPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kPreviewNice);
}

// A task pool that gives each of the graph's streaming tasks a thread of
// its own at a low priority. GStreamer's default pool shares its
// threads with the film's graph, which must not inherit a lowered one.
struct LowPriorityPool {
    GstTaskPool parent;
};

struct LowPriorityPoolClass {
    GstTaskPoolClass parent_class;
};

// GLib's type macro casts the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_TYPE(LowPriorityPool, low_priority_pool, GST_TYPE_TASK_POOL)
#pragma GCC diagnostic pop

struct PoolTask {
    GstTaskPoolFunction function;
    gpointer data;
};

gpointer RunPoolTask(gpointer data) {
    const std::unique_ptr<PoolTask> task(static_cast<PoolTask*>(data));
    LowerThisThreadsPriority();
    task->function(task->data);
    return nullptr;
}

void low_priority_pool_init(LowPriorityPool*) {}

void low_priority_pool_class_init(LowPriorityPoolClass* klass) {
    GstTaskPoolClass* pool = GST_TASK_POOL_CLASS(klass);
    pool->prepare = [](GstTaskPool*, GError**) {};
    pool->cleanup = [](GstTaskPool*) {};
    pool->push = [](GstTaskPool*, GstTaskPoolFunction function, gpointer data,
                    GError** error) -> gpointer {
        auto task = std::make_unique<PoolTask>(PoolTask{function, data});
        GThread* thread = g_thread_try_new("preview", &RunPoolTask, task.get(), error);
        if (thread) {
            task.release();  // the thread's now
        }
        return thread;
    };
    pool->join = [](GstTaskPool*, gpointer id) {
        if (id) {
            g_thread_join(static_cast<GThread*>(id));
        }
    };
}

using GstTaskPoolHandle = std::unique_ptr<GstTaskPool, GstObjectUnref>;

// One paused graph of the file, used from one thread.
class PreviewGraph {
public:
    explicit PreviewGraph(QSize box) : box_(box) {}
    ~PreviewGraph() {
        if (!pipeline_) {
            return;
        }
        GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
        gst_bus_set_flushing(bus.get(), TRUE);
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
    PreviewGraph(const PreviewGraph&) = delete;
    PreviewGraph& operator=(const PreviewGraph&) = delete;

    // Builds and prerolls the graph; false when the file has no picture to
    // give, or `cancelled` says so first.
    bool Open(const std::string& path, const std::function<bool()>& cancelled);
    FramePreview PictureAt(int milliseconds, const std::function<bool()>& cancelled);

private:
    bool WaitForPreroll(const std::function<bool()>& cancelled);

    // Streaming threads.
    static GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, PreviewGraph* graph);
    static gint OnSelectStream(GstElement*, GstStreamCollection* collection, GstStream* stream,
                               PreviewGraph* graph);
    static void OnPadAdded(GstElement*, GstPad* pad, PreviewGraph* graph);
    static GstPadProbeReturn OnVideoCaps(GstPad*, GstPadProbeInfo* info, PreviewGraph* graph);

    QSize box_;
    GstElementHandle pipeline_;
    GstTaskPoolHandle pool_;
    GstElement* scale_ = nullptr;
    GstElement* scaledCaps_ = nullptr;
    GstElement* sink_ = nullptr;
    std::atomic<bool> failed_{false};
    std::atomic<bool> videoLinked_{false};
};

bool PreviewGraph::Open(const std::string& path, const std::function<bool()>& cancelled) {
    // A FIFO or a device would hold the first read.
    if (struct stat info{}; stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    RegisterVideoScaler();
    ElementMaker maker;
    GstElementHandle source = maker.Make("filesrc");
    GstElementHandle decoder = maker.Make("decodebin3");
    GstElementHandle scale = maker.Make(kVideoScalerElement);
    GstElementHandle scaledCaps = maker.Make("capsfilter");
    GstElementHandle sink = maker.Make("appsink");
    if (maker.Failed()) {
        qCWarning(lcEngine, "No previews: %s", maker.Error().c_str());
        return false;
    }
    pipeline_.reset(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("Previews"))));
    pool_.reset(GST_TASK_POOL(g_object_new(low_priority_pool_get_type(), nullptr)));
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
    gst_bus_set_sync_handler(bus.get(), reinterpret_cast<GstBusSyncHandler>(&OnBusMessage), this,
                             nullptr);
    // One decoder thread: a preview is one picture, and the film's decoder
    // needs the cores.
    g_signal_connect(pipeline_.get(), "deep-element-added",
                     G_CALLBACK(+[](GstBin*, GstBin*, GstElement* element, gpointer) {
                         GParamSpec* threads = g_object_class_find_property(
                             G_OBJECT_GET_CLASS(element), "max-threads");
                         if (threads && threads->value_type == G_TYPE_INT) {
                             g_object_set(element, "max-threads", 1, nullptr);
                         }
                     }),
                     nullptr);
    g_object_set(source.get(), "location", path.c_str(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "max-buffers", 1u, "enable-last-sample", FALSE,
                 nullptr);
    GstCapsHandle caps(gst_caps_from_string("video/x-raw,format=BGRx,pixel-aspect-ratio=1/1"));
    g_object_set(scaledCaps.get(), "caps", caps.get(), nullptr);
    scale_ = scale.get();
    scaledCaps_ = scaledCaps.get();
    sink_ = sink.get();
    gst_bin_add_many(GST_BIN(pipeline_.get()), source.get(), decoder.get(), scale.get(),
                     scaledCaps.get(), sink.get(), nullptr);
    if (!gst_element_link(source.get(), decoder.get()) ||
        !gst_element_link_many(scale_, scaledCaps_, sink_, nullptr)) {
        return false;
    }
    g_signal_connect(decoder.get(), "select-stream", G_CALLBACK(&OnSelectStream), this);
    g_signal_connect(decoder.get(), "pad-added", G_CALLBACK(&OnPadAdded), this);
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        !WaitForPreroll(cancelled) || !videoLinked_) {
        return false;
    }
    // The first picture is not one asked for.
    GstSampleHandle first(gst_app_sink_try_pull_preroll(GST_APP_SINK(sink_), 0));
    return true;
}

bool PreviewGraph::WaitForPreroll(const std::function<bool()>& cancelled) {
    const auto until = std::chrono::steady_clock::now() + kPictureTimeout;
    for (;;) {
        const GstStateChangeReturn state = gst_element_get_state(
            pipeline_.get(), nullptr, nullptr,
            std::chrono::duration_cast<std::chrono::nanoseconds>(kWaitSlice).count());
        if (state == GST_STATE_CHANGE_SUCCESS || state == GST_STATE_CHANGE_NO_PREROLL) {
            return !failed_;
        }
        if (state == GST_STATE_CHANGE_FAILURE || failed_ || cancelled() ||
            std::chrono::steady_clock::now() > until) {
            return false;
        }
    }
}

FramePreview PreviewGraph::PictureAt(int milliseconds, const std::function<bool()>& cancelled) {
    FramePreview preview = NoPicture(milliseconds);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT |
                                                 GST_SEEK_FLAG_SNAP_NEAREST);
    if (!gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME, flags,
                                 std::max(0, milliseconds) * GST_MSECOND) ||
        !WaitForPreroll(cancelled)) {
        return preview;
    }
    GstSampleHandle sample(gst_app_sink_try_pull_preroll(GST_APP_SINK(sink_), 0));
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample.get()) : nullptr;
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
        return preview;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return preview;
    }
    QImage picture(GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                   QImage::Format_RGB32);
    const auto* row = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    for (int y = 0; y < picture.height(); ++y, row += stride) {
        std::memcpy(picture.scanLine(y), row, static_cast<size_t>(picture.width()) * 4);
    }
    gst_video_frame_unmap(&frame);
    guint64 time = 0;
    const GstSegment* segment = gst_sample_get_segment(sample.get());
    if (segment && GST_BUFFER_PTS_IS_VALID(buffer) &&
        gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer), &time) >
            0) {
        preview.shown = static_cast<int>(time / GST_MSECOND);
    } else {
        preview.shown = milliseconds;
    }
    preview.picture = std::move(picture);
    return preview;
}

GstBusSyncReply PreviewGraph::OnBusMessage(GstBus*, GstMessage* message, PreviewGraph* graph) {
    const GstMessageHandle owned(message);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_STREAM_STATUS: {
            GstStreamStatusType type{};
            GstElement* owner = nullptr;
            gst_message_parse_stream_status(message, &type, &owner);
            const GValue* task = gst_message_get_stream_status_object(message);
            if (type == GST_STREAM_STATUS_TYPE_CREATE && task &&
                G_VALUE_HOLDS(task, GST_TYPE_TASK)) {
                gst_task_set_pool(GST_TASK(g_value_get_object(task)), graph->pool_.get());
            }
            break;
        }
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const GErrorHandle held(error);
            qCDebug(lcEngine, "Previews stopped: %s", error ? error->message : "?");
            graph->failed_ = true;
            break;
        }
        default:
            break;
    }
    return GST_BUS_DROP;
}

// The film's first picture stream only.
gint PreviewGraph::OnSelectStream(GstElement*, GstStreamCollection* collection, GstStream* stream,
                                  PreviewGraph* graph) {
    for (guint i = 0; i < gst_stream_collection_get_size(collection); ++i) {
        GstStream* each = gst_stream_collection_get_stream(collection, i);
        if (gst_stream_get_stream_type(each) & GST_STREAM_TYPE_VIDEO) {
            return each == stream ? 1 : 0;
        }
    }
    graph->failed_ = true;  // no picture at all
    return 0;
}

void PreviewGraph::OnPadAdded(GstElement*, GstPad* pad, PreviewGraph* graph) {
    GstPadHandle input(gst_element_get_static_pad(graph->scale_, "sink"));
    if (MajorTypeOfPad(pad) != MajorType::Video || gst_pad_is_linked(input.get())) {
        graph->failed_ = true;  // a stream no one takes would stop the graph
        return;
    }
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
                      reinterpret_cast<GstPadProbeCallback>(&OnVideoCaps), graph, nullptr);
    graph->videoLinked_ = gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK;
}

// The picture's shape is known: the preview's size follows from it, before
// the format goes on to the scaler.
GstPadProbeReturn PreviewGraph::OnVideoCaps(GstPad*, GstPadProbeInfo* info, PreviewGraph* graph) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstVideoInfo video;
    if (!caps || !gst_video_info_from_caps(&video, caps) || video.width <= 0 || video.height <= 0) {
        return GST_PAD_PROBE_OK;
    }
    const double width =
        static_cast<double>(video.width) * std::max(1, video.par_n) / std::max(1, video.par_d);
    const double height = video.height;
    const double scale = std::min(graph->box_.width() / width, graph->box_.height() / height);
    const int scaledWidth = std::max(2, static_cast<int>(std::lround(width * scale)));
    const int scaledHeight = std::max(2, static_cast<int>(std::lround(height * scale)));
    GstCapsHandle scaled(gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, scaledWidth, "height",
        G_TYPE_INT, scaledHeight, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(graph->scaledCaps_, "caps", scaled.get(), nullptr);
    return GST_PAD_PROBE_OK;
}

}  // namespace

struct FramePreviews::Shared : std::enable_shared_from_this<Shared> {
    std::string path;
    QSize box;
    std::function<void(const FramePreview&)> done;  // the context's thread only

    std::mutex mutex;
    std::condition_variable wake;
    QObject* context = nullptr;  // null once the previews are dropped
    std::optional<int> pending;
    bool started = false;
    bool failed = false;             // the file gives no pictures
    std::map<int, int> keyFrameOf;   // request bucket -> key frame time
    std::map<int, QImage> pictures;  // key frame time -> its picture
    std::deque<int> cachedOrder;     // key frame times, oldest first

    bool Dropped() {
        std::lock_guard lock(mutex);
        return context == nullptr;
    }
    // Holding the mutex.
    void Answer(FramePreview preview);
    void Keep(const FramePreview& preview);
};

void FramePreviews::Shared::Answer(FramePreview preview) {
    // Posted under the lock: the context cannot go before the drop that
    // clears it, and a call that comes after the drop finds it cancelled.
    QMetaObject::invokeMethod(
        context,
        [self = shared_from_this(), preview = std::move(preview)] {
            if (!self->Dropped() && self->done) {
                self->done(preview);
            }
        },
        Qt::QueuedConnection);
}

void FramePreviews::Shared::Keep(const FramePreview& preview) {
    keyFrameOf[preview.requested / kBucketMs] = preview.shown;
    if (pictures.emplace(preview.shown, preview.picture).second) {
        cachedOrder.push_back(preview.shown);
    }
    while (cachedOrder.size() > kCachedPictures) {
        pictures.erase(cachedOrder.front());
        cachedOrder.pop_front();
    }
}

FramePreviews::FramePreviews(std::string path, QSize box, QObject* context,
                             std::function<void(const FramePreview&)> done)
    : shared_(std::make_shared<Shared>()) {
    shared_->path = std::move(path);
    shared_->box = box;
    shared_->context = context;
    shared_->done = std::move(done);
}

FramePreviews::~FramePreviews() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->context = nullptr;
    }
    shared_->wake.notify_all();
    shared_->done = {};
}

void FramePreviews::Request(int milliseconds) {
    Shared& shared = *shared_;
    std::lock_guard lock(shared.mutex);
    if (!shared.context) {
        return;
    }
    shared.pending.reset();
    if (shared.failed) {
        shared.Answer(NoPicture(milliseconds));
        return;
    }
    if (const auto key = shared.keyFrameOf.find(milliseconds / kBucketMs);
        key != shared.keyFrameOf.end()) {
        if (const auto picture = shared.pictures.find(key->second);
            picture != shared.pictures.end()) {
            shared.Answer({milliseconds, key->second, picture->second});
            return;
        }
    }
    shared.pending = milliseconds;
    if (!shared.started) {
        shared.started = true;
        if (!StartOpeningThread([shared = shared_] { Run(shared); })) {
            shared.failed = true;
            shared.pending.reset();
            shared.Answer(NoPicture(milliseconds));
        }
    }
    shared.wake.notify_one();
}

void FramePreviews::Run(const std::shared_ptr<Shared>& shared) {
    LowerThisThreadsPriority();
    while (!WaitForMediaFramework(kWaitSlice)) {
        if (shared->Dropped()) {
            return;
        }
    }
    const auto cancelled = [&shared] { return shared->Dropped(); };
    PreviewGraph graph(shared->box);
    const bool opened = graph.Open(shared->path, cancelled);
    for (;;) {
        int at = 0;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return !shared->context || shared->pending; });
            if (!shared->context) {
                return;
            }
            at = *std::exchange(shared->pending, std::nullopt);
            if (!opened) {
                shared->failed = true;
                shared->Answer(NoPicture(at));
                continue;
            }
        }
        const auto started = std::chrono::steady_clock::now();
        FramePreview preview = graph.PictureAt(at, cancelled);
        const auto took = std::chrono::steady_clock::now() - started;
        std::unique_lock lock(shared->mutex);
        if (!shared->context) {
            return;
        }
        if (!preview.picture.isNull()) {
            shared->Keep(preview);
        }
        shared->Answer(std::move(preview));
        // A pointer sweeping along the bar asks without pause: the decoder
        // rests twice as long as it worked, so the film keeps the machine.
        shared->wake.wait_for(lock,
                              std::min<std::chrono::steady_clock::duration>(2 * took, kLongestRest),
                              [&] { return !shared->context; });
    }
}

}  // namespace velvaro::engine
