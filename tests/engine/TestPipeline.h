// A test's own pipeline: made from a description, played to its end.
#pragma once

#include "engine/GstGraphParts.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

// The pipeline `description` makes, or null with a failure saying why.
inline velvaro::engine::GstElementHandle LaunchPipeline(const std::string& description) {
    velvaro::engine::EnsureMediaFramework();
    GError* error = nullptr;
    GstElement* made = gst_parse_launch(description.c_str(), &error);
    if (!made) {
        ADD_FAILURE() << (error ? error->message : "no pipeline");
    }
    g_clear_error(&error);
    return velvaro::engine::GstElementHandle(made ? GST_ELEMENT(gst_object_ref_sink(made))
                                                  : nullptr);
}

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
