// DVD time: time codes from the pipeline's position, seeks in time and
// rates. The navigator stalls on reverse rates, so backwards is played as
// a run of seeks a step back each, with the pipeline paused between them.
#include "GstDvdGraph.h"

#include <algorithm>
#include <chrono>

namespace velvaro::engine {

namespace {

constexpr auto kScanStep = std::chrono::milliseconds(250);

}  // namespace

HRESULT GstDvdGraph::Run() {
    bool scanning = false;
    {
        std::lock_guard lock(scanMutex_);
        graphRunning_ = true;
        scanning = scanSpeed_ > 0.0;
    }
    scanWake_.notify_all();
    return scanning ? SetPipelineState(GST_STATE_PAUSED, State_Running) : GstFilterGraph::Run();
}

HRESULT GstDvdGraph::Pause() {
    {
        std::lock_guard lock(scanMutex_);
        graphRunning_ = false;
    }
    return GstFilterGraph::Pause();
}

HRESULT GstDvdGraph::Stop() {
    {
        std::lock_guard lock(scanMutex_);
        graphRunning_ = false;
    }
    return GstFilterGraph::Stop();
}

HRESULT GstDvdGraph::PlayAtTime(const DVD_HMSF_TIMECODE& time, DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_Play_Chapter_Or_AtTime); FAILED(permitted)) {
        return permitted;
    }
    const gint64 seconds = time.bHours * 3600 + time.bMinutes * 60 + time.bSeconds;
    const gint64 position = seconds * static_cast<gint64>(GST_SECOND);
    const HRESULT result = SeekTo(GST_FORMAT_TIME, position, rate_);
    if (SUCCEEDED(result)) {
        std::lock_guard lock(scanMutex_);
        scanPosition_ = position;
    }
    return result;
}

HRESULT GstDvdGraph::PlayForwards(double speed, DWORD) {
    if (!(speed > 0.0)) {
        return E_INVALIDARG;
    }
    if (!InTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (const HRESULT permitted = Permit(UOP_FLAG_Play_Forwards); FAILED(permitted)) {
        return permitted;
    }
    bool scanned = false, running = false;
    {
        std::lock_guard lock(scanMutex_);
        scanned = scanSpeed_ > 0.0;
        running = graphRunning_;
        scanSpeed_ = 0.0;
    }
    // Seeks keep the rate already; a second seek could go back in time.
    if (speed == rate_ && !scanned) {
        return S_OK;
    }
    gint64 position = 0;
    QueryPosition(GST_FORMAT_TIME, &position);
    if (scanned && running) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    const HRESULT result = SeekTo(GST_FORMAT_TIME, position, speed);
    if (SUCCEEDED(result)) {
        rate_ = speed;
    }
    return result;
}

HRESULT GstDvdGraph::PlayBackwards(double speed, DWORD) {
    if (!(speed > 0.0)) {
        return E_INVALIDARG;
    }
    if (!InTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (const HRESULT permitted = Permit(UOP_FLAG_Play_Backwards); FAILED(permitted)) {
        return permitted;
    }
    // Right after a seek the pipeline knows no position yet; the seek's
    // target stands for it.
    gint64 position = -1;
    const bool settled =
        gst_element_get_state(pipeline_.get(), nullptr, nullptr, 0) == GST_STATE_CHANGE_SUCCESS;
    if (!settled || !QueryPosition(GST_FORMAT_TIME, &position)) {
        position = -1;
    }
    // Each step is shown at the normal rate.
    if (rate_ != 1.0 && position >= 0 && SUCCEEDED(SeekTo(GST_FORMAT_TIME, position, 1.0))) {
        rate_ = 1.0;
    }
    bool running = false;
    {
        std::lock_guard lock(scanMutex_);
        scanSpeed_ = speed;
        if (position >= 0) {
            scanPosition_ = position;
        }
        running = graphRunning_;
        if (!scanThread_.joinable()) {
            scanThread_ = std::thread([this] { ScanBackwards(); });
        }
    }
    if (running) {
        gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    }
    scanWake_.notify_all();
    return S_OK;
}

// Scan thread: while the graph runs, one step back every kScanStep; at the
// start of the title the picture stays.
void GstDvdGraph::ScanBackwards() {
    std::unique_lock lock(scanMutex_);
    while (!scanQuit_) {
        scanWake_.wait_for(lock, kScanStep);
        if (scanQuit_ || scanSpeed_ <= 0.0 || !graphRunning_ || scanPosition_ <= 0) {
            continue;
        }
        const auto step = std::chrono::duration_cast<std::chrono::nanoseconds>(kScanStep).count();
        scanPosition_ = std::max<gint64>(0, scanPosition_ - static_cast<gint64>(scanSpeed_ * step));
        const gint64 target = scanPosition_;
        lock.unlock();
        if (InTitle() && ReaderInTitle()) {
            SendSeek(GST_FORMAT_TIME, target, 1.0);
        }
        lock.lock();
    }
}

void GstDvdGraph::StopScan() {
    {
        std::lock_guard lock(scanMutex_);
        scanQuit_ = true;
    }
    scanWake_.notify_all();
    if (scanThread_.joinable()) {
        scanThread_.join();
    }
}

HRESULT GstDvdGraph::TimeCodeOf(gint64 nanoseconds, DVD_HMSF_TIMECODE* time, ULONG* flags) {
    if (nanoseconds < 0) {
        return E_FAIL;
    }
    // Before the first picture, the disc's video standard tells the rate.
    GstVideoInfo info;
    if (FAILED(NativeVideoInfo(&info)) || info.fps_d <= 0 || info.fps_n <= 0) {
        gst_video_info_init(&info);
        info.fps_n = pal_ ? 25 : 30000;
        info.fps_d = pal_ ? 1 : 1001;
    }
    const double fps = static_cast<double>(info.fps_n) / info.fps_d;
    ULONG rateFlag = DVD_TC_FLAG_25fps;
    if (info.fps_n == 30000 && info.fps_d == 1001) {
        rateFlag = DVD_TC_FLAG_DropFrame;
    } else if (info.fps_n == 30 * info.fps_d) {
        rateFlag = DVD_TC_FLAG_30fps;
    }
    const gint64 seconds = nanoseconds / static_cast<gint64>(GST_SECOND);
    const gint64 rest = nanoseconds % static_cast<gint64>(GST_SECOND);
    time->bHours = static_cast<std::uint8_t>(std::min<gint64>(seconds / 3600, 255));
    time->bMinutes = static_cast<std::uint8_t>(seconds / 60 % 60);
    time->bSeconds = static_cast<std::uint8_t>(seconds % 60);
    time->bFrames = static_cast<std::uint8_t>(static_cast<double>(rest) * fps / GST_SECOND);
    if (flags) {
        *flags = rateFlag;
    }
    return S_OK;
}

HRESULT GstDvdGraph::GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) {
    if (!location) {
        return E_POINTER;
    }
    // A menu has no time of its own: its still counts on past its length.
    // Going backwards, the step shown is where the scan has got to.
    gint64 position = 0;
    bool scanning = false;
    {
        std::lock_guard lock(scanMutex_);
        scanning = scanSpeed_ > 0.0;
        position = InTitle() ? scanPosition_ : 0;
    }
    if (!source_) {
        return E_FAIL;
    }
    // Right after a jump the renderer may not know the time yet; the title
    // and chapter are known all the same.
    if (InTitle() && !scanning && !QueryPosition(GST_FORMAT_TIME, &position)) {
        position = 0;
    }
    // What is shown, not where the reader has got to.
    location->TitleNum = InTitle() ? static_cast<ULONG>(title_) : 0;
    location->ChapterNum = InTitle() ? static_cast<ULONG>(chapter_) : 0;
    return TimeCodeOf(position, &location->TimeCode, &location->TimeCodeFlags);
}

HRESULT GstDvdGraph::GetTotalTitleTime(DVD_HMSF_TIMECODE* time, ULONG* timeCodeFlags) {
    if (!time) {
        return E_POINTER;
    }
    if (!InTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    // The title shown, from the disc's tables: the pipeline answers for
    // where the reader is, which may already be the menu after the title.
    gint64 duration = tables_ ? tables_->DurationOf(title_) : 0;
    if (duration <= 0 &&
        (!source_ || !gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &duration))) {
        return E_FAIL;
    }
    return TimeCodeOf(duration, time, timeCodeFlags);
}

}  // namespace velvaro::engine
