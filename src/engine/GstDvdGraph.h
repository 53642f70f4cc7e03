// The DVD graph: the file graph's renderers, bus and video window fed by
// rsndvdbin, with the navigation commands and state on top.
#pragma once

#include "DvdDiscTables.h"
#include "DvdFramework.h"
#include "GstFilterGraph.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velvaro::engine {

struct GstStructureFree {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};
using GstStructureHandle = std::unique_ptr<GstStructure, GstStructureFree>;

class GstDvdGraph final : public GstFilterGraph,
                          public IDvdGraphBuilder,
                          public IDvdControl2,
                          public IDvdInfo2,
                          public std::enable_shared_from_this<GstDvdGraph> {
public:
    // A menu draws its buttons before the renderer: a picture decoded
    // ahead would show the user's move late.
    GstDvdGraph() { decodeAhead_ = false; }
    ~GstDvdGraph() override;

protected:
    // A seek would leave a menu or a still: the disc's next picture shows
    // the change.
    void ShowChangedPicture() override {}

public:
    // IDvdGraphBuilder
    HRESULT RenderDvdVideoVolume(const std::string& path, DWORD flags,
                                 AM_DVD_RENDERSTATUS* status) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    // IMediaEventEx
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override;

    // IDvdControl2
    HRESULT SetOption(DVD_OPTION_FLAG option, bool on) override;
    HRESULT SelectDefaultMenuLanguage(DWORD language) override;
    HRESULT SelectDefaultAudioLanguage(DWORD language, DWORD extension) override;
    HRESULT SelectDefaultSubpictureLanguage(DWORD language, DWORD extension) override;
    HRESULT PlayAtTime(const DVD_HMSF_TIMECODE& time, DWORD flags) override;
    HRESULT PlayChapter(ULONG chapter, DWORD flags) override;
    HRESULT PlayNextChapter(DWORD flags) override;
    HRESULT PlayPrevChapter(DWORD flags) override;
    HRESULT ReplayChapter(DWORD flags) override;
    HRESULT PlayForwards(double speed, DWORD flags) override;
    HRESULT PlayBackwards(double speed, DWORD flags) override;
    HRESULT ShowMenu(DVD_MENU_ID menu, DWORD flags) override;
    HRESULT Resume(DWORD flags) override;
    HRESULT ReturnFromSubmenu(DWORD flags) override;
    HRESULT SelectRelativeButton(DVD_RELATIVE_BUTTON direction) override;
    HRESULT ActivateButton() override;
    HRESULT SelectAtPosition(QPoint point) override;
    HRESULT ActivateAtPosition(QPoint point) override;
    HRESULT SelectAudioStream(ULONG stream, DWORD flags) override;
    HRESULT SelectSubpictureStream(ULONG stream, DWORD flags) override;
    HRESULT SetSubpictureState(bool on, DWORD flags) override;
    HRESULT SelectAngle(ULONG angle, DWORD flags) override;

    // IDvdInfo2
    HRESULT GetCurrentDomain(DVD_DOMAIN* domain) override;
    HRESULT GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) override;
    HRESULT GetTotalTitleTime(DVD_HMSF_TIMECODE* time, ULONG* timeCodeFlags) override;
    HRESULT GetNumberOfChapters(ULONG title, ULONG* chapters) override;
    HRESULT GetButtonAtPosition(QPoint point, ULONG* button) override;
    HRESULT GetCurrentAudio(ULONG* available, ULONG* current) override;
    HRESULT GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) override;
    HRESULT GetCurrentAngle(ULONG* available, ULONG* current) override;
    HRESULT GetAudioLanguage(ULONG stream, std::string* code) override;
    HRESULT GetSubpictureLanguage(ULONG stream, std::string* code) override;
    HRESULT GetCurrentUOPS(ULONG* prohibited) override;
    HRESULT GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) override;
    HRESULT GetCurrentVideoAttributes(DVD_VideoAttributes* attributes) override;

private:
    enum class Shown { Nothing, Menu, Title };

    HRESULT BuildPipeline(const std::string& device);
    void OnOtherMessage(GstMessage* message) override;
    // Streaming thread: what the reader entered is now shown.
    void OnShown(const GstStructure* news);
    // Streaming thread: a picture comes after a flush that took the news of
    // what it belongs to.
    void ShowUnshownNews();
    // The reader runs ahead of the picture: near a title's end it may
    // already sit in the menu after it, where seeks never return.
    bool ReaderInTitle() const;
    void OnTitleTag(const char* title);
    static void OnNavigatorPad(GstElement* navigator, GstPad* pad, GstDvdGraph* graph);
    static GstPadProbeReturn OnVideoEvent(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    static GstPadProbeReturn OnDemuxEvent(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    static GstPadProbeReturn OnSubpicture(GstPad* pad, GstPadProbeInfo* info, gpointer graph);
    GstPadHandle NavigatorPad() const;
    // The bin's subpicture selector; its sink_N carries subpicture stream N.
    GstElementHandle SubpictureSelector() const;
    ULONG SubpictureStreams() const;
    HRESULT SendNavigation(GstEvent* event);
    HRESULT SendCommand(GstNavigationCommand command);
    Shown ShownNow() const {
        std::lock_guard lock(shownMutex_);
        return shown_;
    }
    bool InTitle() const { return ShownNow() == Shown::Title; }
    bool InMenu() const { return ShownNow() == Shown::Menu; }
    // Asks the navigator which menu it is in: VMGM or a title set's.
    DVD_DOMAIN MenuDomain();
    // The title set (0 for the disc's own) and DVD_MENU_ID of the menu shown.
    std::pair<int, int> MenuShown();
    // What the disc's program chain shown prohibits.
    ULONG DiscProhibitions();
    // VFW_E_DVD_OPERATION_INHIBITED when the disc prohibits `operation` now.
    HRESULT Permit(ULONG operation);
    // Window thread: the streams in the preferred languages, once a title.
    void ApplyLanguagePreferences();
    // Buttons act only in menus that permit them; the refusal says which.
    bool ButtonsPermitted();
    HRESULT ButtonRefusal();
    // Backwards is a run of seeks, one a step, on a thread of its own.
    void ScanBackwards();
    void StopScan();
    HRESULT SeekTo(GstFormat format, gint64 position, double rate);
    HRESULT SendSeek(GstFormat format, gint64 position, double rate);
    HRESULT TimeCodeOf(gint64 nanoseconds, DVD_HMSF_TIMECODE* time, ULONG* flags);
    bool Highlighted(QPoint point) const;

    GstElement* spu_ = nullptr;
    GstElement* videoQueue_ = nullptr;
    GstElement* spuQueue_ = nullptr;
    GstElement* audioQueue_ = nullptr;
    // The navigator's reader: it answers the title and chapter queries.
    GstElementHandle reader_;
    // The navigator's video output: navigation events and seeks go there.
    GstPadHandle navigatorVideo_;
    std::unique_ptr<DvdDiscTables> tables_;
    // One seek at a time reaches the navigator.
    std::mutex seekMutex_;

    // From the streaming threads. What is shown changes with its event
    // queued under one lock: whoever is told the new one finds the event.
    mutable std::mutex shownMutex_;
    Shown shown_ = Shown::Nothing;
    std::atomic<int> title_{0};
    std::atomic<int> chapter_{0};
    // The title set of the title last shown: its menus are the ones called.
    std::atomic<int> titleSet_{1};
    std::atomic<int> mouseOverSerial_{0};
    std::atomic<bool> mouseOverActive_{false};
    std::atomic<bool> subpicturesShown_{true};
    // From the navigator's video format news; unknown until it comes.
    std::atomic<bool> formatKnown_{false};
    std::atomic<bool> widescreen_{false};
    std::atomic<bool> pal_{true};
    // Guards what follows.
    mutable std::mutex stateMutex_;
    int button_ = 0;
    QRect highlight_;
    // The languages of the audio and subpicture streams of what is shown;
    // empty where the disc names none.
    std::vector<std::string> audioLanguages_;
    std::vector<std::string> subpictureLanguages_;
    // The reader's last news of its streams' languages, shown with the
    // title tag that follows it.
    GstStructureHandle readerLanguages_;
    // The reader's last news of where it is, and what a flush left unshown.
    GstStructureHandle readerNews_;
    GstStructureHandle unshownNews_;
    std::atomic<bool> newsUnshown_{false};
    // Only switched by us: the navigator's own register is out of reach.
    ULONG currentAudio_ = 0;
    std::string lastTitleTag_;

    // Window thread: ISO 639-1 codes, empty for none, and the title they
    // were last applied to.
    std::string audioPreference_;
    std::string subpicturePreference_;
    int preferencesAppliedTo_ = 0;

    // The backwards scan: its speed (0 when off), where it has got to, and
    // whether the graph runs. Guarded by scanMutex_.
    std::mutex scanMutex_;
    std::condition_variable scanWake_;
    double scanSpeed_ = 0.0;
    gint64 scanPosition_ = 0;
    bool graphRunning_ = false;
    bool scanQuit_ = false;
    std::thread scanThread_;
};

}  // namespace velvaro::engine
