// What an exact seek costs in decoding alone, the floor under every
// player's figure: the clip's H.264 pictures read into memory first, then
// for each frame libavcodec, on every core, flushed, decodes from the key
// frame before it up to it, leaving out the pictures before it that no
// other refers to. One line per seek, `seek_ms=<ms>`, from the flush to the
// frame's picture.
//
//   bench_decode_floor CLIP FRAME...
//
// CLIP is an MP4 file with H.264 video; FRAME counts from 0 in the order
// the pictures are shown.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/cpu.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Packet {
    std::vector<uint8_t> bytes;  // with libavcodec's zeroed tail
    GstClockTime pts;
    GstClockTime end;
    bool key;
};

struct Clip {
    std::vector<uint8_t> codecData;
    std::vector<Packet> packets;  // in decoding order
};

bool Read(const char* path, Clip& clip) {
    gchar* location = g_strescape(path, nullptr);
    const std::string launch =
        std::string("filesrc location=\"") + location +
        "\" ! qtdemux ! h264parse ! video/x-h264, stream-format=avc, alignment=au "
        "! appsink name=sink sync=false";
    g_free(location);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.c_str(), &error);
    if (!pipeline) {
        std::fprintf(stderr, "bench_decode_floor: %s\n", error ? error->message : "no pipeline");
        g_clear_error(&error);
        return false;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        if (clip.codecData.empty()) {
            const GstStructure* caps = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
            if (const GValue* value = gst_structure_get_value(caps, "codec_data")) {
                GstMapInfo map;
                GstBuffer* data = gst_value_get_buffer(value);
                if (gst_buffer_map(data, &map, GST_MAP_READ)) {
                    clip.codecData.assign(map.data, map.data + map.size);
                    gst_buffer_unmap(data, &map);
                }
            }
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            Packet packet{{map.data, map.data + map.size},
                          GST_BUFFER_PTS(buffer),
                          GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer),
                          !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT)};
            packet.bytes.resize(map.size + AV_INPUT_BUFFER_PADDING_SIZE);
            clip.packets.push_back(std::move(packet));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return !clip.packets.empty() && !clip.codecData.empty();
}

struct Codec {
    AVCodecContext* context = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    ~Codec() {
        av_frame_free(&picture);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
};

bool Open(const Clip& clip, Codec& codec) {
    const AVCodec* h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
    codec.context = h264 ? avcodec_alloc_context3(h264) : nullptr;
    if (!codec.context || !codec.packet || !codec.picture) {
        return false;
    }
    AVCodecContext* context = codec.context;
    context->extradata =
        static_cast<uint8_t*>(av_mallocz(clip.codecData.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!context->extradata) {
        return false;
    }
    std::memcpy(context->extradata, clip.codecData.data(), clip.codecData.size());
    context->extradata_size = static_cast<int>(clip.codecData.size());
    context->thread_count = std::max(1, av_cpu_count());
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    return avcodec_open2(context, h264, nullptr) == 0;
}

// Milliseconds from the flush to the picture shown at `target`, or a
// negative number when it never came.
double DecodeUpTo(const Clip& clip, Codec& codec, GstClockTime target) {
    std::size_t first = 0;
    for (std::size_t i = 0; i < clip.packets.size(); ++i) {
        if (clip.packets[i].key && clip.packets[i].pts <= target) {
            first = i;
        }
    }
    AVCodecContext* context = codec.context;
    bool reached = false;
    auto take = [&] {
        while (!reached && avcodec_receive_frame(context, codec.picture) == 0) {
            reached = codec.picture->pts == static_cast<int64_t>(target);
            av_frame_unref(codec.picture);
        }
    };
    const auto start = std::chrono::steady_clock::now();
    avcodec_flush_buffers(context);
    for (std::size_t i = first; i < clip.packets.size() && !reached; ++i) {
        const Packet& coded = clip.packets[i];
        codec.packet->data = const_cast<uint8_t*>(coded.bytes.data());
        codec.packet->size = static_cast<int>(coded.bytes.size() - AV_INPUT_BUFFER_PADDING_SIZE);
        codec.packet->pts = static_cast<int64_t>(coded.pts);
        codec.packet->flags = coded.key ? AV_PKT_FLAG_KEY : 0;
        context->skip_frame =
            !coded.key && coded.end <= target ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        while (avcodec_send_packet(context, codec.packet) == AVERROR(EAGAIN) && !reached) {
            take();
        }
        take();
    }
    if (!reached && avcodec_send_packet(context, nullptr) == 0) {
        take();
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return reached ? took.count() : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_decode_floor CLIP FRAME...\n");
        return 2;
    }
    Clip clip;
    Codec codec;
    if (!Read(argv[1], clip) || !Open(clip, codec)) {
        std::fprintf(stderr, "bench_decode_floor: no H.264 pictures decoded from %s\n", argv[1]);
        return 1;
    }
    std::vector<GstClockTime> shown;
    for (const Packet& packet : clip.packets) {
        shown.push_back(packet.pts);
    }
    std::sort(shown.begin(), shown.end());
    for (int i = 2; i < argc; ++i) {
        const long frame = std::strtol(argv[i], nullptr, 10);
        if (frame < 0 || static_cast<std::size_t>(frame) >= shown.size()) {
            std::fprintf(stderr, "bench_decode_floor: no frame %s\n", argv[i]);
            return 1;
        }
        const double took = DecodeUpTo(clip, codec, shown[static_cast<std::size_t>(frame)]);
        if (took < 0) {
            std::fprintf(stderr, "bench_decode_floor: frame %s never came\n", argv[i]);
            return 1;
        }
        std::printf("seek_ms=%.1f\n", took);
        std::fflush(stdout);
    }
    return 0;
}
