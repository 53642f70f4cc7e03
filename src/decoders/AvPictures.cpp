#include "AvPictures.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <array>

namespace velvaro::decoders {

namespace {

void FreeHeldPicture(gpointer picture) {
    auto* held = static_cast<AVFrame*>(picture);
    av_frame_free(&held);
}

}  // namespace

GstVideoFormat FormatOf(int pixelFormat) {
    switch (pixelFormat) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUVJ420P:
            return GST_VIDEO_FORMAT_I420;
        case AV_PIX_FMT_YUV422P:
        case AV_PIX_FMT_YUVJ422P:
            return GST_VIDEO_FORMAT_Y42B;
        case AV_PIX_FMT_YUV444P:
        case AV_PIX_FMT_YUVJ444P:
            return GST_VIDEO_FORMAT_Y444;
        case AV_PIX_FMT_NV12:
            return GST_VIDEO_FORMAT_NV12;
        case AV_PIX_FMT_GRAY8:
            return GST_VIDEO_FORMAT_GRAY8;
        case AV_PIX_FMT_YUV420P10LE:
            return GST_VIDEO_FORMAT_I420_10LE;
        case AV_PIX_FMT_YUV422P10LE:
            return GST_VIDEO_FORMAT_I422_10LE;
        case AV_PIX_FMT_YUV444P10LE:
            return GST_VIDEO_FORMAT_Y444_10LE;
        case AV_PIX_FMT_YUV420P12LE:
            return GST_VIDEO_FORMAT_I420_12LE;
        case AV_PIX_FMT_YUV422P12LE:
            return GST_VIDEO_FORMAT_I422_12LE;
        case AV_PIX_FMT_YUV444P12LE:
            return GST_VIDEO_FORMAT_Y444_12LE;
        case AV_PIX_FMT_GBRP:
            return GST_VIDEO_FORMAT_GBR;
        case AV_PIX_FMT_GBRP10LE:
            return GST_VIDEO_FORMAT_GBR_10LE;
        default:
            return GST_VIDEO_FORMAT_UNKNOWN;
    }
}

void TakeColours(const AVFrame& picture, GstVideoInfo* info) {
    if (!GST_VIDEO_INFO_IS_YUV(info)) {
        return;
    }
    GstVideoColorimetry& colours = info->colorimetry;
    if (picture.color_range == AVCOL_RANGE_JPEG || picture.format == AV_PIX_FMT_YUVJ420P ||
        picture.format == AV_PIX_FMT_YUVJ422P || picture.format == AV_PIX_FMT_YUVJ444P) {
        colours.range = GST_VIDEO_COLOR_RANGE_0_255;
    } else if (picture.color_range == AVCOL_RANGE_MPEG) {
        colours.range = GST_VIDEO_COLOR_RANGE_16_235;
    }
    // libavcodec's values are the ones of ISO/IEC 23001-8, as GStreamer's
    // conversions take them.
    if (picture.colorspace != AVCOL_SPC_UNSPECIFIED) {
        const GstVideoColorMatrix matrix = gst_video_color_matrix_from_iso(picture.colorspace);
        if (matrix != GST_VIDEO_COLOR_MATRIX_UNKNOWN && matrix != GST_VIDEO_COLOR_MATRIX_RGB) {
            colours.matrix = matrix;
        }
    }
    if (picture.color_primaries != AVCOL_PRI_UNSPECIFIED) {
        const GstVideoColorPrimaries primaries =
            gst_video_color_primaries_from_iso(picture.color_primaries);
        if (primaries != GST_VIDEO_COLOR_PRIMARIES_UNKNOWN) {
            colours.primaries = primaries;
        }
    }
    if (picture.color_trc != AVCOL_TRC_UNSPECIFIED) {
        const GstVideoTransferFunction transfer =
            gst_video_transfer_function_from_iso(picture.color_trc);
        if (transfer != GST_VIDEO_TRANSFER_UNKNOWN) {
            colours.transfer = transfer;
        }
    }
}

GstFlowReturn WrapPicture(const AVFrame& picture, const GstVideoInfo& info,
                          GstVideoCodecFrame* frame) {
    GstBuffer* buffer = gst_buffer_new();
    std::array<gsize, GST_VIDEO_MAX_PLANES> offsets{};
    std::array<gint, GST_VIDEO_MAX_PLANES> strides{};
    gsize offset = 0;
    for (guint plane = 0; plane < GST_VIDEO_INFO_N_PLANES(&info); ++plane) {
        AVFrame* held = picture.linesize[plane] > 0 ? av_frame_clone(&picture) : nullptr;
        if (!held) {
            gst_buffer_unref(buffer);
            return GST_FLOW_ERROR;
        }
        const gsize size = static_cast<gsize>(picture.linesize[plane]) *
                           static_cast<gsize>(GST_VIDEO_INFO_COMP_HEIGHT(&info, plane));
        gst_buffer_append_memory(
            buffer, gst_memory_new_wrapped(GST_MEMORY_FLAG_READONLY, picture.data[plane], size, 0,
                                           size, held, &FreeHeldPicture));
        offsets[plane] = offset;
        strides[plane] = picture.linesize[plane];
        offset += size;
    }
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_INFO_FORMAT(&info),
                                   GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                   GST_VIDEO_INFO_N_PLANES(&info), offsets.data(), strides.data());
    frame->output_buffer = buffer;
    return GST_FLOW_OK;
}

GstFlowReturn CopyPicture(GstVideoDecoder* decoder, const AVFrame& picture,
                          const GstVideoInfo& info, GstVideoCodecFrame* frame) {
    const GstFlowReturn allocated = gst_video_decoder_allocate_output_frame(decoder, frame);
    if (allocated != GST_FLOW_OK) {
        return allocated;
    }
    GstVideoFrame out;
    if (!gst_video_frame_map(&out, &info, frame->output_buffer, GST_MAP_WRITE)) {
        GST_ELEMENT_ERROR(decoder, RESOURCE, WRITE, (nullptr), ("output picture not writable"));
        return GST_FLOW_ERROR;
    }
    // The planes of both come in the same order, component by component.
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&out); ++plane) {
        av_image_copy_plane(
            static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&out, plane)),
            GST_VIDEO_FRAME_PLANE_STRIDE(&out, plane), picture.data[plane], picture.linesize[plane],
            GST_VIDEO_FRAME_COMP_WIDTH(&out, plane) * GST_VIDEO_FRAME_COMP_PSTRIDE(&out, plane),
            GST_VIDEO_FRAME_COMP_HEIGHT(&out, plane));
    }
    gst_video_frame_unmap(&out);
    return GST_FLOW_OK;
}

}  // namespace velvaro::decoders
