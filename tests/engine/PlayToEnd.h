// A test's own pipeline played to its end.
#pragma once

#include <gst/gst.h>
#include <gtest/gtest.h>

// Plays `pipeline` until its end (a failure if it breaks or takes over ten
// seconds), then takes it down, so its sinks have seen everything.
inline void PlayToEnd(GstElement* pipeline) {
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
    if (end) {
        gst_message_unref(end);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
}
