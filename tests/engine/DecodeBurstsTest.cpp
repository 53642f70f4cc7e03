// How the queue after a decoder lets it run ahead: several pictures, then a
// rest until the queue has nearly run dry.
#include "TestPipeline.h"
#include "engine/GstGraphParts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using velvaro::engine::GstElementHandle;
using velvaro::engine::kBurstBytes;
using velvaro::engine::kBurstPictures;

// The queue's level each time it turned the source away, and each time it
// let it go on. The queue's own thread says it goes on, too, after running
// dry: those are left out.
struct Turns {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<guint> full;
    std::vector<guint> running;
    std::thread::id source;
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
        changed.notify_all();
    }
    void Running(GstElement* queue) {
        std::lock_guard lock(mutex);
        if (std::this_thread::get_id() == source) {
            running.push_back(Level(queue));
            fullBeforeLetGo = std::min(fullBeforeLetGo, full.size());
            changed.notify_all();
        }
    }
};

struct BurstRun {
    Turns turns;
    int pulled = 0;
};

// `count` buffers of `size` bytes from a source as fast as it goes, through
// a queue made to burst, to a sink that takes none until the queue has
// turned the source away; then as many as it takes for the queue to let the
// source go on, then none again until the queue is full once more; then the
// rest.
void Burst(int count, guint size, BurstRun* run) {
    GstElementHandle pipeline =
        LaunchPipeline("fakesrc num-buffers=" + std::to_string(count) +
                       " sizetype=fixed filltype=nothing sizemax=" + std::to_string(size) +
                       " ! queue name=handover ! appsink name=sink sync=false max-buffers=1");
    ASSERT_TRUE(pipeline);
    GstElementHandle queue(gst_bin_get_by_name(GST_BIN(pipeline.get()), "handover"));
    GstElementHandle sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    velvaro::engine::DecodeInBursts(queue.get());
    const auto full = +[](GstElement* element, Turns* turns) { turns->Full(element); };
    const auto running = +[](GstElement* element, Turns* turns) { turns->Running(element); };
    g_signal_connect(queue.get(), "overrun", G_CALLBACK(full), &run->turns);
    g_signal_connect(queue.get(), "running", G_CALLBACK(running), &run->turns);
    const auto waitUntil = [run](auto done) {
        std::unique_lock lock(run->turns.mutex);
        return run->turns.changed.wait_for(lock, std::chrono::seconds(10), [&] { return done(); });
    };
    const auto pull = [&] {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND);
        if (sample) {
            ++run->pulled;
            gst_sample_unref(sample);
        }
        return sample != nullptr;
    };
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    EXPECT_TRUE(waitUntil([run] { return !run->turns.full.empty(); }));
    const auto letGo = [run] {
        std::lock_guard lock(run->turns.mutex);
        return !run->turns.running.empty();
    };
    while (!letGo() && pull()) {
    }
    EXPECT_TRUE(waitUntil([run] { return run->turns.full.size() > run->turns.fullBeforeLetGo; }));
    while (pull()) {
    }
    EXPECT_TRUE(gst_app_sink_is_eos(GST_APP_SINK(sink.get())));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

// Between the queue's turning the source away and the level's being read,
// the queue's thread may pass on a buffer or two to the sink.
TEST(DecodeBursts, SourceRunsAheadAndRestsUntilTheQueueIsNearlyDry) {
    BurstRun run;
    Burst(60, 1000, &run);
    EXPECT_EQ(run.pulled, 60);
    std::lock_guard lock(run.turns.mutex);
    ASSERT_GE(run.turns.full.size(), 2u);
    for (size_t turn = 0; turn < 2; ++turn) {
        EXPECT_GE(run.turns.full[turn], kBurstPictures - 2) << turn;
        EXPECT_LE(run.turns.full[turn], kBurstPictures) << turn;
    }
    ASSERT_FALSE(run.turns.running.empty());
    EXPECT_TRUE(std::all_of(run.turns.running.begin(), run.turns.running.end(), [](guint level) {
        return level <= 1;
    })) << run.turns.running.front();
}

TEST(DecodeBursts, LargePicturesBurstNoFurtherThanTheMemoryAllowed) {
    BurstRun run;
    Burst(12, kBurstBytes / 2 + 1, &run);
    EXPECT_EQ(run.pulled, 12);
    std::lock_guard lock(run.turns.mutex);
    ASSERT_GE(run.turns.full.size(), 2u);
    for (size_t turn = 0; turn < 2; ++turn) {
        EXPECT_LE(run.turns.full[turn], 2u) << turn;
    }
}

}  // namespace
