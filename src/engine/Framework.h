// The media framework as the engine sees it: filter-graph interfaces with
// their methods and result codes. One graph object implements all of them
// (IFilterGraph).
#pragma once

#include "engine/Deinterlacing.h"
#include "engine/ElementProperties.h"
#include "platform/WindowMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velvaro::engine {
class VideoOutput;
}

using HRESULT = std::int32_t;
using LONGLONG = std::int64_t;
using REFERENCE_TIME = std::int64_t;  // 100 ns units
using LONG_PTR = std::intptr_t;
using DWORD = std::uint32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265);
inline constexpr HRESULT VFW_E_DVD_NO_BUTTON = static_cast<HRESULT>(0x80040278);

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}

// Graph event codes.
inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_ERRORABORT = 0x03;
inline constexpr long EC_DVD_DOMAIN_CHANGE = 0x101;
inline constexpr long EC_DVD_ANGLE_CHANGE = 0x106;
inline constexpr long EC_DVD_VALID_UOPS_CHANGE = 0x108;

// Graph states.
inline constexpr long State_Stopped = 0;
inline constexpr long State_Paused = 1;
inline constexpr long State_Running = 2;

// Volume in 1/100 dB and balance in 1/100 dB towards one side.
inline constexpr long kVolumeSilent = -10000;
inline constexpr long kVolumeFull = 0;
inline constexpr long kBalanceLeft = -10000;
inline constexpr long kBalanceRight = 10000;

// The owner's message for graph events.
inline constexpr UINT WM_GRAPH_EVENT = WM_APP + 1;

enum class TimeFormat { MediaTime, Frame };

// Seek flags of SetPositions.
inline constexpr unsigned AM_SEEKING_NoPositioning = 0;
inline constexpr unsigned AM_SEEKING_AbsolutePositioning = 1;
// To the nearest key frame: a picture quickly, not the exact one.
inline constexpr unsigned AM_SEEKING_SeekToKeyFrame = 4;

enum class PinDirection { Input, Output };

// Major media types of pins and streams.
enum class MajorType { Unknown, Video, Audio, Subtitle };

class IPin {
public:
    virtual ~IPin() = default;
    virtual std::string QueryId() const = 0;
    virtual PinDirection QueryDirection() const = 0;
    virtual MajorType QueryMajorType() const = 0;
    virtual bool IsConnected() const = 0;
};

class IBaseFilter {
public:
    virtual ~IBaseFilter() = default;
    virtual std::string QueryName() const = 0;
    virtual std::vector<std::shared_ptr<IPin>> EnumPins() = 0;
    // Whether the filter has settings a property page can show.
    virtual bool HasPropertyPages() const = 0;
    // Those settings; null when it has none.
    virtual std::shared_ptr<velvaro::engine::ElementProperties> QueryProperties() = 0;
};

class IGraphBuilder {
public:
    virtual ~IGraphBuilder() = default;
    // `path` in UTF-8.
    virtual HRESULT RenderFile(const std::string& path) = 0;
    virtual HRESULT FindFilterByName(const std::string& name,
                                     std::shared_ptr<IBaseFilter>* filter) = 0;
    virtual std::vector<std::shared_ptr<IBaseFilter>> EnumFilters() = 0;
    virtual HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) = 0;
    // The framework's text for a failed render, at most 160 characters.
    virtual std::string GetErrorText(HRESULT hr) const = 0;
    // Writes the graph's picture for debugging, when GST_DEBUG_DUMP_DOT_DIR is
    // set; the file's name has the time in front, so every open keeps its own.
    virtual void DumpGraph(const std::string& name) = 0;
    // Any thread: a RenderFile under way on another thread gives up as soon
    // as it can, failing.
    virtual void CancelRender() = 0;
    // The window's thread, after RenderFile: makes what lives there (the
    // video output). RenderFile may run on any thread; this may not.
    virtual void FinishRender() = 0;
};

class IMediaControl {
public:
    virtual ~IMediaControl() = default;
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    // Pauses, then reports stopped: the last frame stays visible.
    virtual HRESULT StopWhenReady() = 0;
    virtual HRESULT GetState(long timeoutMs, long* state) = 0;
};

class IMediaSeeking {
public:
    virtual ~IMediaSeeking() = default;
    virtual HRESULT SetTimeFormat(TimeFormat format) = 0;
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* position) = 0;
    virtual HRESULT SetPositions(LONGLONG* current, unsigned currentFlags, LONGLONG* stop,
                                 unsigned stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
};

class IMediaEventEx {
public:
    virtual ~IMediaEventEx() = default;
    // Events are announced by posting `message` with lParam = `instance`.
    virtual HRESULT SetNotifyWindow(QObject* window, UINT message, LONG_PTR instance) = 0;
    virtual HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
};

class IBasicAudio {
public:
    virtual ~IBasicAudio() = default;
    virtual HRESULT put_Volume(long volume) = 0;
    virtual HRESULT get_Volume(long* volume) = 0;
    virtual HRESULT put_Balance(long balance) = 0;
    virtual HRESULT get_Balance(long* balance) = 0;
};

class IBasicVideo2 {
public:
    virtual ~IBasicVideo2() = default;
    virtual HRESULT SetSourcePosition(long left, long top, long width, long height) = 0;
    virtual HRESULT SetDestinationPosition(long left, long top, long width, long height) = 0;
    virtual HRESULT GetDestinationPosition(long* left, long* top, long* width, long* height) = 0;
    virtual HRESULT GetVideoSize(long* width, long* height) = 0;
    virtual HRESULT GetPreferredAspectRatio(long* x, long* y) = 0;
    // A packed DIB (40-byte header and bottom-up pixels). With a null image
    // only *size is set.
    virtual HRESULT GetCurrentImage(long* size, long* image) = 0;
    virtual HRESULT IsUsingDefaultSource() = 0;
    // From the next picture on; a paused film shows its picture again.
    // S_FALSE when it deinterlaces that way already.
    virtual HRESULT SetDeinterlacing(velvaro::engine::Deinterlacing mode) = 0;
};

// The video window, which a view shows: its place in the owner's window,
// whether it shows, its border and the pointer over it.
class IVideoWindow {
public:
    virtual ~IVideoWindow() = default;
    // What a view shows; null while the graph has no video window.
    virtual std::shared_ptr<velvaro::engine::VideoOutput> GetVideoOutput() = 0;
    virtual HRESULT put_Visible(bool visible) = 0;
    virtual HRESULT put_BorderColor(long colour) = 0;
    virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
    virtual HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) = 0;
    virtual HRESULT HideCursor(bool hide) = 0;
};

// One elementary stream of the opened file, in container order.
struct MediaStream {
    std::string id;
    MajorType type = MajorType::Unknown;
    std::string name;  // title and language, as a menu shows it
    bool selected = false;
};

struct MediaChapter {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    std::string title;
};

// The demuxer's streams and chapters: what a splitter's output pins and its
// chapter interface offer.
class IStreamControl {
public:
    virtual ~IStreamControl() = default;
    virtual std::vector<MediaStream> GetStreams() = 0;
    // Decodes the ordinal-th stream of `type` (-1: none of that type) and
    // keeps the other types as they are.
    virtual HRESULT SelectStreamOfType(MajorType type, int ordinal) = 0;
    virtual std::vector<MediaChapter> GetChapters() = 0;
    // The demuxer's name as a filter, e.g. "Matroska Splitter"; empty without one.
    virtual std::string GetDemuxerName() = 0;
};

// Stream selection as a stream-selecting filter offers it: all streams in
// one list, grouped by kind; enabling one replaces the others of its group.
inline constexpr DWORD AMSTREAMSELECTINFO_ENABLED = 0x1;
inline constexpr DWORD AMSTREAMSELECTENABLE_ENABLE = 0x1;

class IAMStreamSelect {
public:
    virtual ~IAMStreamSelect() = default;
    virtual HRESULT Count(long* streams) = 0;
    virtual HRESULT Info(long index, MajorType* type, DWORD* flags, long* group,
                         std::string* name) = 0;
    virtual HRESULT Enable(long index, DWORD flags) = 0;
};

// A separate sound track that replaces the film's own, in the same graph so
// one clock and one seek serve both.
class IExternalAudio {
public:
    virtual ~IExternalAudio() = default;
    virtual HRESULT AddExternalAudio(const std::string& path) = 0;
    virtual HRESULT RemoveExternalAudio() = 0;
    // Silences the film's own sound, its volume untouched, while a track
    // is on its way.
    virtual HRESULT HoldFilmSound(bool held) = 0;
};

// How much later than the picture the sound and the subtitles come, in
// nanoseconds of playing time; negative for earlier. Takes effect while
// playing or paused, and holds across seeks and speeds.
class IStreamDelays {
public:
    virtual ~IStreamDelays() = default;
    virtual HRESULT SetAudioDelay(LONGLONG delay) = 0;
    virtual HRESULT SetSubtitleDelay(LONGLONG delay) = 0;
};

// Frame by frame while paused, as the video renderer steps.
class IVideoFrameStep {
public:
    virtual ~IVideoFrameStep() = default;
    // S_OK when the graph can step now: paused, with a picture.
    virtual HRESULT CanStep(long multiple) = 0;
    virtual HRESULT Step(DWORD frames) = 0;
};

class IQualProp {
public:
    virtual ~IQualProp() = default;
    // Frames per second times 100.
    virtual HRESULT get_AvgFrameRate(int* rate) = 0;
    // Frames shown while playing; those missing from a whole play were dropped.
    virtual HRESULT get_FramesDrawn(int* frames) = 0;
};

// What a graph reading from the network tells of the transfer.
class INetworkStatus {
public:
    virtual ~INetworkStatus() = default;
    // How full the buffer is, 0 to 100; 100 when playback waits for nothing.
    virtual int GetBufferingPercent() = 0;
    // A file can always seek; a server only when it serves byte ranges.
    virtual bool CanSeek() = 0;
};

// A graph of one medium: each graph interface above, on one object.
class IFilterGraph : public IGraphBuilder,
                     public IMediaControl,
                     public IMediaSeeking,
                     public IMediaEventEx,
                     public IBasicAudio,
                     public IBasicVideo2,
                     public IVideoWindow,
                     public IQualProp,
                     public IVideoFrameStep,
                     public IStreamControl,
                     public IAMStreamSelect,
                     public IExternalAudio,
                     public IStreamDelays,
                     public INetworkStatus {};

// A new, empty filter graph.
std::shared_ptr<IFilterGraph> CreateFilterGraph();
