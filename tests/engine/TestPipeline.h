// A test's own pipeline: made from a description, its elements found by
// name, played to its end, and taken down when it goes.
#pragma once

#include "engine/GstGraphParts.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

class TestPipeline {
public:
    // Null, with a failure saying why, when `description` makes nothing.
    explicit TestPipeline(const std::string& description) {
        velvaro::engine::EnsureMediaFramework();
        GError* error = nullptr;
        GstElement* made = gst_parse_launch(description.c_str(), &error);
        if (!made) {
            ADD_FAILURE() << (error ? error->message : "no pipeline");
        }
        g_clear_error(&error);
        pipeline_.reset(made ? GST_ELEMENT(gst_object_ref_sink(made)) : nullptr);
    }
    ~TestPipeline() { SetState(GST_STATE_NULL); }

    explicit operator bool() const { return pipeline_ != nullptr; }
    GstElement* get() const { return pipeline_.get(); }
    velvaro::engine::GstElementHandle operator[](const char* name) const {
        return velvaro::engine::GstElementHandle(gst_bin_get_by_name(GST_BIN(get()), name));
    }
    GstStateChangeReturn SetState(GstState state) const {
        return pipeline_ ? gst_element_set_state(get(), state) : GST_STATE_CHANGE_FAILURE;
    }
    // The next sample of the appsink `sink`, or null after `timeout`.
    velvaro::engine::GstSampleHandle Pull(GstClockTime timeout = 10 * GST_SECOND,
                                          const char* sink = "sink") const {
        return velvaro::engine::GstSampleHandle(
            gst_app_sink_try_pull_sample(GST_APP_SINK((*this)[sink].get()), timeout));
    }

    // Plays until the end (a failure if it breaks or takes over ten seconds),
    // then takes it down, so its sinks have seen everything.
    void PlayToEnd() const {
        SetState(GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(get());
        GstMessage* end = gst_bus_timed_pop_filtered(
            bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
        if (end) {
            gst_message_unref(end);
        }
        gst_object_unref(bus);
        SetState(GST_STATE_NULL);
    }

private:
    velvaro::engine::GstElementHandle pipeline_;
};
