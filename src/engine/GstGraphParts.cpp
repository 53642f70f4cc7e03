#include "GstGraphParts.h"

#include <cstring>
#include <mutex>
#include <optional>

Q_LOGGING_CATEGORY(lcEngine, "velvaro.engine", QtWarningMsg)

namespace velvaro::engine {

namespace {

// The Debian packages that carry the elements our graphs are built from.
struct ElementPackage {
    const char* factory;
    const char* package;
};
constexpr ElementPackage kElementPackages[] = {
    {"filesrc", "libgstreamer1.0-0"},
    {"capsfilter", "libgstreamer1.0-0"},
    {"fakesink", "libgstreamer1.0-0"},
    {"queue", "libgstreamer1.0-0"},
    {"rsndvdbin", "gstreamer1.0-plugins-bad"},
    {"dvdspu", "gstreamer1.0-plugins-bad"},
    {"decodebin3", "gstreamer1.0-plugins-base"},
    {"subtitleoverlay", "gstreamer1.0-plugins-base"},
    {"subparse", "gstreamer1.0-plugins-base"},
    {"appsink", "gstreamer1.0-plugins-base"},
    {"audioconvert", "gstreamer1.0-plugins-base"},
    {"audioresample", "gstreamer1.0-plugins-base"},
    {"volume", "gstreamer1.0-plugins-base"},
    {"videocrop", "gstreamer1.0-plugins-good"},
    {"deinterlace", "gstreamer1.0-plugins-good"},
    {"audiopanorama", "gstreamer1.0-plugins-good"},
    {"autoaudiosink", "gstreamer1.0-plugins-good"},
};

}  // namespace

std::string MissingElementText(const char* factory) {
    const char* package = "the GStreamer plugin that provides it";
    for (const auto& entry : kElementPackages) {
        if (std::strcmp(entry.factory, factory) == 0) {
            package = entry.package;
        }
    }
    return std::string("The GStreamer element \"") + factory + "\" is missing: install " + package +
           ".";
}

GstElementHandle ElementMaker::Make(const char* factory, const char* name) {
    GstElementHandle element = MakeOwnedElement(factory, name);
    if (!element && error_.empty()) {
        error_ = MissingElementText(factory);
        qCWarning(lcEngine).noquote() << QString::fromStdString(error_);
    }
    return element;
}

GstElementHandle UnheardSoundChunker(GstElement* sink) {
    GstElementFactory* factory = gst_element_get_factory(sink);
    if (!factory || std::strcmp(GST_OBJECT_NAME(factory), "fakesink") != 0) {
        return nullptr;
    }
    // Without it the sound goes on as it comes.
    GstElementHandle chunker = MakeOwnedElement("audiobuffersplit", nullptr);
    if (chunker) {
        g_object_set(chunker.get(), "output-buffer-duration", 1,
                     static_cast<int>(GST_SECOND / kUnheardChunk), nullptr);
    }
    return chunker;
}

void PassOnlyLateReports(GstPad* sinkInput) {
    gst_pad_add_probe(
        sinkInput, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM,
        +[](GstPad*, GstPadProbeInfo* info, gpointer) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) != GST_EVENT_QOS) {
                return GST_PAD_PROBE_OK;
            }
            GstClockTimeDiff lateness = 0;
            gst_event_parse_qos(event, nullptr, nullptr, &lateness, nullptr);
            return lateness > kUnseenLateness ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
        },
        nullptr, nullptr);
}

void DecodeInBursts(GstElement* queue) {
    g_object_set(queue, "max-size-buffers", kBurstPictures, "max-size-bytes", kBurstBytes,
                 "max-size-time", guint64{0}, "silent", FALSE, nullptr);
    // Told on the decoder's thread that the queue is full, it stays full
    // from two pictures on: the decoder rests until one is left. The next
    // picture it brings opens the queue again.
    const auto full = +[](GstElement* handOver, gpointer) {
        g_object_set(handOver, "max-size-buffers", 2u, nullptr);
    };
    g_signal_connect(queue, "overrun", G_CALLBACK(full), nullptr);
    GstPadHandle input(gst_element_get_static_pad(queue, "sink"));
    gst_pad_add_probe(
        input.get(), GST_PAD_PROBE_TYPE_BUFFER,
        +[](GstPad* pad, GstPadProbeInfo*, gpointer) {
            GstObject* handOver = GST_OBJECT_PARENT(pad);
            guint limit = 0;
            g_object_get(handOver, "max-size-buffers", &limit, nullptr);
            if (limit != kBurstPictures) {
                g_object_set(handOver, "max-size-buffers", kBurstPictures, nullptr);
            }
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
}

GstElementHandle ElementMaker::MakeAudioSink() {
    const GCharHandle pulseSocket(
        g_build_filename(g_get_user_runtime_dir(), "pulse", "native", nullptr));
    const bool pulse =
        g_getenv("PULSE_SERVER") || g_file_test(pulseSocket.get(), G_FILE_TEST_EXISTS);
    const bool alsa = g_file_test("/dev/snd", G_FILE_TEST_IS_DIR);
    if (pulse || alsa) {
        if (GstElementHandle sink = MakeOwnedElement("autoaudiosink", nullptr)) {
            return sink;
        }
        qCWarning(lcEngine).noquote() << QString::fromStdString(MissingElementText("autoaudiosink"))
                                      << "Playing without sound.";
    }
    GstElementHandle sink = Make("fakesink");
    if (sink) {
        g_object_set(sink.get(), "sync", TRUE, nullptr);
    }
    return sink;
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
    if (GstStreamHandle stream{gst_pad_get_stream(pad)}) {
        const MajorType type = MajorTypeOfStream(stream.get());
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

GCharHandle TagText(const GstTagList* tags, const char* tag) {
    gchar* text = nullptr;
    const bool found = gst_tag_list_get_string(tags, tag, &text);
    GCharHandle owned(text);
    return found ? std::move(owned) : nullptr;
}

// "Commentary (German)", "English", or "Audio 2" when the file says nothing.
std::string StreamName(GstStream* stream, MajorType type, int ordinal) {
    std::string title, language;
    if (const GstTagListHandle tags{gst_stream_get_tags(stream)}) {
        if (const GCharHandle text{TagText(tags.get(), GST_TAG_TITLE)}) {
            title = text.get();
        }
        if (const GCharHandle text{TagText(tags.get(), GST_TAG_LANGUAGE_CODE)}) {
            const gchar* name = gst_tag_get_language_name(text.get());
            language = name ? name : text.get();
        }
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

namespace {

// The segment `tempo` must not act on, held from its input to its output.
struct HeldSegment {
    std::mutex mutex;
    std::optional<GstSegment> segment;
};

GstPadProbeReturn HideSpeed(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
        return GST_PAD_PROBE_OK;
    }
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    auto* held = static_cast<HeldSegment*>(data);
    std::lock_guard lock(held->mutex);
    if (segment->rate >= kSlowestKeptPitch && segment->rate <= kFastestKeptPitch) {
        held->segment.reset();
        return GST_PAD_PROBE_OK;
    }
    held->segment = *segment;
    GstSegment normal = *segment;
    normal.rate = 1.0;
    GstEvent* shown = gst_event_new_segment(&normal);
    gst_event_set_seqnum(shown, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = shown;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn ShowSpeed(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
        return GST_PAD_PROBE_OK;
    }
    auto* held = static_cast<HeldSegment*>(data);
    std::lock_guard lock(held->mutex);
    if (held->segment) {
        GstEvent* real = gst_event_new_segment(&*held->segment);
        gst_event_set_seqnum(real, gst_event_get_seqnum(event));
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = real;
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

void KeepPitchWithinSpeeds(GstElement* tempo) {
    auto* held = new HeldSegment;  // the input's probe owns it
    const GstPadHandle input(gst_element_get_static_pad(tempo, "sink"));
    const GstPadHandle output(gst_element_get_static_pad(tempo, "src"));
    gst_pad_add_probe(output.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &ShowSpeed, held, nullptr);
    gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &HideSpeed, held,
                      [](gpointer data) { delete static_cast<HeldSegment*>(data); });
}

}  // namespace velvaro::engine
