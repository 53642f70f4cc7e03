// Deinterlacing in the video renderer, between the decoder's hand-over and
// the subtitle overlay: text drawn on the whole picture stays sharp.
#include "GstFilterGraph.h"

#include <atomic>

namespace velvaro::engine {

namespace {

std::atomic<Deinterlacing> newGraphs{Deinterlacing::Automatic};

const char* ModeOf(Deinterlacing mode) {
    switch (mode) {
        case Deinterlacing::On:
            return "interlaced";
        case Deinterlacing::Off:
            return "disabled";
        case Deinterlacing::Automatic:
            break;
    }
    return "auto";
}

}  // namespace

void SetDeinterlacingOfNewGraphs(Deinterlacing mode) {
    newGraphs = mode;
}

Deinterlacing DeinterlacingOfNewGraphs() {
    return newGraphs;
}

GstElementHandle MakeDeinterlacer(ElementMaker& maker, Deinterlacing mode) {
    GstElementHandle deinterlacer = maker.Make("deinterlace", kDeinterlacerName);
    if (deinterlacer) {
        // Every field becomes a picture: motion keeps the film's 50 or 60
        // steps a second, where one picture per frame would halve them.
        gst_util_set_object_arg(G_OBJECT(deinterlacer.get()), "fields", "all");
        gst_util_set_object_arg(G_OBJECT(deinterlacer.get()), "method", kDeinterlaceMethod);
        gst_util_set_object_arg(G_OBJECT(deinterlacer.get()), "mode", ModeOf(mode));
    }
    return deinterlacer;
}

GstElementHandle GstFilterGraph::Deinterlacer() const {
    return GstElementHandle(
        videoRenderer_ ? gst_bin_get_by_name(GST_BIN(videoRenderer_), kDeinterlacerName) : nullptr);
}

HRESULT GstFilterGraph::SetDeinterlacing(Deinterlacing mode) {
    const GstElementHandle deinterlacer = Deinterlacer();
    if (!deinterlacer) {
        return E_NOINTERFACE;
    }
    if (mode == deinterlacing_) {
        return S_FALSE;
    }
    deinterlacing_ = mode;
    // Takes effect with the next picture that reaches it.
    gst_util_set_object_arg(G_OBJECT(deinterlacer.get()), "mode", ModeOf(mode));
    if (logicalState_ != State_Running) {
        ShowChangedPicture();
    }
    return S_OK;
}

void GstFilterGraph::ShowChangedPicture() {
    ShowAgain();
}

}  // namespace velvaro::engine
