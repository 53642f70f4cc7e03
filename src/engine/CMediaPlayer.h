// The playback engine of one opened medium. The window creates one per
// medium, talks to it through these operations in the program's units
// (hundredths of a second, 1/100 dB) and deletes it when the medium closes.
// Everything runs on the UI thread; graph events arrive as WM_GRAPH_EVENT.
#pragma once

#include "engine/ElementProperties.h"
#include "engine/Framework.h"
#include "engine/VideoOutput.h"

#include <QRect>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QObject;

using COLORREF = std::uint32_t;

// Stream kinds of GetStreamCount, GetStreamName and SelectStream.
inline constexpr int STREAM_CHAPTERS = 1;
inline constexpr int STREAM_AUDIO = 2;
inline constexpr int STREAM_SUBTITLES = 3;
inline constexpr int STREAM_ANGLES = 4;

// A filter of the graph, as a list of them shows it.
struct FilterEntry {
    std::string name;
    bool hasPages = false;  // it has settings its property pages show
};

class CMediaPlayer {
public:
    CMediaPlayer();
    virtual ~CMediaPlayer();
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

    // Writes the graph's filters and their pins' connections into the report
    // given at construction, one line each; nothing without one.
    virtual void ReportFilterGraph();
    virtual HRESULT ClearGraph();
    // -1 when unknown.
    virtual LONGLONG GetCurrentFrame() = 0;
    virtual void GetVideoSize(int* width, int* height);
    virtual void SetWindowPosition(int left, int top, int width, int height);
    virtual void SetSourcePosition(int left, int top, int width, int height);
    virtual void SetDestinationPosition(int left, int top, int width, int height);
    virtual void SetBorderColor(COLORREF colour);
    virtual HRESULT GetState(long* state);
    // Exactly 0 when the medium has a picture / sound.
    virtual HRESULT HasVideo();
    virtual HRESULT HasAudio();
    virtual HRESULT Stop();
    virtual HRESULT Play();
    virtual HRESULT Pause();
    virtual void PlayPause();
    virtual HRESULT SetPosition(int position);
    // Shows the key frame nearest `position` quickly, for a thumb being
    // dragged; of positions that come faster than pictures, the newest.
    virtual HRESULT ScrubTo(int position);
    virtual HRESULT SetVolume(int volume);
    virtual int GetVolume();
    virtual int GetDuration();
    virtual int GetPosition();
    virtual HRESULT HideCursor(bool hide);
    virtual double GetAspectRatio();
    virtual void GetWindowSize(int* width, int* height);
    virtual double GetFrameRate();
    // The frames shown while playing since the open; 0 without video.
    int GetFramesDrawn();
    // One frame on or back while paused: S_FALSE before the first frame,
    // VFW_E_WRONG_STATE when not paused, E_NOINTERFACE without frames.
    virtual HRESULT StepFrame(bool forwards);
    virtual HRESULT SetBalance(int balance);
    virtual int GetBalance();
    // How much later than the picture the sound and the subtitles come, in
    // milliseconds; negative for earlier.
    HRESULT SetAudioDelay(int milliseconds);
    HRESULT SetSubtitleDelay(int milliseconds);
    // The settings of every filter of that name that has any, in graph
    // order: what its property pages show, one after the other.
    virtual std::vector<std::shared_ptr<velvaro::engine::ElementProperties>> GetFilterProperties(
        const std::string& name);
    // Every filter of the graph, in its order.
    virtual std::vector<FilterEntry> ListFilters();
    virtual HRESULT GetPreferredAspectRatio(long* x, long* y);
    virtual HRESULT SetAspectRatioMode(int mode);
    virtual HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2);
    virtual HRESULT WaitForState();
    virtual int GetStreamCount(int kind) = 0;
    virtual HRESULT GetStreamName(int index, MajorType* extra, int* flags, int* kind,
                                  std::string* name, LONGLONG* start) = 0;
    virtual HRESULT SelectStream(int index, int kind) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual double GetRate() = 0;
    virtual std::string GetFileName() = 0;
    virtual HRESULT GetNativeVideoSize(long* width, long* height);
    // Deinterlaces the pictures from now on as `mode` says; E_NOINTERFACE
    // without a picture.
    HRESULT SetDeinterlacing(velvaro::engine::Deinterlacing mode);

    // The text of the graph's last error: why the open failed, or what
    // stopped the playback (EC_ERRORABORT); empty when there was none.
    std::string GetErrorText() const;
    // What a view shows of the picture; null without one. The view goes
    // when the player does.
    std::shared_ptr<velvaro::engine::VideoOutput> GetVideoOutput() const;
    void UpdateVideoSize();
    void SaveScreenshot(const std::string& prefix);
    void SaveGraphState();
    void RestoreGraphState();
    void DisableClosedCaptions();
    // The graph being played, for what inspects its parts; null once cleared.
    IGraphBuilder* Graph() const { return graph.get(); }

protected:
    // Places the video window at `videoRect` of the owner's window, sends
    // the graph's events to `owner` (when there is one) and starts the clock
    // timer there when it has an id and an interval; returns the timer's id,
    // 0 for none.
    UINT AttachToOwner(QObject* owner, const QRect& videoRect, UINT timerId, UINT timerInterval);
    // Stops the graph and lets go of the owner: its timer, the events posted
    // to it, and the video output, which its view then leaves.
    void StopAndDetach(QObject* owner, UINT clockTimer);

    int displayWidth = 0;
    int displayHeight = 0;
    std::shared_ptr<IBasicVideo2> basicVideo;
    std::shared_ptr<IBasicAudio> basicAudio;
    std::shared_ptr<IStreamDelays> streamDelays;
    std::shared_ptr<IVideoWindow> videoWindow;
    std::shared_ptr<IMediaControl> mediaControl;
    std::shared_ptr<IMediaSeeking> mediaSeeking;
    std::shared_ptr<IMediaEventEx> mediaEvent;
    std::shared_ptr<IGraphBuilder> graph;
    std::shared_ptr<IQualProp> qualityProperties;
    std::shared_ptr<IVideoFrameStep> frameStep;
    std::shared_ptr<IBaseFilter> videoRenderer;
    QStringList* report = nullptr;
    std::string fileName;
    long savedState = 0;
};
