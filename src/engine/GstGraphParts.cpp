#include "GstGraphParts.h"

#include "GstPropertyDialog.h"

#include <QCursor>
#include <QDialog>
#include <QPointer>
#include <QString>

#include <cstring>

namespace velvaro::engine {

void EnsureGstInitialised() {
    static const bool initialised = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
}

MajorType MajorTypeOfCaps(GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
        return MajorType::Unknown;
    }
    const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    if (g_str_has_prefix(name, "video/")) {
        return MajorType::Video;
    }
    if (g_str_has_prefix(name, "audio/")) {
        return MajorType::Audio;
    }
    if (g_str_has_prefix(name, "text/") || g_str_has_prefix(name, "subpicture/") ||
        g_str_has_prefix(name, "application/x-ssa") ||
        g_str_has_prefix(name, "application/x-ass")) {
        return MajorType::Subtitle;
    }
    return MajorType::Unknown;
}

MajorType MajorTypeOfPad(GstPad* pad) {
    // The decoder's pads name their stream before their caps are settled.
    if (GstStream* stream = gst_pad_get_stream(pad)) {
        const MajorType type = MajorTypeOfStream(stream);
        gst_object_unref(stream);
        if (type != MajorType::Unknown) {
            return type;
        }
    }
    GstCapsHandle caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    return MajorTypeOfCaps(caps.get());
}

// A sound device to play on, or a sink that only keeps the clock when the
// machine has none, so playback never fails for want of speakers.
GstElement* MakeAudioSink() {
    const bool pulse =
        g_getenv("PULSE_SERVER") ||
        g_file_test(g_build_filename(g_get_user_runtime_dir(), "pulse", "native", nullptr),
                    G_FILE_TEST_EXISTS);
    const bool alsa = g_file_test("/dev/snd", G_FILE_TEST_IS_DIR);
    if (pulse || alsa) {
        if (GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr)) {
            return sink;
        }
    }
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

// How a decoder part is named as a filter: by what it does, and the
// Matroska demuxer by the name players look it up under.
std::string FilterNameOf(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return GST_OBJECT_NAME(element);
    }
    if (std::strcmp(GST_OBJECT_NAME(factory), "matroskademux") == 0) {
        return "Matroska Splitter";
    }
    return gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
}

bool IsDecoderPart(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    return klass && (std::strstr(klass, "Demuxer") || std::strstr(klass, "Decoder"));
}

MajorType MajorTypeOfStream(GstStream* stream) {
    const GstStreamType type = gst_stream_get_stream_type(stream);
    if (type & GST_STREAM_TYPE_VIDEO) {
        return MajorType::Video;
    }
    if (type & GST_STREAM_TYPE_AUDIO) {
        return MajorType::Audio;
    }
    if (type & GST_STREAM_TYPE_TEXT) {
        return MajorType::Subtitle;
    }
    return MajorType::Unknown;
}

// "Commentary (German)", "English", or "Audio 2" when the file says nothing.
std::string StreamName(GstStream* stream, MajorType type, int ordinal) {
    std::string title, language;
    if (GstTagList* tags = gst_stream_get_tags(stream)) {
        gchar* text = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &text) && text) {
            title = text;
        }
        g_free(text);
        text = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &text) && text) {
            const gchar* name = gst_tag_get_language_name(text);
            language = name ? name : text;
        }
        g_free(text);
        gst_tag_list_unref(tags);
    }
    if (!title.empty() && !language.empty()) {
        return title + " (" + language + ")";
    }
    if (!title.empty() || !language.empty()) {
        return title.empty() ? language : title;
    }
    const char* kind = type == MajorType::Video   ? "Video"
                       : type == MajorType::Audio ? "Audio"
                                                  : "Subtitle";
    return std::string(kind) + " " + std::to_string(ordinal + 1);
}

}  // namespace velvaro::engine
