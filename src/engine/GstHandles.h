// Owning handles for GStreamer objects: each drops its reference when it goes.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace velvaro::engine {

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GstBufferUnref {
    void operator()(GstBuffer* buffer) const { gst_buffer_unref(buffer); }
};
struct GstSampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};

using GstElementHandle = std::unique_ptr<GstElement, GstObjectUnref>;
using GstPadHandle = std::unique_ptr<GstPad, GstObjectUnref>;
using GstBusHandle = std::unique_ptr<GstBus, GstObjectUnref>;
using GstCapsHandle = std::unique_ptr<GstCaps, GstCapsUnref>;
using GstBufferHandle = std::unique_ptr<GstBuffer, GstBufferUnref>;
using GstSampleHandle = std::unique_ptr<GstSample, GstSampleUnref>;

}  // namespace velvaro::engine
