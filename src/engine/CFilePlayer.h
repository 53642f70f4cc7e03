// The engine for media files: renders one file into a graph, reports an
// unplayable one, and adds streams, chapters, rates, frame numbers and a
// separate sound track.
#pragma once

#include "engine/CMediaPlayer.h"
#include "engine/CStreamSelector.h"

#include <QRect>

#include <memory>
#include <string>
#include <vector>

namespace velvaro::engine {
class GraphSuccession;
}

class CFilePlayer : public CMediaPlayer {
public:
    // Renders `fileName` here and now. The video output lies at
    // `videoRect` of the owner's window; `owner` receives the graph events
    // and timer `timerId` every `timerInterval` ms (no timer when either is
    // 0). `report`, when given, receives ReportFilterGraph's lines. A file
    // that does not open leaves GetOpenResult failing and GetErrorText
    // saying why.
    CFilePlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                const std::string& fileName, UINT timerId, UINT timerInterval,
                COLORREF borderColour);
    // The same for a graph rendered elsewhere (velvaro::engine::FileOpening).
    CFilePlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                const std::string& fileName, std::shared_ptr<IFilterGraph> rendered,
                HRESULT renderResult, UINT timerId, UINT timerInterval, COLORREF borderColour);
    ~CFilePlayer() override;

    HRESULT GetOpenResult() const { return openResult; }
    bool HasSplitter() const { return splitter != nullptr; }
    bool HasExternalAudio() const { return (externalAudioFlag & 1) != 0; }
    // Plays the sound of `path` instead of the film's. Refused for a film
    // without picture and for a file that has a picture of its own.
    // `path` in UTF-8. Reads the file here and now; a window checks it off
    // its thread first (velvaro::engine::FileOpening) and calls
    // AddExternalAudio.
    bool LoadExternalAudio(const std::string& path);
    // Whether `rendered`, `path`'s graph, is a sound track: it renders and
    // has no picture of its own.
    static bool IsSoundTrack(IFilterGraph& rendered, HRESULT renderResult);
    // The second half of LoadExternalAudio, for a file found a sound track.
    bool AddExternalAudio(const std::string& path);
    // While a track is checked, the film's own sound stays silent.
    void HoldFilmSound(bool held) { filterGraph->HoldFilmSound(held); }
    void RemoveExternalAudio();
    // `next`, made ahead of its turn and paused, plays from the moment
    // this medium's last sound or picture ends; null forgets it.
    void PlayNextAtEnd(CFilePlayer* next);
    // A player made without its clock timer, ahead of its turn, starts it.
    void StartClock(UINT id, UINT interval);
    // How full a network stream's buffer is, 0 to 100; always 100 for a file.
    int GetBufferingPercent() { return filterGraph->GetBufferingPercent(); }
    // False for a server that does not serve byte ranges.
    bool CanSeek() { return filterGraph->CanSeek(); }

    LONGLONG GetCurrentFrame() override;
    HRESULT SetPosition(int position) override;
    int GetStreamCount(int kind) override;
    HRESULT GetStreamName(int index, MajorType* extra, int* flags, int* kind, std::string* name,
                          LONGLONG* start) override;
    HRESULT SelectStream(int index, int kind) override;
    HRESULT SetRate(double rate) override;
    double GetRate() override;
    std::string GetFileName() override { return fileName; }

private:
    void Attach(const QRect& videoRect, QStringList* report, const std::string& fileName,
                std::shared_ptr<IFilterGraph> rendered, HRESULT renderResult,
                COLORREF borderColour);
    void CollectStreamSelectors();
    CStreamSelector* FindSelector(int number) const;
    // The splitter's streams of one kind: audio or subtitles.
    std::vector<MediaStream> SplitterStreams(MajorType type);
    HRESULT SwitchSplitterStream(MajorType type, int index);

    int lastSubtitle = 0;
    unsigned externalAudioFlag = 0;
    std::shared_ptr<IFilterGraph> filterGraph;
    std::shared_ptr<IBaseFilter> splitter;
    std::shared_ptr<IStreamControl> chapterInterface;
    std::unique_ptr<CStreamSelector> streamSelectors;
    std::unique_ptr<velvaro::engine::GraphSuccession> succession;
    UINT clockTimer = 0;
    HRESULT openResult = S_OK;
    QObject* owner;
    UINT timerId;
    UINT timerInterval;
};
