// Owning handles for GStreamer and GLib objects: each drops its reference
// or frees its memory when it goes.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace velvaro::engine {

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstMiniObjectUnref {
    void operator()(gpointer object) const { gst_mini_object_unref(GST_MINI_OBJECT_CAST(object)); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GstIteratorFree {
    void operator()(GstIterator* iterator) const { gst_iterator_free(iterator); }
};
struct GStringListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_free); }
};

using GstElementHandle = std::unique_ptr<GstElement, GstObjectUnref>;
using GstPadHandle = std::unique_ptr<GstPad, GstObjectUnref>;
using GstBusHandle = std::unique_ptr<GstBus, GstObjectUnref>;
using GstStreamHandle = std::unique_ptr<GstStream, GstObjectUnref>;
using GstStreamCollectionHandle = std::unique_ptr<GstStreamCollection, GstObjectUnref>;
using GstCapsHandle = std::unique_ptr<GstCaps, GstMiniObjectUnref>;
using GstBufferHandle = std::unique_ptr<GstBuffer, GstMiniObjectUnref>;
using GstSampleHandle = std::unique_ptr<GstSample, GstMiniObjectUnref>;
using GstMessageHandle = std::unique_ptr<GstMessage, GstMiniObjectUnref>;
using GstTocHandle = std::unique_ptr<GstToc, GstMiniObjectUnref>;
using GstQueryHandle = std::unique_ptr<GstQuery, GstMiniObjectUnref>;
using GstTagListHandle = std::unique_ptr<GstTagList, GstMiniObjectUnref>;
using GstIteratorHandle = std::unique_ptr<GstIterator, GstIteratorFree>;
using GErrorHandle = std::unique_ptr<GError, GErrorFree>;
using GCharHandle = std::unique_ptr<gchar, GFree>;
using GParamSpecsHandle = std::unique_ptr<GParamSpec*, GFree>;
using GStringListHandle = std::unique_ptr<GList, GStringListFree>;

// A new element of `factory`, owned outright (its floating reference sunk),
// or null when no installed plugin provides it.
inline GstElementHandle MakeOwnedElement(const char* factory, const char* name) {
    GstElement* element = gst_element_factory_make(factory, name);
    return GstElementHandle(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

// A GValue that is always unset when it goes.
class GValueHolder {
public:
    explicit GValueHolder(GType type) { g_value_init(&value_, type); }
    ~GValueHolder() { g_value_unset(&value_); }
    GValueHolder(const GValueHolder&) = delete;
    GValueHolder& operator=(const GValueHolder&) = delete;
    GValue* get() { return &value_; }

private:
    GValue value_ = G_VALUE_INIT;
};

// Visits the objects an iterator yields until `visit` returns false or the
// iterator ends. A bin that changes meanwhile ends the walk early: callers
// list what they saw rather than see an element twice.
template <typename Visit>
void ForEachItem(GstIterator* raw, Visit visit) {
    GstIteratorHandle iterator(raw);
    GValue item = G_VALUE_INIT;
    bool more = iterator != nullptr;
    while (more && gst_iterator_next(iterator.get(), &item) == GST_ITERATOR_OK) {
        more = visit(g_value_get_object(&item));
        g_value_reset(&item);
    }
    g_value_unset(&item);
}

// Holds the data leaving an element's source pad, until released or
// destroyed; flushes still pass.
class SourceDataHold {
public:
    explicit SourceDataHold(GstElement* element)
        : pad_(element ? gst_element_get_static_pad(element, "src") : nullptr) {
        if (pad_) {
            probe_ = gst_pad_add_probe(
                pad_.get(),
                static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK |
                                             GST_PAD_PROBE_TYPE_DATA_DOWNSTREAM),
                [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr,
                nullptr);
        }
    }
    ~SourceDataHold() { Release(); }
    SourceDataHold(const SourceDataHold&) = delete;
    SourceDataHold& operator=(const SourceDataHold&) = delete;
    void Release() {
        if (probe_) {
            gst_pad_remove_probe(pad_.get(), probe_);
            probe_ = 0;
        }
    }

private:
    GstPadHandle pad_;
    gulong probe_ = 0;
};

}  // namespace velvaro::engine
