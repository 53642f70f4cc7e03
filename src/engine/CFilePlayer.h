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

class CLanguageFile;

// Set to true on the owner's window when it is about to close: a failed open
// then shows no error box.
inline constexpr const char* kClosingProperty = "closing";
// Set to true while the owner's window tries one medium after another (a
// playlist skipping what does not open): a failed open is logged, not boxed.
inline constexpr const char* kQuietOpenProperty = "quietOpen";

// The box "ERROROPENING" for `fileName` with `reason`, owned by `owner`'s
// window; logged instead while that window is quiet or closing.
void ReportOpenFailure(QWidget* owner, const CLanguageFile* language, const std::string& fileName,
                       const std::string& reason);

class CFilePlayer : public CMediaPlayer {
public:
    // `language` gives the texts of the open error; `owner` receives the
    // video window, the graph events and timer `timerId` every
    // `timerInterval` ms (no timer when either is 0).
    CFilePlayer(const QRect& videoRect, QObject* reportWindow, const CLanguageFile* language,
                QWidget* owner, const std::wstring& wideFileName, const std::string& fileName,
                UINT timerId, UINT timerInterval, COLORREF borderColour);
    ~CFilePlayer() override;

    HRESULT GetOpenResult() const { return openResult; }
    bool HasSplitter() const { return splitter != nullptr; }
    bool HasExternalAudio() const { return (externalAudioFlag & 1) != 0; }
    // Plays the sound of `path` instead of the film's. Refused for a film
    // without picture and for a file that has a picture of its own.
    bool LoadExternalAudio(const std::wstring& path);
    void RemoveExternalAudio();

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
    void ReportOpenError();
    void CollectStreamSelectors();
    CStreamSelector* FindSelector(int number) const;
    // The splitter's streams of one kind: audio or subtitles.
    std::vector<MediaStream> SplitterStreams(MajorType type);
    HRESULT SwitchSplitterStream(MajorType type, int index);

    int lastSubtitle = 0;
    unsigned externalAudioFlag = 0;
    const CLanguageFile* language;
    std::shared_ptr<IBaseFilter> splitter;
    std::shared_ptr<IStreamControl> chapterInterface;
    std::unique_ptr<CStreamSelector> streamSelectors;
    UINT clockTimer = 0;
    HRESULT openResult = S_OK;
    QWidget* owner;
    UINT timerId;
    UINT timerInterval;
};
