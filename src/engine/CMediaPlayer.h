// The playback engine of one opened medium. The window creates one per
// medium, talks to it through these operations in the program's units
// (hundredths of a second, 1/100 dB) and deletes it when the medium closes.
// Everything runs on the UI thread; graph events arrive as WM_GRAPH_EVENT.
#pragma once

#include "CommandRanges.h"
#include "engine/Framework.h"

#include <QRect>

#include <cstdint>
#include <string>

class QObject;
class QWidget;

using COLORREF = std::uint32_t;

// Stream kinds of GetStreamCount, GetStreamName and SelectStream.
inline constexpr int STREAM_CHAPTERS = 1;
inline constexpr int STREAM_AUDIO = 2;
inline constexpr int STREAM_SUBTITLES = 3;
inline constexpr int STREAM_ANGLES = 4;

// Filter list targets of FillFilterList.
inline constexpr int FILTERLIST_LISTBOX = 0;
inline constexpr int FILTERLIST_MENU = 1;
inline constexpr int kFirstFilterCommand = command_range::kFirstFilter;
inline constexpr int kMaxFilterCommands = command_range::kMaxFilters;

class CMediaPlayer {
public:
    CMediaPlayer();
    virtual ~CMediaPlayer();
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

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
    virtual HRESULT SetVolume(int volume);
    virtual int GetVolume();
    virtual int GetDuration();
    virtual int GetPosition();
    virtual HRESULT HideCursor(bool hide);
    virtual double GetAspectRatio();
    virtual void GetWindowSize(int* width, int* height);
    virtual double GetFrameRate();
    // One frame on or back while paused: S_FALSE before the first frame,
    // VFW_E_WRONG_STATE when not paused, E_NOINTERFACE without frames.
    virtual HRESULT StepFrame(bool forwards);
    virtual HRESULT SetBalance(int balance);
    virtual int GetBalance();
    // Shows the settings of every filter of that name through `present`.
    virtual void ShowFilterProperties(const std::string& name, QWidget* parent,
                                      const velvaro::engine::PropertyPagePresenter& present);
    // Kind FILTERLIST_LISTBOX fills a QListWidget, FILTERLIST_MENU a QMenu.
    virtual int FillFilterList(QObject* target, int kind);
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

    // The text of the graph's last error: why the open failed, or what
    // stopped the playback (EC_ERRORABORT); empty when there was none.
    std::string GetErrorText() const;
    void NotifyOwnerMessage(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateVideoSize();
    void SaveScreenshot(const std::string& prefix);
    void SaveGraphState();
    void RestoreGraphState();
    void DisableClosedCaptions();

protected:
    // Puts the video window into `owner` at `videoRect`, sends the graph's
    // events there and starts the clock timer when it has an id and an
    // interval; returns the timer's id, 0 for none.
    UINT AttachToOwner(QWidget* owner, const QRect& videoRect, UINT timerId, UINT timerInterval);
    // Stops the graph and lets go of the owner window: its timer, the events
    // posted to it and the video window inside it.
    void StopAndDetach(QObject* owner, UINT clockTimer);

    int displayWidth = 0;
    int displayHeight = 0;
    std::shared_ptr<IBasicVideo2> basicVideo;
    std::shared_ptr<IBasicAudio> basicAudio;
    std::shared_ptr<IVideoWindow> videoWindow;
    std::shared_ptr<IMediaControl> mediaControl;
    std::shared_ptr<IMediaSeeking> mediaSeeking;
    std::shared_ptr<IMediaEventEx> mediaEvent;
    std::shared_ptr<IGraphBuilder> graph;
    std::shared_ptr<IQualProp> qualityProperties;
    std::shared_ptr<IVideoFrameStep> frameStep;
    std::shared_ptr<IBaseFilter> videoRenderer;
    QObject* reportWindow = nullptr;
    std::string fileName;
    long savedState = 0;
};
