// Which of a video sink's reports on its pictures reach the elements
// before it.
#include "TestPipeline.h"
#include "engine/GstGraphParts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

using velvaro::engine::GstElementHandle;
using velvaro::engine::GstPadHandle;

struct Reports {
    std::mutex mutex;
    std::vector<GstClockTimeDiff> lateness;
};

// Twenty pictures at 30 a second into a clocked sink, each held back
// `delayUs` on its way; the lateness of every report that comes back up
// past the element before the sink.
std::vector<GstClockTimeDiff> ReportsUpstream(int delayUs, bool onlyLate) {
    GstElementHandle pipeline = LaunchPipeline(
        "videotestsrc num-buffers=20 ! video/x-raw,width=64,height=48,framerate=30/1 ! "
        "identity name=before sleep-time=" +
        std::to_string(delayUs) + " ! fakesink name=sink sync=true qos=true");
    if (!pipeline) {
        return {};
    }
    GstElementHandle before(gst_bin_get_by_name(GST_BIN(pipeline.get()), "before"));
    GstElementHandle sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    GstPadHandle beforeOutput(gst_element_get_static_pad(before.get(), "src"));
    GstPadHandle sinkInput(gst_element_get_static_pad(sink.get(), "sink"));
    Reports reports;
    gst_pad_add_probe(
        beforeOutput.get(), GST_PAD_PROBE_TYPE_EVENT_UPSTREAM,
        +[](GstPad*, GstPadProbeInfo* info, gpointer data) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_QOS) {
                GstClockTimeDiff lateness = 0;
                gst_event_parse_qos(event, nullptr, nullptr, &lateness, nullptr);
                auto* seen = static_cast<Reports*>(data);
                std::lock_guard lock(seen->mutex);
                seen->lateness.push_back(lateness);
            }
            return GST_PAD_PROBE_OK;
        },
        &reports, nullptr);
    if (onlyLate) {
        velvaro::engine::PassOnlyLateReports(sinkInput.get());
    }
    PlayToEnd(pipeline.get());
    std::lock_guard lock(reports.mutex);
    return reports.lateness;
}

bool AllLate(const std::vector<GstClockTimeDiff>& lateness) {
    return std::all_of(lateness.begin(), lateness.end(),
                       [](auto late) { return late > velvaro::engine::kUnseenLateness; });
}

// The lateness of the reports that pass the filter, of those sent up
// through it with `sent` lateness each.
std::vector<GstClockTimeDiff> PassedUp(const std::vector<GstClockTimeDiff>& sent) {
    velvaro::engine::EnsureMediaFramework();
    GstPadHandle output(gst_pad_new("src", GST_PAD_SRC));
    GstPadHandle input(gst_pad_new("sink", GST_PAD_SINK));
    std::vector<GstClockTimeDiff> passed;
    gst_pad_set_element_private(output.get(), &passed);
    gst_pad_set_event_function(
        output.get(), +[](GstPad* pad, GstObject*, GstEvent* event) -> gboolean {
            if (GST_EVENT_TYPE(event) == GST_EVENT_QOS) {
                GstClockTimeDiff lateness = 0;
                gst_event_parse_qos(event, nullptr, nullptr, &lateness, nullptr);
                static_cast<std::vector<GstClockTimeDiff>*>(gst_pad_get_element_private(pad))
                    ->push_back(lateness);
            }
            gst_event_unref(event);
            return TRUE;
        });
    gst_pad_set_active(output.get(), TRUE);
    gst_pad_set_active(input.get(), TRUE);
    EXPECT_EQ(gst_pad_link(output.get(), input.get()), GST_PAD_LINK_OK);
    velvaro::engine::PassOnlyLateReports(input.get());
    for (const GstClockTimeDiff lateness : sent) {
        gst_pad_push_event(input.get(),
                           gst_event_new_qos(GST_QOS_TYPE_UNDERFLOW, 1.0, lateness, GST_SECOND));
    }
    return passed;
}

TEST(LatenessReports, OnlyReportsOfLatenessGoUpstream) {
    // Unfiltered, the sink reports on its pictures, on time or not.
    const auto unfiltered = ReportsUpstream(0, false);
    EXPECT_GE(unfiltered.size(), 10u);
    EXPECT_FALSE(AllLate(unfiltered));

    const auto onTime = ReportsUpstream(0, true);
    EXPECT_TRUE(AllLate(onTime)) << onTime.size() << " reports";

    // Each picture 50 ms on the way, at 33 ms apart: later and later.
    const auto late = ReportsUpstream(50000, true);
    EXPECT_GE(late.size(), 10u);
    EXPECT_TRUE(AllLate(late));
}

// A picture a fraction of a millisecond late looks on time; a report of it
// would have the decoder skip the next one.
TEST(LatenessReports, LatenessTooSmallToSeeIsNotReported) {
    const GstClockTimeDiff ms = GST_MSECOND;
    const auto passed = PassedUp({-10 * ms, 0, ms / 2, 2 * ms, 20 * ms, 100 * ms});
    EXPECT_EQ(passed, (std::vector<GstClockTimeDiff>{20 * ms, 100 * ms}));
}

}  // namespace
