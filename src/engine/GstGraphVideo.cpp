// The picture: sizes, rectangles, the current image and the video window.
#include "GstFilterGraph.h"
#include "GstVideoScaler.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>

namespace velvaro::engine {

namespace {

// A buffer's memory, readable while this lives.
class MappedBuffer {
public:
    explicit MappedBuffer(GstBuffer* buffer)
        : buffer_(buffer), mapped_(gst_buffer_map(buffer, &map_, GST_MAP_READ)) {}
    ~MappedBuffer() {
        if (mapped_) {
            gst_buffer_unmap(buffer_, &map_);
        }
    }
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;
    bool Mapped() const { return mapped_; }
    const std::uint8_t* Data() const { return map_.data; }

private:
    GstBuffer* buffer_;
    GstMapInfo map_{};
    bool mapped_;
};

}  // namespace

HRESULT GstFilterGraph::NativeVideoInfo(GstVideoInfo* info) const {
    if (!crop_) {
        return E_NOINTERFACE;
    }
    // The film's pictures as decoded: a deinterlacer makes two of each
    // interlaced one, at the same size.
    const GstElementHandle deinterlacer = Deinterlacer();
    GstPadHandle input(
        gst_element_get_static_pad(deinterlacer ? deinterlacer.get() : crop_, "sink"));
    GstCapsHandle caps(gst_pad_get_current_caps(input.get()));
    if (!caps || !gst_video_info_from_caps(info, caps.get())) {
        return VFW_E_NOT_CONNECTED;
    }
    return S_OK;
}

HRESULT GstFilterGraph::SetSourcePosition(long left, long top, long width, long height) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    if (width <= 0 || height <= 0) {
        return E_INVALIDARG;
    }
    const auto clamp = [](long value) { return static_cast<gint>(std::max(0L, value)); };
    g_object_set(crop_, "left", clamp(left), "top", clamp(top), "right",
                 clamp(info.width - left - width), "bottom", clamp(info.height - top - height),
                 nullptr);
    return S_OK;
}

void GstFilterGraph::ApplyScaledSize(int width, int height) {
    const QSize size(width, height);
    if (size == scaledSize_ || width <= 0 || height <= 0) {
        return;
    }
    scaledSize_ = size;
    // The size matters only to pictures the scaler turns into BGRx.
    GstCapsHandle caps(WindowCaps(width, height));
    g_object_set(scaledCaps_, "caps", caps.get(), nullptr);
}

HRESULT GstFilterGraph::SetDestinationPosition(long left, long top, long width, long height) {
    if (!HaveVideo()) {
        return E_NOINTERFACE;
    }
    if (width <= 0 || height <= 0) {
        return E_INVALIDARG;
    }
    ApplyScaledSize(static_cast<int>(width), static_cast<int>(height));
    if (output_) {
        output_->SetDestination(QRect(static_cast<int>(left), static_cast<int>(top),
                                      static_cast<int>(width), static_cast<int>(height)));
    }
    return S_OK;
}

HRESULT GstFilterGraph::GetDestinationPosition(long* left, long* top, long* width, long* height) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    // An empty destination fills the window, as a view draws it.
    const QRect destination = output_->Destination().isEmpty()
                                  ? QRect(QPoint(), output_->Area().size())
                                  : output_->Destination();
    *left = destination.left();
    *top = destination.top();
    *width = destination.width();
    *height = destination.height();
    return S_OK;
}

HRESULT GstFilterGraph::GetVideoSize(long* width, long* height) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    *width = info.width;
    *height = info.height;
    return S_OK;
}

HRESULT GstFilterGraph::GetPreferredAspectRatio(long* x, long* y) {
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    const long parN = info.par_n > 0 ? info.par_n : 1;
    const long parD = info.par_d > 0 ? info.par_d : 1;
    long ratioX = info.width * parN;
    long ratioY = info.height * parD;
    const long divisor = std::gcd(ratioX, ratioY);
    if (divisor > 0) {
        ratioX /= divisor;
        ratioY /= divisor;
    }
    *x = ratioX;
    *y = ratioY;
    return S_OK;
}

HRESULT GstFilterGraph::GetCurrentImage(long* size, long* image) {
    if (!size) {
        return E_POINTER;
    }
    GstVideoInfo info;
    if (const HRESULT hr = NativeVideoInfo(&info); FAILED(hr)) {
        return hr;
    }
    const int width = info.width;
    const int height = info.height;
    const int stride = (width * 3 + 3) & ~3;
    const long needed = 40 + static_cast<long>(stride) * height;
    if (!image) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed) {
        return E_INVALIDARG;
    }
    GstBufferHandle buffer;
    {
        std::lock_guard lock(mutex_);
        if (!lastBuffer_) {
            return E_UNEXPECTED;
        }
        buffer.reset(gst_buffer_ref(lastBuffer_.get()));
    }
    GstPadHandle input(gst_element_get_static_pad(crop_, "sink"));
    GstCapsHandle caps(gst_pad_get_current_caps(input.get()));
    GstSampleHandle sample(gst_sample_new(buffer.get(), caps.get(), nullptr, nullptr));
    GstCapsHandle bgr(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width",
                                          G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                          nullptr));
    GError* failure = nullptr;
    GstSampleHandle converted(
        gst_video_convert_sample(sample.get(), bgr.get(), 5 * GST_SECOND, &failure));
    if (const GErrorHandle error{failure}) {
        qCWarning(lcEngine) << "Converting the current image failed:" << error->message;
    }
    if (!converted) {
        return E_FAIL;
    }
    GstVideoInfo convertedInfo;
    if (!gst_video_info_from_caps(&convertedInfo, gst_sample_get_caps(converted.get()))) {
        return E_FAIL;
    }
    const MappedBuffer pixels(gst_sample_get_buffer(converted.get()));
    if (!pixels.Mapped()) {
        return E_FAIL;
    }
    auto* out = reinterpret_cast<std::uint8_t*>(image);
    const std::uint32_t header[10] = {40u,
                                      static_cast<std::uint32_t>(width),
                                      static_cast<std::uint32_t>(height),
                                      1u | (24u << 16),  // one plane, 24 bits per pixel
                                      0u,                // uncompressed
                                      static_cast<std::uint32_t>(stride * height),
                                      0u,
                                      0u,
                                      0u,
                                      0u};
    std::memcpy(out, header, sizeof header);
    const int sourceStride = GST_VIDEO_INFO_PLANE_STRIDE(&convertedInfo, 0);
    // Device-independent bitmaps keep their rows bottom-up.
    for (int row = 0; row < height; ++row) {
        std::uint8_t* target = out + 40 + static_cast<size_t>(height - 1 - row) * stride;
        std::memcpy(target, pixels.Data() + static_cast<size_t>(row) * sourceStride,
                    static_cast<size_t>(width) * 3);
        std::memset(target + width * 3, 0, static_cast<size_t>(stride - width * 3));
    }
    *size = needed;
    return S_OK;
}

HRESULT GstFilterGraph::IsUsingDefaultSource() {
    return HaveVideo() ? S_OK : E_NOINTERFACE;
}

HRESULT GstFilterGraph::put_Visible(bool visible) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    output_->SetVisible(visible);
    return S_OK;
}

HRESULT GstFilterGraph::put_BorderColor(long colour) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    // COLORREF: 0x00BBGGRR.
    output_->SetBorder(QColor(static_cast<int>(colour & 0xFF),
                              static_cast<int>((colour >> 8) & 0xFF),
                              static_cast<int>((colour >> 16) & 0xFF)));
    return S_OK;
}

HRESULT GstFilterGraph::SetWindowPosition(long left, long top, long width, long height) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    output_->SetArea(QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                           static_cast<int>(height)));
    return S_OK;
}

HRESULT GstFilterGraph::GetWindowPosition(long* left, long* top, long* width, long* height) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    const QRect area = output_->Area();
    *left = area.left();
    *top = area.top();
    *width = area.width();
    *height = area.height();
    return S_OK;
}

HRESULT GstFilterGraph::HideCursor(bool hide) {
    if (!output_) {
        return E_NOINTERFACE;
    }
    output_->SetCursorHidden(hide);
    return S_OK;
}

HRESULT GstFilterGraph::get_AvgFrameRate(int* rate) {
    if (!videoSink_) {
        return E_NOINTERFACE;
    }
    std::lock_guard lock(mutex_);
    // Frames actually shown per second, over the last two seconds at most.
    const auto now = std::chrono::steady_clock::now();
    while (!frameTimes_.empty() && now - frameTimes_.front() > kFrameRateWindow) {
        frameTimes_.pop_front();
    }
    double average = 0.0;
    if (frameTimes_.size() >= 2) {
        const std::chrono::duration<double> span = frameTimes_.back() - frameTimes_.front();
        if (span.count() > 0) {
            average = static_cast<double>(frameTimes_.size() - 1) / span.count();
        }
    }
    *rate = static_cast<int>(average * 100.0);
    return S_OK;
}

}  // namespace velvaro::engine
