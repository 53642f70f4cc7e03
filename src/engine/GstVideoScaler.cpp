#include "GstVideoScaler.h"

#include "FrameScaler.h"
#include "GstPictureViews.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <memory>
#include <mutex>

namespace velvaro::engine {

namespace {

struct ConverterFree {
    void operator()(GstVideoConverter* converter) const { gst_video_converter_free(converter); }
};

struct ScalerState {
    FrameScaler scaler;
    // For what FrameScaler does not take; empty on its path.
    std::unique_ptr<GstVideoConverter, ConverterFree> converter;
};

struct VelvaroScale {
    GstVideoFilter parent;
    // Made in init, freed in finalize: GObject knows nothing of C++.
    ScalerState* state;
};

struct VelvaroScaleClass {
    GstVideoFilterClass parent_class;
};

// GLib's type macro casts the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_TYPE(VelvaroScale, velvaro_scale, GST_TYPE_VIDEO_FILTER)
#pragma GCC diagnostic pop

VelvaroScale* Self(gpointer object) {
    return reinterpret_cast<VelvaroScale*>(object);
}

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE(GST_VIDEO_FORMATS_ALL)));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS(GST_VIDEO_CAPS_MAKE("{ BGRx, I420, YV12, NV12 }")));

// Any size and format on the other side; only system memory. Going
// downstream, 4:2:0 that FrameScaler takes is offered unchanged first, for
// the window to scale, and else BGRx.
GstCaps* TransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                       GstCaps* filter) {
    const auto inSystemMemory = [caps](guint i) {
        GstCapsFeatures* features = gst_caps_get_features(caps, i);
        return gst_caps_features_is_any(features) ||
               gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY);
    };
    GstCaps* result = gst_caps_new_empty();
    if (direction == GST_PAD_SINK) {
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            const GstStructure* structure = gst_caps_get_structure(caps, i);
            const gchar* format = gst_structure_get_string(structure, "format");
            if (inSystemMemory(i) && format &&
                IsFrameScalerFormat(gst_video_format_from_string(format))) {
                result = gst_caps_merge_structure(result, gst_structure_copy(structure));
            }
        }
    }
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        if (!inSystemMemory(i)) {
            continue;
        }
        GstStructure* structure = gst_structure_copy(gst_caps_get_structure(caps, i));
        gst_structure_set(structure, "width", GST_TYPE_INT_RANGE, 1, G_MAXINT, "height",
                          GST_TYPE_INT_RANGE, 1, G_MAXINT, nullptr);
        gst_structure_remove_fields(structure, "format", "colorimetry", "chroma-site", nullptr);
        if (direction == GST_PAD_SINK) {
            gst_structure_set(structure, "format", G_TYPE_STRING, "BGRx", nullptr);
        }
        if (gst_structure_has_field(structure, "pixel-aspect-ratio")) {
            gst_structure_set(structure, "pixel-aspect-ratio", GST_TYPE_FRACTION_RANGE, 1, G_MAXINT,
                              G_MAXINT, 1, nullptr);
        }
        result = gst_caps_merge_structure(result, structure);
    }
    if (filter) {
        GstCaps* filtered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = filtered;
    }
    return result;
}

// Downstream normally fixes the size; until it does, the picture keeps its
// shape on square pixels.
GstCaps* FixateCaps(GstBaseTransform*, GstPadDirection, GstCaps* caps, GstCaps* othercaps) {
    othercaps = gst_caps_make_writable(gst_caps_truncate(othercaps));
    const GstStructure* from = gst_caps_get_structure(caps, 0);
    GstStructure* to = gst_caps_get_structure(othercaps, 0);
    gint width = 0;
    gint height = 0;
    gint parN = 1;
    gint parD = 1;
    if (gst_structure_get_int(from, "width", &width) &&
        gst_structure_get_int(from, "height", &height)) {
        if (gst_structure_get_fraction(from, "pixel-aspect-ratio", &parN, &parD) && parD > 0 &&
            parN > 0) {
            width = static_cast<gint>(gst_util_uint64_scale_int(width, parN, parD));
        }
        gst_structure_fixate_field_nearest_int(to, "height", height);
        gst_structure_fixate_field_nearest_int(to, "width", width);
    }
    if (gst_structure_has_field(to, "pixel-aspect-ratio")) {
        gst_structure_fixate_field_nearest_fraction(to, "pixel-aspect-ratio", 1, 1);
    }
    return gst_caps_fixate(othercaps);
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* input, GstCaps*,
                 GstVideoInfo* output) {
    ScalerState& state = *Self(filter)->state;
    state.converter.reset();
    if (gst_video_info_is_equal(input, output)) {
        return TRUE;  // passed through
    }
    if (IsFrameScalerFormat(GST_VIDEO_INFO_FORMAT(input)) &&
        GST_VIDEO_INFO_FORMAT(output) == GST_VIDEO_FORMAT_BGRx) {
        state.scaler.SetMatrix(MatrixOf(*input));
        return TRUE;
    }
    state.converter.reset(gst_video_converter_new(input, output, nullptr));
    return state.converter != nullptr;
}

GstFlowReturn TransformFrame(GstVideoFilter* filter, GstVideoFrame* input, GstVideoFrame* output) {
    ScalerState& state = *Self(filter)->state;
    if (state.converter) {
        gst_video_converter_frame(state.converter.get(), input, output);
        return GST_FLOW_OK;
    }
    state.scaler.ScaleToBgrx(ComponentOf(input, GST_VIDEO_COMP_Y),
                             ComponentOf(input, GST_VIDEO_COMP_U),
                             ComponentOf(input, GST_VIDEO_COMP_V),
                             static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(output, 0)),
                             GST_VIDEO_FRAME_PLANE_STRIDE(output, 0), GST_VIDEO_FRAME_WIDTH(output),
                             GST_VIDEO_FRAME_HEIGHT(output));
    return GST_FLOW_OK;
}

void Finalize(GObject* object) {
    delete Self(object)->state;
    Self(object)->state = nullptr;
    G_OBJECT_CLASS(velvaro_scale_parent_class)->finalize(object);
}

void velvaro_scale_class_init(VelvaroScaleClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = &Finalize;
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(
        element, "Velvaro video scaler", "Filter/Converter/Video/Scaler",
        "Scales pictures to the window and turns them into BGRx in one pass", "Velvaro");
    GstBaseTransformClass* transform = GST_BASE_TRANSFORM_CLASS(klass);
    transform->transform_caps = &TransformCaps;
    transform->fixate_caps = &FixateCaps;
    transform->passthrough_on_same_caps = TRUE;
    GstVideoFilterClass* video = GST_VIDEO_FILTER_CLASS(klass);
    video->set_info = &SetInfo;
    video->transform_frame = &TransformFrame;
}

void velvaro_scale_init(VelvaroScale* self) {
    self->state = new ScalerState;
    // Late pictures are dropped before they are scaled, as GStreamer's own
    // converters do.
    gst_base_transform_set_qos_enabled(GST_BASE_TRANSFORM(self), TRUE);
}

}  // namespace

GstCaps* WindowCaps(int width, int height) {
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=(string){ I420, YV12, NV12 }");
    GstStructure* scaled =
        gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "BGRx", "pixel-aspect-ratio",
                          GST_TYPE_FRACTION, 1, 1, nullptr);
    if (width > 0 && height > 0) {
        gst_structure_set(scaled, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                          nullptr);
    }
    gst_caps_append_structure(caps, scaled);
    return caps;
}

void RegisterVideoScaler() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_element_register(nullptr, kVideoScalerElement, GST_RANK_NONE, velvaro_scale_get_type());
    });
}

}  // namespace velvaro::engine
