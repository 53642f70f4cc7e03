// The module the player loads beside GStreamer, in the background, to add
// its own decoders; without it, GStreamer's libav plugin decodes.
#include "AvVideoDecoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <array>
#include <cstdarg>

namespace {

GST_DEBUG_CATEGORY_STATIC(libavcodecDebug);

// libavcodec's own messages go to GStreamer's log, not to the terminal.
void LogToGstreamer(void* context, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_VERBOSE ||
        gst_debug_category_get_threshold(libavcodecDebug) < GST_LEVEL_DEBUG) {
        return;
    }
    std::array<char, 1024> line{};
    int prefix = 1;
    av_log_format_line(context, level, format, arguments, line.data(), line.size(), &prefix);
    GST_CAT_DEBUG(libavcodecDebug, "%s", line.data());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) gboolean velvaro_register_decoders(guint rank) {
    GST_DEBUG_CATEGORY_INIT(libavcodecDebug, "velvarolibavcodec", 0, "libavcodec's messages");
    av_log_set_callback(&LogToGstreamer);
    return velvaro::decoders::RegisterAvVideoDecoders(rank) ? TRUE : FALSE;
}
