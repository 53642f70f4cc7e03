#include "GstPictureViews.h"

namespace velvaro::engine {

bool IsFrameScalerFormat(GstVideoFormat format) {
    return format == GST_VIDEO_FORMAT_I420 || format == GST_VIDEO_FORMAT_YV12 ||
           format == GST_VIDEO_FORMAT_NV12;
}

YuvMatrix MatrixOf(const GstVideoInfo& info) {
    YuvMatrix matrix;
    gdouble kr = 0.0;
    gdouble kb = 0.0;
    if (gst_video_color_matrix_get_Kr_Kb(info.colorimetry.matrix, &kr, &kb)) {
        matrix.kr = kr;
        matrix.kb = kb;
    } else if (info.height <= 576) {
        matrix.kr = 0.299;
        matrix.kb = 0.114;
    }
    matrix.fullRange = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
    return matrix;
}

PlaneView ComponentOf(const GstVideoFrame* frame, guint component) {
    return PlaneView{static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(frame, component)),
                     GST_VIDEO_FRAME_COMP_STRIDE(frame, component),
                     GST_VIDEO_FRAME_COMP_WIDTH(frame, component),
                     GST_VIDEO_FRAME_COMP_HEIGHT(frame, component),
                     GST_VIDEO_FRAME_COMP_PSTRIDE(frame, component)};
}

}  // namespace velvaro::engine
