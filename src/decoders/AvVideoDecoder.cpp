#include "AvVideoDecoder.h"

#include "AvPictures.h"
#include "FreshStarts.h"

#include <gst/video/gstvideodecoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/cpu.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

GST_DEBUG_CATEGORY_STATIC(velvaro_av_video_dec_debug);
#define GST_CAT_DEFAULT velvaro_av_video_dec_debug

namespace velvaro::decoders {

namespace {

struct Codec {
    AVCodecID id;
    const char* element;
    const char* typeName;
    const char* longName;
    const char* caps;
};

// Whole pictures, as the parsers in front hand them over.
constexpr std::array kCodecs{
    Codec{AV_CODEC_ID_H264, "velvaroh264dec", "VelvaroH264Dec", "H.264 video decoder",
          "video/x-h264, alignment=(string)au, stream-format=(string){ avc, byte-stream }"},
    Codec{AV_CODEC_ID_HEVC, "velvaroh265dec", "VelvaroH265Dec", "H.265 video decoder",
          "video/x-h265, alignment=(string)au, "
          "stream-format=(string){ hvc1, hev1, byte-stream }"},
    // DVDs, Video CDs and television recordings; the MPEG-2 decoder decodes
    // MPEG-1 too, and a program stream's demuxer may not know which it has.
    Codec{AV_CODEC_ID_MPEG2VIDEO, "velvarompegvideodec", "VelvaroMpegVideoDec",
          "MPEG-1 and MPEG-2 video decoder",
          "video/mpeg, mpegversion=(int)[ 1, 2 ], systemstream=(boolean)false, "
          "parsed=(boolean)true"},
};

constexpr const char* kOutputCaps =
    "video/x-raw, format=(string){ I420, Y42B, Y444, NV12, GRAY8, I420_10LE, I422_10LE, "
    "Y444_10LE, I420_12LE, I422_12LE, Y444_12LE, GBR, GBR_10LE }, "
    "width=(int)[ 1, max ], height=(int)[ 1, max ], framerate=(fraction)[ 0, max ]";

// Pictures the codec holds back for reordering and its threads stay well
// within this many frames; a frame older than that will get no picture.
constexpr guint32 kFramesLeftBehind = 64;

enum Property { kPropertyNone, kMaxThreads, kThreads };

struct VelvaroAvVideoDec {
    GstVideoDecoder parent;
    AVCodecContext* context;
    AVPacket* packet;
    AVFrame* picture;
    GstVideoCodecState* input;
    // The packet's bytes with the zeroed tail libavcodec may read into.
    uint8_t* padded;
    unsigned int paddedSize;
    int maxThreads;
    // What the open codec decodes on: maxThreads, or every core while an
    // exact seek decodes up to its target.
    int openThreads;
    // A flush emptied the codec: it may be opened anew for free.
    gboolean flushed;
    int unitLengthSize;
    // What the output is negotiated for.
    int outFormat;
    int outWidth;
    int outHeight;
    int outInterlaced;
    AVRational outAspect;
    // Whether downstream reads planes where the codec left them, at its
    // strides; else each picture is copied into downstream's layout.
    gboolean wrapPictures;
};

struct VelvaroAvVideoDecClass {
    GstVideoDecoderClass parent_class;
    const Codec* codec;
};

// GLib's type macro casts the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DEFINE_ABSTRACT_TYPE(VelvaroAvVideoDec, velvaro_av_video_dec, GST_TYPE_VIDEO_DECODER)
#pragma GCC diagnostic pop

VelvaroAvVideoDec* Self(gpointer object) {
    return reinterpret_cast<VelvaroAvVideoDec*>(object);
}

const Codec* CodecOf(gpointer object) {
    return reinterpret_cast<VelvaroAvVideoDecClass*>(G_OBJECT_GET_CLASS(object))->codec;
}

// H.264 and H.265 come in units; the rest is never opened anew mid-film.
std::optional<UnitCodec> UnitCodecOf(gpointer object) {
    switch (CodecOf(object)->id) {
        case AV_CODEC_ID_H264:
            return UnitCodec::H264;
        case AV_CODEC_ID_HEVC:
            return UnitCodec::H265;
        default:
            return std::nullopt;
    }
}

std::string ErrorText(int error) {
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(error, text.data(), text.size());
    return text.data();
}

// A damaged picture counts against the decoder's tolerance, and the film
// plays on; an error only when too many come.
GstFlowReturn DecodeError(VelvaroAvVideoDec* self, int error) {
    GstFlowReturn flow = GST_FLOW_OK;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
    GST_VIDEO_DECODER_ERROR(self, 1, STREAM, DECODE,
                            ("A picture of the film could not be decoded."),
                            ("libavcodec: %s", ErrorText(error).c_str()), flow);
#pragma GCC diagnostic pop
    return flow;
}

void CloseCodec(VelvaroAvVideoDec* self) {
    avcodec_free_context(&self->context);
    self->outFormat = AV_PIX_FMT_NONE;
}

// The output's format for `picture`, set again only when it changes.
bool Negotiate(VelvaroAvVideoDec* self, const AVFrame& picture) {
    auto* decoder = GST_VIDEO_DECODER(self);
    const int interlaced = picture.interlaced_frame;
    if (self->outFormat == picture.format && self->outWidth == picture.width &&
        self->outHeight == picture.height && self->outInterlaced == interlaced &&
        av_cmp_q(self->outAspect, picture.sample_aspect_ratio) == 0 &&
        !gst_pad_check_reconfigure(GST_VIDEO_DECODER_SRC_PAD(decoder))) {
        return true;
    }
    const GstVideoFormat format = FormatOf(picture.format);
    if (format == GST_VIDEO_FORMAT_UNKNOWN) {
        const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture.format));
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("The film's pictures are laid out in a way that cannot be shown."),
                          ("libavcodec pixel format %s", name ? name : "unknown"));
        return false;
    }
    GstVideoCodecState* state =
        gst_video_decoder_set_output_state(decoder, format, static_cast<guint>(picture.width),
                                           static_cast<guint>(picture.height), self->input);
    GstVideoInfo* info = &state->info;
    if (interlaced) {
        GST_VIDEO_INFO_INTERLACE_MODE(info) = GST_VIDEO_INTERLACE_MODE_MIXED;
    }
    // The parser's caps carry the aspect where the container gives one.
    const GstStructure* input = gst_caps_get_structure(self->input->caps, 0);
    if (!gst_structure_has_field(input, "pixel-aspect-ratio") &&
        picture.sample_aspect_ratio.num > 0 && picture.sample_aspect_ratio.den > 0) {
        GST_VIDEO_INFO_PAR_N(info) = picture.sample_aspect_ratio.num;
        GST_VIDEO_INFO_PAR_D(info) = picture.sample_aspect_ratio.den;
    }
    TakeColours(picture, info);
    gst_video_codec_state_unref(state);
    if (!gst_video_decoder_negotiate(decoder)) {
        return false;
    }
    self->outFormat = picture.format;
    self->outWidth = picture.width;
    self->outHeight = picture.height;
    self->outInterlaced = interlaced;
    self->outAspect = picture.sample_aspect_ratio;
    return true;
}

// A frame whose picture never comes (damaged, or skipped to catch up)
// would otherwise wait to the next seek: it counts as dropped.
void DropFramesLeftBehind(GstVideoDecoder* decoder, guint32 shown) {
    GList* frames = gst_video_decoder_get_frames(decoder);
    for (GList* item = frames; item; item = item->next) {
        auto* frame = static_cast<GstVideoCodecFrame*>(item->data);
        if (frame->system_frame_number + kFramesLeftBehind < shown) {
            gst_video_decoder_drop_frame(decoder, gst_video_codec_frame_ref(frame));
        }
    }
    g_list_free_full(frames, reinterpret_cast<GDestroyNotify>(&gst_video_codec_frame_unref));
}

// Under the stream lock. A frame of unknown length is never taken for one.
bool EndsBeforeSegment(GstVideoDecoder* decoder, const GstVideoCodecFrame* frame) {
    const GstSegment& segment = decoder->input_segment;
    return segment.format == GST_FORMAT_TIME && segment.rate > 0 &&
           GST_CLOCK_TIME_IS_VALID(segment.start) && GST_CLOCK_TIME_IS_VALID(frame->pts) &&
           GST_CLOCK_TIME_IS_VALID(frame->duration) &&
           frame->pts + frame->duration <= segment.start;
}

GstFlowReturn Output(VelvaroAvVideoDec* self, const AVFrame& picture) {
    auto* decoder = GST_VIDEO_DECODER(self);
    // The packet's number came back as the picture's time; a picture
    // without one is the oldest waiting.
    GstVideoCodecFrame* frame =
        picture.pts == AV_NOPTS_VALUE
            ? gst_video_decoder_get_oldest_frame(decoder)
            : gst_video_decoder_get_frame(decoder, static_cast<int>(picture.pts));
    if (!frame) {
        GST_DEBUG_OBJECT(self, "picture for frame %" G_GINT64_FORMAT " no longer waited for",
                         static_cast<gint64>(picture.pts));
        return GST_FLOW_OK;
    }
    DropFramesLeftBehind(decoder, frame->system_frame_number);
    // Decoded only for the pictures after it: nothing to hand on.
    if (EndsBeforeSegment(decoder, frame)) {
        gst_video_decoder_release_frame(decoder, frame);
        return GST_FLOW_OK;
    }
    if (!Negotiate(self, picture)) {
        gst_video_decoder_release_frame(decoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstVideoCodecState* state = gst_video_decoder_get_output_state(decoder);
    const GstFlowReturn made = self->wrapPictures
                                   ? WrapPicture(picture, state->info, frame)
                                   : CopyPicture(decoder, picture, state->info, frame);
    gst_video_codec_state_unref(state);
    if (made != GST_FLOW_OK) {
        gst_video_decoder_release_frame(decoder, frame);
        return made;
    }
    if (picture.interlaced_frame) {
        GST_BUFFER_FLAG_SET(frame->output_buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED);
        if (picture.top_field_first) {
            GST_BUFFER_FLAG_SET(frame->output_buffer, GST_VIDEO_BUFFER_FLAG_TFF);
        }
    }
    // Telecined for 60 fields a second, some pictures show a field longer.
    if (self->outInterlaced && picture.repeat_pict > 0) {
        GST_BUFFER_FLAG_SET(frame->output_buffer, GST_VIDEO_BUFFER_FLAG_RFF);
    }
    return gst_video_decoder_finish_frame(decoder, frame);
}

GstFlowReturn TakePictures(VelvaroAvVideoDec* self) {
    for (;;) {
        const int received = avcodec_receive_frame(self->context, self->picture);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return GST_FLOW_OK;
        }
        if (received < 0) {
            return DecodeError(self, received);
        }
        const GstFlowReturn flow = Output(self, *self->picture);
        av_frame_unref(self->picture);
        if (flow != GST_FLOW_OK) {
            return flow;
        }
    }
}

// Opens the codec for the input's format, decoding on `threads`.
bool OpenCodec(VelvaroAvVideoDec* self, int threads) {
    const GstVideoCodecState* state = self->input;
    self->unitLengthSize = 0;
    const AVCodec* codec = avcodec_find_decoder(CodecOf(self)->id);
    self->context = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!self->context) {
        return false;
    }
    if (state->codec_data) {
        GstMapInfo map;
        if (gst_buffer_map(state->codec_data, &map, GST_MAP_READ)) {
            self->context->extradata =
                static_cast<uint8_t*>(av_mallocz(map.size + AV_INPUT_BUFFER_PADDING_SIZE));
            if (self->context->extradata) {
                std::memcpy(self->context->extradata, map.data, map.size);
                self->context->extradata_size = static_cast<int>(map.size);
            }
            if (const auto units = UnitCodecOf(self)) {
                self->unitLengthSize = UnitLengthSize(*units, {map.data, map.size});
            }
            gst_buffer_unmap(state->codec_data, &map);
        }
    }
    self->context->width = GST_VIDEO_INFO_WIDTH(&state->info);
    self->context->height = GST_VIDEO_INFO_HEIGHT(&state->info);
    self->context->thread_count = threads;
    self->context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    const int opened = avcodec_open2(self->context, codec, nullptr);
    if (opened < 0) {
        GST_ELEMENT_ERROR(self, LIBRARY, INIT, ("The film's decoder could not be started."),
                          ("avcodec_open2: %s", ErrorText(opened).c_str()));
        CloseCodec(self);
        return false;
    }
    GST_OBJECT_LOCK(self);
    self->openThreads = threads;
    GST_OBJECT_UNLOCK(self);
    return true;
}

gboolean SetFormat(GstVideoDecoder* decoder, GstVideoCodecState* state) {
    auto* self = Self(decoder);
    // The same format again, as parsers repeat it, keeps what the codec holds.
    if (self->context && self->input && gst_caps_is_equal(self->input->caps, state->caps)) {
        return TRUE;
    }
    if (self->context) {
        if (avcodec_send_packet(self->context, nullptr) >= 0) {
            TakePictures(self);
        }
    }
    CloseCodec(self);
    if (self->input) {
        gst_video_codec_state_unref(self->input);
    }
    self->input = gst_video_codec_state_ref(state);

    GST_OBJECT_LOCK(self);
    const int threads = self->maxThreads;  // 0: libavcodec counts the cores
    GST_OBJECT_UNLOCK(self);
    return OpenCodec(self, threads) ? TRUE : FALSE;
}

// The pictures an exact seek decodes without showing them are decoded on
// every core, the codec opened anew for them just after the flush; from the
// next picture after the target that starts afresh, the film plays on
// `maxThreads` again, which cost less memory and switching.
GstFlowReturn ChooseThreads(VelvaroAvVideoDec* self, const GstVideoCodecFrame* frame,
                            bool beforeTarget) {
    const auto units = UnitCodecOf(self);
    if (!units) {
        return GST_FLOW_OK;
    }
    GST_OBJECT_LOCK(self);
    const int steady = self->maxThreads;
    GST_OBJECT_UNLOCK(self);
    const int burst = std::max(1, av_cpu_count());
    const bool flushed = self->flushed;
    self->flushed = FALSE;
    if (!GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame)) {
        return GST_FLOW_OK;
    }
    const bool toBurst =
        beforeTarget && flushed && steady > 0 && burst > steady && self->openThreads != burst;
    const bool toSteady = !beforeTarget && self->openThreads != steady;
    const std::span<const std::uint8_t> picture{self->packet->data,
                                                static_cast<std::size_t>(self->packet->size)};
    if ((!toBurst && !toSteady) || !StartsAfresh(*units, picture, self->unitLengthSize)) {
        return GST_FLOW_OK;
    }
    const int wanted = toBurst ? burst : steady;
    GST_DEBUG_OBJECT(self, "decoding on %d threads from frame %u", wanted,
                     frame->system_frame_number);
    GstFlowReturn flow = GST_FLOW_OK;
    if (!flushed && avcodec_send_packet(self->context, nullptr) >= 0) {
        flow = TakePictures(self);
    }
    avcodec_free_context(&self->context);
    if (!OpenCodec(self, wanted)) {
        return GST_FLOW_ERROR;
    }
    return flow;
}

GstFlowReturn HandleFrame(GstVideoDecoder* decoder, GstVideoCodecFrame* frame) {
    auto* self = Self(decoder);
    if (!self->context) {
        gst_video_decoder_release_frame(decoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstMapInfo map;
    if (!gst_buffer_map(frame->input_buffer, &map, GST_MAP_READ)) {
        gst_video_decoder_release_frame(decoder, frame);
        return DecodeError(self, AVERROR(EIO));
    }
    av_fast_padded_malloc(&self->padded, &self->paddedSize, map.size);
    if (!self->padded) {
        gst_buffer_unmap(frame->input_buffer, &map);
        gst_video_decoder_release_frame(decoder, frame);
        return GST_FLOW_ERROR;
    }
    std::memcpy(self->padded, map.data, map.size);
    self->packet->data = self->padded;
    self->packet->size = static_cast<int>(map.size);
    gst_buffer_unmap(frame->input_buffer, &map);
    // The frame's number goes through as the packet's time and comes back
    // with its picture, reordered.
    self->packet->pts = frame->system_frame_number;
    self->packet->flags = GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame) ? AV_PKT_FLAG_KEY : 0;
    const guint32 number = frame->system_frame_number;
    const bool beforeTarget = EndsBeforeSegment(decoder, frame);
    GstFlowReturn flow = ChooseThreads(self, frame, beforeTarget);
    if (flow != GST_FLOW_OK) {
        gst_video_codec_frame_unref(frame);
        return flow;
    }
    // Late, or before an exact seek's target, the pictures no other refers
    // to are not decoded at all: they could only be thrown away. Their
    // frames go with the ones left behind.
    const bool skippable =
        !GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame) &&
        (beforeTarget || gst_video_decoder_get_max_decode_time(decoder, frame) < 0);
    self->context->skip_frame = skippable ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    // The base class keeps the frame until its picture comes.
    gst_video_codec_frame_unref(frame);

    int sent = avcodec_send_packet(self->context, self->packet);
    // Full: pictures are waiting to be taken first.
    for (int tries = 0; sent == AVERROR(EAGAIN) && tries < 16 && flow == GST_FLOW_OK; ++tries) {
        flow = TakePictures(self);
        sent = avcodec_send_packet(self->context, self->packet);
    }
    if (flow != GST_FLOW_OK) {
        return flow;
    }
    if (sent < 0) {
        if (GstVideoCodecFrame* lost =
                gst_video_decoder_get_frame(decoder, static_cast<int>(number))) {
            gst_video_decoder_release_frame(decoder, lost);
        }
        return DecodeError(self, sent);
    }
    return TakePictures(self);
}

// The pictures still held, at the end of the stream or of a reverse
// playback's stretch; the codec then takes packets again.
GstFlowReturn Drain(GstVideoDecoder* decoder) {
    auto* self = Self(decoder);
    if (!self->context) {
        return GST_FLOW_OK;
    }
    GstFlowReturn flow = GST_FLOW_OK;
    if (avcodec_send_packet(self->context, nullptr) >= 0) {
        flow = TakePictures(self);
    }
    avcodec_flush_buffers(self->context);
    return flow;
}

gboolean Flush(GstVideoDecoder* decoder) {
    auto* self = Self(decoder);
    if (self->context) {
        avcodec_flush_buffers(self->context);
    }
    self->flushed = TRUE;
    return TRUE;
}

gboolean DecideAllocation(GstVideoDecoder* decoder, GstQuery* query) {
    auto* self = Self(decoder);
    GstPad* output = GST_VIDEO_DECODER_SRC_PAD(decoder);
    // A seek flushing downstream leaves the question unanswered: the choice
    // made before stands, and the next picture asks again.
    if (GST_PAD_IS_FLUSHING(output)) {
        gst_pad_mark_reconfigure(output);
    } else {
        self->wrapPictures =
            gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    }
    GST_DEBUG_OBJECT(self, "pictures %s", self->wrapPictures ? "passed on" : "copied");
    return GST_VIDEO_DECODER_CLASS(velvaro_av_video_dec_parent_class)
        ->decide_allocation(decoder, query);
}

gboolean Stop(GstVideoDecoder* decoder) {
    auto* self = Self(decoder);
    CloseCodec(self);
    if (self->input) {
        gst_video_codec_state_unref(self->input);
        self->input = nullptr;
    }
    return TRUE;
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    if (id != kMaxThreads) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        return;
    }
    GST_OBJECT_LOCK(object);
    Self(object)->maxThreads = g_value_get_int(value);
    GST_OBJECT_UNLOCK(object);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    if (id != kMaxThreads && id != kThreads) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        return;
    }
    GST_OBJECT_LOCK(object);
    g_value_set_int(value,
                    id == kMaxThreads ? Self(object)->maxThreads : Self(object)->openThreads);
    GST_OBJECT_UNLOCK(object);
}

void Finalize(GObject* object) {
    auto* self = Self(object);
    CloseCodec(self);
    if (self->input) {
        gst_video_codec_state_unref(self->input);
    }
    av_packet_free(&self->packet);
    av_frame_free(&self->picture);
    av_freep(&self->padded);
    G_OBJECT_CLASS(velvaro_av_video_dec_parent_class)->finalize(object);
}

void velvaro_av_video_dec_class_init(VelvaroAvVideoDecClass* klass) {
    auto* object = G_OBJECT_CLASS(klass);
    object->set_property = &SetProperty;
    object->get_property = &GetProperty;
    object->finalize = &Finalize;
    g_object_class_install_property(
        object, kMaxThreads,
        g_param_spec_int("max-threads", "Maximum threads",
                         "Threads decoding at once; 0 takes one for each core", 0, G_MAXINT, 0,
                         static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, kThreads,
        g_param_spec_int("threads", "Threads", "Threads the open codec decodes on", 0, G_MAXINT, 0,
                         static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    auto* video = GST_VIDEO_DECODER_CLASS(klass);
    video->stop = &Stop;
    video->set_format = &SetFormat;
    video->handle_frame = &HandleFrame;
    video->flush = &Flush;
    video->finish = &Drain;
    video->drain = &Drain;
    video->decide_allocation = &DecideAllocation;
}

void velvaro_av_video_dec_init(VelvaroAvVideoDec* self) {
    self->packet = av_packet_alloc();
    self->picture = av_frame_alloc();
    self->outFormat = AV_PIX_FMT_NONE;
    auto* decoder = GST_VIDEO_DECODER(self);
    gst_video_decoder_set_packetized(decoder, TRUE);
    gst_video_decoder_set_needs_format(decoder, TRUE);
    gst_video_decoder_set_use_default_pad_acceptcaps(decoder, TRUE);
    GST_PAD_SET_ACCEPT_TEMPLATE(GST_VIDEO_DECODER_SINK_PAD(decoder));
}

void CodecClassInit(gpointer klass, gpointer data) {
    const auto* codec = static_cast<const Codec*>(data);
    reinterpret_cast<VelvaroAvVideoDecClass*>(klass)->codec = codec;
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, codec->longName, "Codec/Decoder/Video",
                                          "Decodes the film's pictures with libavcodec",
                                          "Velvaro developers");
    GstCaps* input = gst_caps_from_string(codec->caps);
    GstCaps* output = gst_caps_from_string(kOutputCaps);
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, input));
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, output));
    gst_caps_unref(input);
    gst_caps_unref(output);
}

}  // namespace

bool RegisterAvVideoDecoders(guint rank) {
    GST_DEBUG_CATEGORY_INIT(velvaro_av_video_dec_debug, "velvaroavdec", 0,
                            "Velvaro's decoders over libavcodec");
    bool any = false;
    for (const Codec& codec : kCodecs) {
        if (!avcodec_find_decoder(codec.id)) {
            continue;
        }
        GType type = g_type_from_name(codec.typeName);
        if (!type) {
            GTypeInfo info{};
            info.class_size = sizeof(VelvaroAvVideoDecClass);
            info.class_init = &CodecClassInit;
            info.class_data = &codec;
            info.instance_size = sizeof(VelvaroAvVideoDec);
            type = g_type_register_static(velvaro_av_video_dec_get_type(), codec.typeName, &info,
                                          static_cast<GTypeFlags>(0));
        }
        any = gst_element_register(nullptr, codec.element, rank, type) || any;
    }
    return any;
}

}  // namespace velvaro::decoders
