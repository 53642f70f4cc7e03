// Running, seeking, events and sound of the filter graph.
#include "GstFilterGraph.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace velvaro::engine {

bool GstFilterGraph::SeekPipeline(double rate, gint64 position, GstSeekFlags flags) {
    // The subtitle parser has its file read again from the start and takes
    // the seek's timing only after that; a file read in one piece can come
    // through first, its text timed as before the seek. It waits until the
    // seek is done.
    const SourceDataHold hold(subtitleSource_);
    GstElement* pipeline = pipeline_.get();
    return rate > 0 ? gst_element_seek(pipeline, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                       position, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)
                    : gst_element_seek(pipeline, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                                       GST_SEEK_TYPE_SET, position);
}

HRESULT GstFilterGraph::SetPipelineState(GstState state, long logical) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    lastChange_ = std::chrono::steady_clock::now();
    ++happenings_;
    if (state == GST_STATE_PLAYING) {
        std::lock_guard lock(mutex_);
        aborted_ = false;  // a new error is news again
    }
    // Playing from the network waits, paused, while the buffer fills.
    std::unique_lock hold(hold_->mutex);
    hold_->running = logical == State_Running;
    const GstState reached = hold_->running && hold_->percent < 100 ? GST_STATE_PAUSED : state;
    if (gst_element_set_state(pipeline_.get(), reached) == GST_STATE_CHANGE_FAILURE) {
        return E_FAIL;
    }
    logicalState_ = logical;
    return S_OK;
}

HRESULT GstFilterGraph::Run() {
    return SetPipelineState(GST_STATE_PLAYING, State_Running);
}

HRESULT GstFilterGraph::Pause() {
    return SetPipelineState(GST_STATE_PAUSED, State_Paused);
}

HRESULT GstFilterGraph::Stop() {
    // Stopped keeps the pipeline paused, so the last frame stays.
    return SetPipelineState(GST_STATE_PAUSED, State_Stopped);
}

HRESULT GstFilterGraph::StopWhenReady() {
    return Stop();
}

HRESULT GstFilterGraph::GetState(long timeoutMs, long* state) {
    if (!state) {
        return E_POINTER;
    }
    *state = logicalState_;
    if (!source_) {
        return S_OK;
    }
    const GstStateChangeReturn result =
        gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                              static_cast<GstClockTime>(std::max(0L, timeoutMs)) * GST_MSECOND);
    if (result == GST_STATE_CHANGE_FAILURE) {
        return E_FAIL;
    }
    // A seek into the last frame of some films never completes its preroll;
    // after a while report the state reached rather than freeze the caller.
    if (result == GST_STATE_CHANGE_ASYNC &&
        std::chrono::steady_clock::now() - lastChange_ > kLongestStateChange) {
        return S_OK;
    }
    return result == GST_STATE_CHANGE_ASYNC ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

// Main thread. Playing, the clock moves the answer; standing still, only
// what counts as a happening does.
bool GstFilterGraph::QueryWhileStill(GstFormat format, bool duration, gint64* value) {
    StillAnswer& kept = duration ? stillDuration_ : stillPosition_;
    const std::uint64_t now = happenings_;
    const bool still = logicalState_ != State_Running;
    if (still && kept.asOf == now) {
        *value = kept.value;
        return true;
    }
    const bool answered = duration ? gst_element_query_duration(pipeline_.get(), format, value)
                                   : QueryPosition(format, value);
    // Only an answer nothing happened during is kept.
    kept.asOf = still && answered && happenings_ == now ? now : ~std::uint64_t{0};
    kept.value = *value;
    return answered;
}

HRESULT GstFilterGraph::SetTimeFormat(TimeFormat format) {
    if (format == TimeFormat::Frame) {
        GstVideoInfo info;
        if (FAILED(NativeVideoInfo(&info)) || info.fps_n <= 0 || info.fps_d <= 0) {
            return E_FAIL;
        }
    }
    timeFormat_ = format;
    return S_OK;
}

HRESULT GstFilterGraph::GetDuration(LONGLONG* duration) {
    gint64 nanoseconds = 0;
    if (!duration) {
        return E_POINTER;
    }
    if (!source_ || !QueryWhileStill(GST_FORMAT_TIME, true, &nanoseconds)) {
        return E_FAIL;
    }
    *duration = nanoseconds / 100;
    return S_OK;
}

HRESULT GstFilterGraph::GetCurrentPosition(LONGLONG* position) {
    gint64 nanoseconds = 0;
    if (!position) {
        return E_POINTER;
    }
    if (!source_ || !QueryWhileStill(GST_FORMAT_TIME, false, &nanoseconds)) {
        return E_FAIL;
    }
    if (timeFormat_ == TimeFormat::Frame) {
        GstVideoInfo info;
        if (FAILED(NativeVideoInfo(&info)) || info.fps_n <= 0 || info.fps_d <= 0) {
            return E_FAIL;
        }
        // The frame on the screen: a step moves the picture, not the clock.
        if (const gint64 shown = shownFrameTime_; shown >= 0) {
            nanoseconds = shown;
        }
        // Rounded: containers keep times in whole milliseconds, so the 30th
        // of a second may be stored as 33 ms.
        *position = static_cast<LONGLONG>(gst_util_uint64_scale_round(
            static_cast<guint64>(nanoseconds), static_cast<guint64>(info.fps_n),
            static_cast<guint64>(info.fps_d) * GST_SECOND));
        return S_OK;
    }
    *position = nanoseconds / 100;
    return S_OK;
}

HRESULT GstFilterGraph::Seek(double rate, gint64 position, GstElement* waitForText) {
    // A server without ranges is not asked: the stream would break off.
    if (!CanSeek()) {
        return E_NOTIMPL;
    }
    keyFrameSeeks_.Drop();
    lastChange_ = std::chrono::steady_clock::now();
    ++happenings_;
    // Text that is there comes within a few milliseconds, 20 on a busy
    // machine; for a moment without text, the film's own subtitles send
    // nothing, and the wait is all lost.
    constexpr GstClockTime kTextWaitLimit = 250 * GST_MSECOND;
    if (waitForText) {
        textWait_.Begin(waitForText, kTextWaitLimit);
    } else {
        textWait_.End();
    }
    const bool done = SeekPipeline(
        rate, position, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE));
    StreamsFlushed();
    return done ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::SeekKeyFrame(gint64 position) {
    if (!CanSeek()) {
        return E_NOTIMPL;
    }
    lastChange_ = std::chrono::steady_clock::now();
    ++happenings_;
    textWait_.End();
    const bool done =
        SeekPipeline(rate_, position,
                     static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT |
                                               GST_SEEK_FLAG_SNAP_NEAREST));
    StreamsFlushed();
    return done ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::SetPositions(LONGLONG* current, unsigned currentFlags, LONGLONG*,
                                     unsigned) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    if (!current || (currentFlags & AM_SEEKING_AbsolutePositioning) == 0) {
        return S_OK;
    }
    gint64 position = std::max<LONGLONG>(0, *current) * 100;
    if (timeFormat_ == TimeFormat::Frame) {
        GstVideoInfo info;
        if (FAILED(NativeVideoInfo(&info)) || info.fps_n <= 0 || info.fps_d <= 0) {
            return E_FAIL;
        }
        // A quarter into the frame: inside it however its time was rounded.
        const auto quarters = static_cast<guint64>(std::max<LONGLONG>(0, *current)) * 4 + 1;
        position = static_cast<gint64>(
            gst_util_uint64_scale(quarters, static_cast<guint64>(info.fps_d) * GST_SECOND,
                                  static_cast<guint64>(info.fps_n) * 4));
    }
    if (currentFlags & AM_SEEKING_SeekToKeyFrame) {
        return keyFrameSeeks_.Request(position) ? S_OK : E_FAIL;
    }
    return Seek(rate_, position);
}

HRESULT GstFilterGraph::CanStep(long) {
    return videoSink_ && logicalState_ == State_Paused ? S_OK : S_FALSE;
}

// Only the picture steps; the sound follows when playing resumes.
HRESULT GstFilterGraph::Step(DWORD frames) {
    if (CanStep(0) != S_OK) {
        return VFW_E_WRONG_STATE;
    }
    lastChange_ = std::chrono::steady_clock::now();
    ++happenings_;
    GstEvent* step = gst_event_new_step(GST_FORMAT_BUFFERS, frames, 1.0, TRUE, FALSE);
    return gst_element_send_event(videoSink_, step) ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::SetRate(double rate) {
    if (rate == 0.0 || !std::isfinite(rate)) {
        return E_INVALIDARG;
    }
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    // A new rate is a flushing seek: the same rate again must not throw
    // away what is decoded and queued.
    if (rate == rate_) {
        return S_OK;
    }
    gint64 position = 0;
    QueryPosition(GST_FORMAT_TIME, &position);
    const HRESULT result = Seek(rate, position);
    if (SUCCEEDED(result)) {
        rate_ = rate;
    }
    return result;
}

HRESULT GstFilterGraph::GetRate(double* rate) {
    if (!rate) {
        return E_POINTER;
    }
    *rate = rate_;
    return S_OK;
}

HRESULT GstFilterGraph::SetNotifyWindow(QObject* window, UINT message, LONG_PTR instance) {
    std::lock_guard lock(mutex_);
    notifyWindow_ = window;
    keyFrameSeeks_.SetContext(window);
    notifyMessage_ = message;
    notifyInstance_ = instance;
    return S_OK;
}

HRESULT GstFilterGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long) {
    std::lock_guard lock(mutex_);
    if (events_.empty()) {
        return E_ABORT;
    }
    const GraphEvent event = events_.front();
    events_.pop_front();
    if (code) {
        *code = event.code;
    }
    if (param1) {
        *param1 = event.param1;
    }
    if (param2) {
        *param2 = event.param2;
    }
    return S_OK;
}

void GstFilterGraph::TakeVolumeControls() {
    // The bin keeps its elements alive; we only borrow them.
    volume_ = GstElementHandle(gst_bin_get_by_name(GST_BIN(audioRenderer_), "volume")).get();
    panorama_ = GstElementHandle(gst_bin_get_by_name(GST_BIN(audioRenderer_), "panorama")).get();
    ApplyVolume();
}

void GstFilterGraph::ApplyVolume() {
    if (!volume_) {
        return;
    }
    // 1/100 dB to linear gain; the bottom of the scale is silence.
    const double gain = std::pow(10.0, static_cast<double>(volumeLevel_) / 2000.0);
    const bool held = filmSoundHeld_ && !externalRenderer_;
    g_object_set(volume_, "volume", gain, "mute", held || volumeLevel_ <= kVolumeSilent, nullptr);
    g_object_set(panorama_, "panorama", static_cast<float>(balance_) / kBalanceRight, nullptr);
}

HRESULT GstFilterGraph::put_Volume(long volume) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    if (volume < kVolumeSilent || volume > kVolumeFull) {
        return E_INVALIDARG;
    }
    volumeLevel_ = volume;
    ApplyVolume();
    return S_OK;
}

HRESULT GstFilterGraph::get_Volume(long* volume) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    *volume = volumeLevel_;
    return S_OK;
}

HRESULT GstFilterGraph::put_Balance(long balance) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    if (balance < kBalanceLeft || balance > kBalanceRight) {
        return E_INVALIDARG;
    }
    balance_ = balance;
    ApplyVolume();
    return S_OK;
}

HRESULT GstFilterGraph::get_Balance(long* balance) {
    std::lock_guard lock(mutex_);
    if (!HaveAudio()) {
        return E_NOTIMPL;
    }
    *balance = balance_;
    return S_OK;
}

}  // namespace velvaro::engine
