// The filter graph over a GStreamer pipeline: filesrc and decodebin3 decode
// the file, our renderer bins ("Video Renderer", the audio renderer) take its
// pads. One object implements every framework interface the engine uses.
#pragma once

#include "GstGraphParts.h"
#include "GstSubtitleFiles.h"
#include "KeyFrameSeeks.h"
#include "TextWait.h"
#include "VideoOutput.h"

#include <QColor>
#include <QRect>
#include <QSize>
#include <QTemporaryFile>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace velvaro::engine {

struct GraphEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class GstFilterGraph : public IFilterGraph {
public:
    GstFilterGraph();
    ~GstFilterGraph() override;

    // IGraphBuilder
    HRESULT RenderFile(const std::string& path) override;
    HRESULT FindFilterByName(const std::string& name,
                             std::shared_ptr<IBaseFilter>* filter) override;
    std::vector<std::shared_ptr<IBaseFilter>> EnumFilters() override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    std::string GetErrorText(HRESULT hr) const override;
    void DumpGraph(const std::string& name) override {
        GST_DEBUG_BIN_TO_DOT_FILE_WITH_TS(GST_BIN(pipeline_.get()), GST_DEBUG_GRAPH_SHOW_ALL,
                                          name.c_str());
    }
    void CancelRender() override;
    void FinishRender() override { CreateVideoOutput(); }

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(long timeoutMs, long* state) override;

    // IMediaSeeking
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* position) override;
    HRESULT SetPositions(LONGLONG* current, unsigned currentFlags, LONGLONG* stop,
                         unsigned stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;

    // IMediaEventEx
    HRESULT SetNotifyWindow(QObject* window, UINT message, LONG_PTR instance) override;
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override;
    HRESULT FreeEventParams(long, LONG_PTR, LONG_PTR) override { return S_OK; }

    // IVideoFrameStep
    HRESULT CanStep(long multiple) override;
    HRESULT Step(DWORD frames) override;

    // IBasicAudio
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long* balance) override;

    // IBasicVideo2
    HRESULT SetSourcePosition(long left, long top, long width, long height) override;
    HRESULT SetDestinationPosition(long left, long top, long width, long height) override;
    HRESULT GetDestinationPosition(long* left, long* top, long* width, long* height) override;
    HRESULT GetVideoSize(long* width, long* height) override;
    HRESULT GetPreferredAspectRatio(long* x, long* y) override;
    HRESULT GetCurrentImage(long* size, long* image) override;
    HRESULT IsUsingDefaultSource() override;
    HRESULT SetDeinterlacing(Deinterlacing mode) override;

    // IVideoWindow
    std::shared_ptr<VideoOutput> GetVideoOutput() override { return output_; }
    HRESULT put_Visible(bool visible) override;
    HRESULT put_BorderColor(long colour) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;
    HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) override;
    HRESULT HideCursor(bool hide) override;

    // IQualProp
    HRESULT get_AvgFrameRate(int* rate) override;
    HRESULT get_FramesDrawn(int* frames) override {
        std::lock_guard lock(mutex_);
        *frames = static_cast<int>(framesShown_);
        return S_OK;
    }

    // IStreamControl
    std::vector<MediaStream> GetStreams() override;
    HRESULT SelectStreamOfType(MajorType type, int ordinal) override;
    std::vector<MediaChapter> GetChapters() override;
    std::string GetDemuxerName() override;

    // IExternalAudio
    HRESULT AddExternalAudio(const std::string& path) override;
    HRESULT HoldFilmSound(bool held) override;
    HRESULT RemoveExternalAudio() override;

    // IAMStreamSelect
    HRESULT Count(long* streams) override;
    HRESULT Info(long index, MajorType* type, DWORD* flags, long* group,
                 std::string* name) override;
    HRESULT Enable(long index, DWORD flags) override;

    // IStreamDelays
    HRESULT SetAudioDelay(LONGLONG delay) override;
    HRESULT SetSubtitleDelay(LONGLONG delay) override;
    // INetworkStatus
    int GetBufferingPercent() override;
    bool CanSeek() override;

protected:
    // Whether the decoder runs ahead of the pictures shown, in bursts.
    bool decodeAhead_ = true;
    // Any thread: bus messages the file graph has no use for.
    virtual void OnOtherMessage(GstMessage*) {}
    // The video output, once the graph shows pictures.
    void CreateVideoOutput();
    // Once a flushing seek has returned, an error is news again. Not sooner:
    // streams that stopped with an error may still post its consequences
    // until the flush has stopped them.
    void StreamsFlushed();

    // Streaming threads.
    static void OnPadAdded(GstElement* source, GstPad* pad, GstFilterGraph* graph);
    static void OnExternalPadAdded(GstElement* source, GstPad* pad, GstFilterGraph* graph);
    bool FromFilmDecoder(GstMessage* message) const;
    static gint OnSelectStream(GstElement* source, GstStreamCollection* collection,
                               GstStream* stream, GstFilterGraph* graph);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, GstFilterGraph* graph);
    static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer graph);
    static GstFlowReturn OnNewPreroll(GstAppSink* sink, gpointer graph);
    GstFlowReturn Show(GstSampleHandle sample);
    void RememberShownFrame(GstSample* sample);
    static GstPadProbeReturn OnVideoBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    static GstPadProbeReturn OnSubtitleData(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    static GstPadProbeReturn OnTextInputEvent(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    void OnError(GstMessage* message);
    void OnBuffering(GstMessage* message);
    bool EndedByFailedSource();
    static GstPadProbeReturn OnNetworkData(GstPad*, GstPadProbeInfo*, GstFilterGraph* graph);
    static void OnNetworkSourceSetup(GstElement* decoder, GstElement* source,
                                     GstFilterGraph* graph);
    // Why reading the address failed; naming it once the open is over.
    std::string NetworkErrorText(GstMessage* message) const;
    static void OnFileDecoderPart(GstBin* decoder, GstElement* part, gpointer);
    void ReadTextAhead(LONGLONG subtitleDelay);
    // From the element that reads the address, not a bin around it.
    static bool FromAddressReader(GstMessage* message);
    static void LogMessage(GstMessage* message);

    // Streaming threads, holding mutex_.
    void LinkVideo(GstPad* pad);
    void LinkAudio(GstPad* pad);
    void LinkSubtitle(GstPad* pad);
    // Records why a stream could not be rendered; the open reports the first.
    void NoteRenderError(const std::string& text);
    GstElementHandle BuildVideoRenderer(std::string* error);
    GstElementHandle BuildAudioRenderer(const char* name, std::string* error);
    void PushEvent(long code, LONG_PTR param1, LONG_PTR param2);
    HRESULT SetPipelineState(GstState state, long logical);
    // The source and decoder of a local file, or of a network address.
    HRESULT BuildFileSource(const std::string& path);
    HRESULT BuildNetworkSource(const std::string& address);
    void AskSeekable();
    // Takes the source's "http-headers" message; false for any other.
    bool NoteServerAnswer(GstMessage* message);
    // Flushes the bus first, so that no message outlives the graph.
    void ShutDown();
    bool HaveVideo() const { return videoRenderer_ != nullptr; }
    bool HaveAudio() const { return audioRenderer_ != nullptr; }
    void ApplyVolume();
    // Gives the pad where a renderer's stream is delayed its offset; the
    // first buffer after a change is marked discontinuous, so that a sound
    // sink starts afresh at the new time rather than drifting towards it.
    static void DelayStream(GstPad* pad, gint64 delay);
    // Volume and balance act on the current audio renderer; caller holds mutex_.
    void TakeVolumeControls();
    // Subtitle files count as streams after the file's own; one of them at
    // most is linked to the overlay, in place of an embedded subtitle.
    HRESULT ApplySelection(const std::vector<std::string>& ids);
    // S_FALSE when they are selected already.
    HRESULT SelectDecodedStreams(const std::vector<std::string>& ids);
    std::vector<SubtitleFile> SubtitleFiles() const;
    // `position`: where the picture stands.
    HRESULT AttachSubtitleFile(int index, gint64 position);
    // `showAgain`: the current picture is drawn again, without the text.
    void DetachSubtitleFile(bool showAgain);
    // Seeks to where the film stands, so that the current picture comes again.
    void ShowAgain();
    // A still picture is shown again after the deinterlacing changed.
    virtual void ShowChangedPicture();
    // The video renderer's deinterlacer; null without one.
    GstElementHandle Deinterlacer() const;
    // What draws the text inside the overlay, if it draws text yet: it makes
    // its renderer only once text has come and a picture has gone through
    // after it.
    GstElementHandle OverlayTextRenderer() const;
    // Waits until the subtitle file's parser is through or has been quiet a
    // while: a seek that meets it still sending can lock up the overlay.
    void WaitForSubtitleParser(bool textCounts);
    bool OverlayAwaitsPicture() const { return overlayAwaitsPicture_; }
    // The overlay makes its renderer anew, after its text input changed,
    // with the first picture that passes it, and that picture goes without
    // text: brings one if none has passed since, the one at `still`. False
    // if the film plays or no picture came.
    bool LetOverlayTakeText(gint64 still);
    // Shows the picture at `still` again, or the current one while playing,
    // the renderer holding it for its text.
    void ShowAgainHeldForText(gint64 still);
    // Where the film stands; 0 when not known.
    gint64 PipelinePosition() const;
    // The pipeline's position, which is that of its furthest sink: with the
    // sound sent ahead, the picture's.
    bool QueryPosition(GstFormat format, gint64* position) const;
    void StoreToc(GstToc* toc);
    void ApplyScaledSize(int width, int height);
    HRESULT NativeVideoInfo(GstVideoInfo* info) const;
    // `waitForText`: a renderer that holds the first picture after the seek
    // until it has the text for it, a bounded time.
    HRESULT Seek(double rate, gint64 position, GstElement* waitForText = nullptr);
    // To the key frame nearest `position`, for a thumb being dragged.
    HRESULT SeekKeyFrame(gint64 position);
    // Playing forwards from `position`, or backwards from it to the start.
    bool SeekPipeline(double rate, gint64 position, GstSeekFlags flags);

    GstElementHandle pipeline_;
    // The network address played; empty for a file.
    std::string address_;
    bool seekable_ = true;
    std::atomic<int> rangesServed_{-1};  // by the address's server; -1 before it answers
    std::atomic<bool> sourceDataCame_{false};
    // Whether playing waits for the buffer, shared with the state changes
    // that GStreamer's threads make for it, which may outlive the graph.
    struct BufferingHold {
        std::mutex mutex;
        bool closed = false;
        bool running = false;  // what the user asked for
        int percent = 100;
        GstElement* decoder = nullptr;  // where a stall is reported from
        bool stallReported = false;
        std::string sourceFailure;  // why the source stopped, if it did
        // Where playing stood at the watchdog's last looks, once the source
        // failed: an end that never reaches the sinks leaves it still.
        gint64 lastPosition = -1;
        int stillLooks = 0;
        // When the address's source last delivered.
        std::atomic<std::int64_t> lastData{SteadyNow()};
    };
    std::shared_ptr<BufferingHold> hold_ = std::make_shared<BufferingHold>();
    // Looks every second, while playing, for a source that fell silent.
    GstClockID watchdog_ = nullptr;
    void WatchForStalls();
    std::chrono::milliseconds silence_ = kRenderSilence;
    bool fellSilent_ = false;  // an open that gave up waiting for data
    // Parts of the pipeline, which keeps them alive.
    GstElement* fileSource_ = nullptr;
    GstElement* source_ = nullptr;
    GstElement* videoRenderer_ = nullptr;
    GstElement* overlay_ = nullptr;
    GstElement* crop_ = nullptr;
    GstElement* scaledCaps_ = nullptr;
    GstElement* videoSink_ = nullptr;
    GstElement* audioRenderer_ = nullptr;
    GstElement* externalSource_ = nullptr;
    GstElement* externalDecoder_ = nullptr;
    GstElement* externalRenderer_ = nullptr;
    GstElement* volume_ = nullptr;
    GstElement* panorama_ = nullptr;
    GstElement* subtitleSource_ = nullptr;
    GstElement* subtitleParser_ = nullptr;
    int subtitleFile_ = -1;  // the subtitle file linked to the overlay
    std::unique_ptr<SubtitleFileSearch> subtitleSearch_;
    std::unique_ptr<QTemporaryFile> subtitleCopy_;  // what subtitleSource_ reads, if a copy
    TextWait textWait_;  // of the overlay's renderer, for a picture shown again
    KeyFrameSeeks keyFrameSeeks_{
        [this](std::int64_t position) { return SUCCEEDED(SeekKeyFrame(position)); }};
    // Held aside, out of the pipeline, while a separate track plays.
    GstElementHandle filmAudioRenderer_;
    std::vector<std::string> filmSelection_;
    bool filmSoundHeld_ = false;
    std::shared_ptr<FrameMailbox> mailbox_ = std::make_shared<FrameMailbox>();
    PictureMapper pictures_;               // the video sink's streaming thread only
    std::shared_ptr<VideoOutput> output_;  // the UI thread's

    // Guarded by mutex_: touched by streaming threads.
    mutable std::mutex mutex_;
    std::deque<GraphEvent> events_;
    QObject* notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    LONG_PTR notifyInstance_ = 0;
    // The last error: why the open failed, or what stopped the playback.
    std::string errorText_;
    // An error stopped the streams; the errors that follow from it add nothing.
    bool aborted_ = false;
    bool opened_ = false;
    GstBufferHandle lastBuffer_;
    std::condition_variable streamsReady_;
    GstStreamCollectionHandle collection_;
    std::vector<std::string> selectedIds_;
    std::vector<std::string> wantedIds_;  // the user's choice, once made
    std::vector<MediaChapter> chapters_;
    std::deque<std::chrono::steady_clock::time_point> frameTimes_;
    // Frames shown while playing, for the benchmark's log.
    std::uint64_t framesShown_ = 0;
    int selectedStreams_ = -1;  // known once the decoder has chosen
    int linkedStreams_ = 0;
    int unrenderedStreams_ = 0;  // that found no renderer
    // When the subtitle file's parser last delivered, and whether it is through.
    std::int64_t subtitleActivity_ = 0;
    std::int64_t subtitleFormatCame_ = 0;  // when the file's caps went out
    bool subtitleEnded_ = false;
    bool pictureSinceSeek_ = false;  // past the overlay since the last seek's flush
    std::uint64_t textFormats_ = 0;  // formats come to the overlay's text input

    // Since its text input changed, no picture has passed the overlay.
    std::atomic<bool> overlayAwaitsPicture_{false};
    // Any sign of life of the file while it opens, from any thread.
    std::atomic<std::int64_t> lastActivity_{0};
    std::atomic<bool> renderCancelled_{false};
    // The stream time of the frame last handed to the widget; -1 before one.
    // Streaming threads write it.
    std::atomic<gint64> shownFrameTime_{-1};
    bool WaitWhileAlive(const std::function<bool()>& done, bool locked = true);
    static GstPadProbeReturn OnSourceData(GstPad*, GstPadProbeInfo*, GstFilterGraph* graph);

    // Position and length asked while the graph stands still, kept until
    // anything happens: the clock timer asks several times a second.
    struct StillAnswer {
        std::uint64_t asOf = ~std::uint64_t{0};
        gint64 value = 0;
    };
    bool QueryWhileStill(GstFormat format, bool duration, gint64* value);
    // Counts what may move the position or change the length: state
    // changes, seeks, steps, frames shown and every message of the bus.
    std::atomic<std::uint64_t> happenings_{0};
    StillAnswer stillPosition_;
    StillAnswer stillDuration_;

    long logicalState_ = State_Stopped;
    std::chrono::steady_clock::time_point lastChange_ = std::chrono::steady_clock::now();
    TimeFormat timeFormat_ = TimeFormat::MediaTime;
    double rate_ = 1.0;
    long volumeLevel_ = 0;
    // Nanoseconds of playing time the sound and the text come after the picture.
    std::atomic<gint64> audioDelay_{0};
    std::atomic<gint64> subtitleDelay_{0};
    long balance_ = 0;
    QSize scaledSize_;
    Deinterlacing deinterlacing_ = Deinterlacing::Automatic;  // the UI thread's
};

}  // namespace velvaro::engine
