// Which of a video sink's reports on its pictures reach the elements
// before it.
#include "engine/GstGraphParts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using velvaro::engine::GstPadHandle;
using Lateness = std::vector<GstClockTimeDiff>;

// A picture a fraction of a millisecond late looks on time; a report of it
// would have the decoder skip the next one. Reports sent up from a sink's
// input through the filter: only those of lateness that shows pass.
TEST(LatenessReports, OnlyReportsOfLatenessThatShowsGoUpstream) {
    velvaro::engine::EnsureMediaFramework();
    const GstPadHandle output(gst_pad_new("src", GST_PAD_SRC));
    const GstPadHandle input(gst_pad_new("sink", GST_PAD_SINK));
    Lateness passed;
    gst_pad_set_element_private(output.get(), &passed);
    gst_pad_set_event_function(
        output.get(), +[](GstPad* pad, GstObject*, GstEvent* event) -> gboolean {
            if (GST_EVENT_TYPE(event) == GST_EVENT_QOS) {
                GstClockTimeDiff lateness = 0;
                gst_event_parse_qos(event, nullptr, nullptr, &lateness, nullptr);
                static_cast<Lateness*>(gst_pad_get_element_private(pad))->push_back(lateness);
            }
            gst_event_unref(event);
            return TRUE;
        });
    gst_pad_set_active(output.get(), TRUE);
    gst_pad_set_active(input.get(), TRUE);
    ASSERT_EQ(gst_pad_link(output.get(), input.get()), GST_PAD_LINK_OK);
    velvaro::engine::PassOnlyLateReports(input.get());
    const GstClockTimeDiff ms = GST_MSECOND;
    for (const GstClockTimeDiff lateness :
         {-30 * ms, -10 * ms, ms * 0, ms / 2, 2 * ms, 20 * ms, 50 * ms, 100 * ms}) {
        gst_pad_push_event(input.get(),
                           gst_event_new_qos(GST_QOS_TYPE_UNDERFLOW, 1.0, lateness, GST_SECOND));
    }
    EXPECT_EQ(passed, (Lateness{20 * ms, 50 * ms, 100 * ms}));
}

}  // namespace
