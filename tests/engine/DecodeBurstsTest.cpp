// How the queue after a decoder lets it run ahead: several pictures, then a
// rest until the queue has nearly run dry.
#include "TestPipeline.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace velvaro::engine;

// The queue's level each time it turned the source away, and each time it
// said it let it go on. The queue's own thread says it goes on, too, after
// running dry: those are left out. A source slow to look again after
// being turned away may find room already made and go on without a word:
// its next buffer tells, and the queue let it go below two pictures then.
struct Turns {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<guint> full;
    std::vector<guint> running;
    std::thread::id source;
    bool turnedAway = false;
    int resumed = 0;
    // How many times the queue was full before it first let the source go.
    size_t fullBeforeLetGo = SIZE_MAX;

    static guint Level(GstElement* queue) {
        guint level = 0;
        g_object_get(queue, "current-level-buffers", &level, nullptr);
        return level;
    }
    void Full(GstElement* queue) {
        std::lock_guard lock(mutex);
        full.push_back(Level(queue));
        source = std::this_thread::get_id();
        turnedAway = true;
        changed.notify_all();
    }
    void Running(GstElement* queue) {
        std::lock_guard lock(mutex);
        if (std::this_thread::get_id() == source) {
            running.push_back(Level(queue));
            Resumed();
        }
    }
    void Arrived() {
        std::lock_guard lock(mutex);
        if (std::this_thread::get_id() == source) {
            Resumed();
        }
    }
    void Resumed() {
        if (turnedAway) {
            turnedAway = false;
            ++resumed;
            fullBeforeLetGo = std::min(fullBeforeLetGo, full.size());
            changed.notify_all();
        }
    }
    bool WaitUntil(const std::function<bool()>& done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), done);
    }
};

// `count` buffers of `size` bytes from a source as fast as it goes, through
// a queue made to burst, to a sink that takes none until the queue has
// turned the source away; then as many as it takes for the queue to let the
// source go on, then none again until the queue is full once more; then the
// rest. Returns how many the sink took.
int Burst(int count, guint size, Turns& turns) {
    const TestPipeline pipeline(
        "fakesrc num-buffers=" + std::to_string(count) +
        " sizetype=fixed filltype=nothing sizemax=" + std::to_string(size) +
        " ! queue name=handover ! appsink name=sink sync=false max-buffers=1");
    if (!pipeline) {
        return 0;
    }
    const auto queue = pipeline["handover"];
    DecodeInBursts(queue.get());
    const auto full = +[](GstElement* element, Turns* turns) { turns->Full(element); };
    const auto running = +[](GstElement* element, Turns* turns) { turns->Running(element); };
    g_signal_connect(queue.get(), "overrun", G_CALLBACK(full), &turns);
    g_signal_connect(queue.get(), "running", G_CALLBACK(running), &turns);
    const GstPadHandle input(gst_element_get_static_pad(queue.get(), "sink"));
    gst_pad_add_probe(
        input.get(), GST_PAD_PROBE_TYPE_BUFFER,
        +[](GstPad*, GstPadProbeInfo*, gpointer turns) {
            static_cast<Turns*>(turns)->Arrived();
            return GST_PAD_PROBE_OK;
        },
        &turns, nullptr);
    int pulled = 0;
    const auto pull = [&] { return pipeline.Pull(5 * GST_SECOND) && ++pulled; };
    pipeline.SetState(GST_STATE_PLAYING);
    EXPECT_TRUE(turns.WaitUntil([&] { return !turns.full.empty(); }));
    const auto letGo = [&] {
        std::lock_guard lock(turns.mutex);
        return turns.resumed > 0;
    };
    while (!letGo() && pull()) {
    }
    EXPECT_TRUE(turns.WaitUntil([&] { return turns.full.size() > turns.fullBeforeLetGo; }));
    while (pull()) {
    }
    EXPECT_TRUE(gst_app_sink_is_eos(GST_APP_SINK(pipeline["sink"].get())));
    return pulled;
}

// Between the queue's turning the source away and the level's being read,
// the queue's thread may pass on a buffer or two to the sink. Large pictures
// burst no further than the memory allows.
TEST(DecodeBursts, SourceRunsAheadAndRestsUntilTheQueueIsNearlyDry) {
    const struct {
        int count;
        guint size;
        guint fullLeast, fullMost;
        bool restsUntilDry;
    } cases[] = {
        {60, 1000, kBurstPictures - 2, kBurstPictures, true},
        {12, kBurstBytes / 2 + 1, 0, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " buffers of " + std::to_string(c.size));
        Turns turns;
        EXPECT_EQ(Burst(c.count, c.size, turns), c.count);
        std::lock_guard lock(turns.mutex);
        ASSERT_GE(turns.full.size(), 2u);
        for (size_t turn = 0; turn < 2; ++turn) {
            EXPECT_TRUE(turns.full[turn] >= c.fullLeast && turns.full[turn] <= c.fullMost)
                << turn << ": " << turns.full[turn];
        }
        if (c.restsUntilDry) {
            ASSERT_GT(turns.resumed, 0);
            EXPECT_TRUE(std::ranges::all_of(turns.running, [](guint level) { return level <= 1; }))
                << turns.running.front();
        }
    }
}

}  // namespace
