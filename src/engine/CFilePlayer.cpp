#include "CFilePlayer.h"

#include "engine/GraphSuccession.h"
#include "engine/GstGraphParts.h"

CFilePlayer::CFilePlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                         const std::string& fileName, UINT timerId, UINT timerInterval,
                         COLORREF borderColour)
    : owner(owner), timerId(timerId), timerInterval(timerInterval) {
    std::shared_ptr<IFilterGraph> rendered = CreateFilterGraph();
    const HRESULT result = rendered->RenderFile(fileName);
    Attach(videoRect, report, fileName, std::move(rendered), result, borderColour);
}

CFilePlayer::CFilePlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                         const std::string& fileName, std::shared_ptr<IFilterGraph> rendered,
                         HRESULT renderResult, UINT timerId, UINT timerInterval,
                         COLORREF borderColour)
    : owner(owner), timerId(timerId), timerInterval(timerInterval) {
    Attach(videoRect, report, fileName, std::move(rendered), renderResult, borderColour);
}

void CFilePlayer::Attach(const QRect& videoRect, QStringList* report,
                         const std::string& narrowFileName, std::shared_ptr<IFilterGraph> rendered,
                         HRESULT renderResult, COLORREF borderColour) {
    this->report = report;
    fileName = narrowFileName;
    filterGraph = std::move(rendered);
    graph = filterGraph;
    openResult = renderResult;
    graph->DumpGraph("velvaro-file");
    SetAspectRatioMode(0);

    videoWindow = filterGraph;
    mediaControl = filterGraph;
    basicVideo = filterGraph;
    mediaSeeking = filterGraph;
    mediaEvent = filterGraph;
    basicAudio = filterGraph;
    streamDelays = filterGraph;
    frameStep = filterGraph;
    mediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    graph->FindFilterByName("Video Renderer", &videoRenderer);

    if (openResult != S_OK && HasAudio() != S_OK && HasVideo() != S_OK) {
        return;
    }
    graph->FinishRender();

    UpdateVideoSize();
    videoWindow->put_Visible(false);
    videoWindow->put_BorderColor(static_cast<long>(borderColour));
    clockTimer = AttachToOwner(owner, videoRect, timerId, timerInterval);
    if (videoRenderer) {
        qualityProperties = filterGraph;
    }
    graph->FindFilterByName("Matroska Splitter", &splitter);
    if (splitter) {
        chapterInterface = filterGraph;
        SelectStream(0, STREAM_AUDIO);
        SelectStream(-1, STREAM_SUBTITLES);
        lastSubtitle = 0;
    } else {
        CollectStreamSelectors();
    }
    DisableClosedCaptions();
}

CFilePlayer::~CFilePlayer() {
    succession.reset();
    RemoveExternalAudio();
    StopAndDetach(owner, clockTimer);
    streamSelectors.reset();
    chapterInterface.reset();
    splitter.reset();
    videoRenderer.reset();
    qualityProperties.reset();
    frameStep.reset();
    basicAudio.reset();
    mediaEvent.reset();
    mediaSeeking.reset();
    basicVideo.reset();
    mediaControl.reset();
    videoWindow.reset();
    graph.reset();
    filterGraph.reset();
}

void CFilePlayer::PlayNextAtEnd(CFilePlayer* next) {
    succession.reset();
    if (next && filterGraph) {
        succession =
            std::make_unique<velvaro::engine::GraphSuccession>(*filterGraph, next->filterGraph);
    }
}

void CFilePlayer::StartClock(UINT id, UINT interval) {
    if (clockTimer != 0 || !owner || id == 0 || interval == 0) {
        return;
    }
    timerId = id;
    timerInterval = interval;
    SetTimer(owner, id, interval);
    clockTimer = id;
}

LONGLONG CFilePlayer::GetCurrentFrame() {
    if (!mediaSeeking || FAILED(mediaSeeking->SetTimeFormat(TimeFormat::Frame))) {
        return -1;
    }
    LONGLONG frame = -1;
    if (FAILED(mediaSeeking->GetCurrentPosition(&frame))) {
        frame = -1;
    }
    mediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    return frame;
}

HRESULT CFilePlayer::SetPosition(int position) {
    return CMediaPlayer::SetPosition(position);
}

void CFilePlayer::CollectStreamSelectors() {
    // Our graphs have one filter that selects streams: the demuxer.
    long count = 0;
    if (SUCCEEDED(filterGraph->Count(&count)) && count > 0) {
        streamSelectors = std::make_unique<CStreamSelector>(
            filterGraph->GetDemuxerName(), filterGraph, std::move(streamSelectors));
    }
}

CStreamSelector* CFilePlayer::FindSelector(int number) const {
    for (CStreamSelector* node = streamSelectors.get(); node; node = node->GetNext()) {
        if (node->GetNumber() == number) {
            return node;
        }
    }
    return nullptr;
}

std::vector<MediaStream> CFilePlayer::SplitterStreams(MajorType type) {
    std::vector<MediaStream> streams;
    for (auto& stream : filterGraph->GetStreams()) {
        if (stream.type == type) {
            streams.push_back(std::move(stream));
        }
    }
    return streams;
}

int CFilePlayer::GetStreamCount(int kind) {
    if (streamSelectors) {
        if (kind == 0) {
            int count = 0;
            for (CStreamSelector* node = streamSelectors.get(); node; node = node->GetNext()) {
                ++count;
            }
            return count;
        }
        long count = 0;
        CStreamSelector* node = FindSelector(kind);
        return node && SUCCEEDED(node->GetStreamSelect()->Count(&count)) ? static_cast<int>(count)
                                                                         : 0;
    }
    if (splitter) {
        switch (kind) {
            case STREAM_CHAPTERS:
                return chapterInterface ? static_cast<int>(chapterInterface->GetChapters().size())
                                        : 0;
            case STREAM_AUDIO:
                return static_cast<int>(SplitterStreams(MajorType::Audio).size());
            case STREAM_SUBTITLES:
                return static_cast<int>(SplitterStreams(MajorType::Subtitle).size());
            default:
                return 0;
        }
    }
    return 0;
}

HRESULT CFilePlayer::GetStreamName(int index, MajorType* extra, int* flags, int* kind,
                                   std::string* name, LONGLONG* start) {
    if (streamSelectors) {
        const int selector = kind ? *kind : 0;
        if (selector == 0) {
            CStreamSelector* node = FindSelector(index);
            if (name) {
                *name = node ? node->GetName() : std::string();
            }
            return S_OK;
        }
        CStreamSelector* node = FindSelector(selector);
        long count = 0;
        if (!node || FAILED(node->GetStreamSelect()->Count(&count)) || index < 0 ||
            index >= count) {
            return E_FAIL;
        }
        DWORD streamFlags = 0;
        long group = 0;
        MajorType type = MajorType::Unknown;
        std::string streamName;
        if (FAILED(
                node->GetStreamSelect()->Info(index, &type, &streamFlags, &group, &streamName))) {
            return E_FAIL;
        }
        if (flags) {
            *flags = static_cast<int>(streamFlags);
        }
        if (kind) {
            *kind = static_cast<int>(group);
        }
        if (extra) {
            *extra = type;
        }
        if (name) {
            *name = streamName.substr(0, 255);
        }
        return S_OK;
    }
    if (!splitter || !kind) {
        return E_FAIL;
    }
    if (*kind == STREAM_CHAPTERS) {
        const auto chapters =
            chapterInterface ? chapterInterface->GetChapters() : std::vector<MediaChapter>();
        if (index < 0 || index >= static_cast<int>(chapters.size())) {
            return E_FAIL;
        }
        const MediaChapter& chapter = chapters[static_cast<size_t>(index)];
        // The current chapter is the last one that has begun.
        LONGLONG position = 0;
        mediaSeeking->GetCurrentPosition(&position);
        int current = 0;
        for (size_t i = 0; i < chapters.size(); ++i) {
            if (chapters[i].start <= position) {
                current = static_cast<int>(i);
            }
        }
        if (flags) {
            *flags = index == current ? 1 : 0;
        }
        if (name) {
            *name = chapter.title;
        }
        if (start) {
            *start = chapter.start;
        }
        return S_OK;
    }
    if (*kind == STREAM_AUDIO || *kind == STREAM_SUBTITLES) {
        const auto streams =
            SplitterStreams(*kind == STREAM_AUDIO ? MajorType::Audio : MajorType::Subtitle);
        if (index < 0 || index >= static_cast<int>(streams.size())) {
            return E_FAIL;
        }
        const MediaStream& stream = streams[static_cast<size_t>(index)];
        if (flags) {
            *flags = stream.selected ? 1 : 0;
        }
        if (name) {
            *name = stream.name;
        }
        if (extra) {
            *extra = stream.type;
        }
        return S_OK;
    }
    return E_FAIL;
}

HRESULT CFilePlayer::SelectStream(int index, int kind) {
    // Subtitles off and the last one back, whichever list they were chosen
    // from; no selector has a stream below 0.
    if (streamSelectors && kind == STREAM_SUBTITLES && (index == -1 || index == -2)) {
        return SwitchSplitterStream(MajorType::Subtitle, index);
    }
    if (streamSelectors) {
        CStreamSelector* node = FindSelector(kind);
        return node ? node->GetStreamSelect()->Enable(index, AMSTREAMSELECTENABLE_ENABLE) : E_FAIL;
    }
    if (!splitter) {
        return E_FAIL;
    }
    switch (kind) {
        case STREAM_CHAPTERS: {
            LONGLONG start = 0;
            int chapterKind = STREAM_CHAPTERS;
            const HRESULT result =
                GetStreamName(index, nullptr, nullptr, &chapterKind, nullptr, &start);
            if (SUCCEEDED(result)) {
                SetPosition(static_cast<int>(start / 100000));
            }
            return result;
        }
        case STREAM_AUDIO:
            return SwitchSplitterStream(MajorType::Audio, index);
        case STREAM_SUBTITLES:
            return SwitchSplitterStream(MajorType::Subtitle, index);
        default:
            return E_FAIL;
    }
}

HRESULT CFilePlayer::SwitchSplitterStream(MajorType type, int index) {
    SaveGraphState();
    Stop();
    WaitForState();
    const auto streams = SplitterStreams(type);
    if (index == -1 && type == MajorType::Subtitle) {
        // Remember what was shown, so -2 can bring it back.
        for (size_t i = 0; i < streams.size(); ++i) {
            if (streams[i].selected) {
                lastSubtitle = static_cast<int>(i);
            }
        }
    }
    int wanted = index;
    if (index == -2 && type == MajorType::Subtitle) {
        wanted = lastSubtitle;
    }
    HRESULT result = E_FAIL;
    if (wanted >= 0 && wanted < static_cast<int>(streams.size())) {
        result = SUCCEEDED(filterGraph->SelectStreamOfType(type, wanted)) ? S_OK : E_FAIL;
    } else if (index == -1 || index == -2) {
        filterGraph->SelectStreamOfType(type, -1);
        result = S_OK;
    }
    WaitForState();
    RestoreGraphState();
    return result;
}

bool CFilePlayer::IsSoundTrack(IFilterGraph& rendered, HRESULT renderResult) {
    // A file with a picture of its own is no sound track.
    return SUCCEEDED(renderResult) && rendered.IsUsingDefaultSource() != S_OK;
}

bool CFilePlayer::LoadExternalAudio(const std::string& path) {
    if (HasVideo() != S_OK) {
        return false;
    }
    {
        auto probe = CreateFilterGraph();
        if (!IsSoundTrack(*probe, probe->RenderFile(path))) {
            RemoveExternalAudio();
            return false;
        }
    }
    return AddExternalAudio(path);
}

bool CFilePlayer::AddExternalAudio(const std::string& path) {
    if (HasVideo() != S_OK) {
        return false;
    }
    RemoveExternalAudio();
    const int volume = GetVolume();
    const int balance = GetBalance();
    const int position = GetPosition();
    SaveGraphState();
    Stop();
    WaitForState();
    const bool added = SUCCEEDED(filterGraph->AddExternalAudio(path));
    if (added) {
        ++externalAudioFlag;
    }
    SetPosition(position);
    SetVolume(volume);
    SetBalance(balance);
    WaitForState();
    RestoreGraphState();
    return added;
}

void CFilePlayer::RemoveExternalAudio() {
    if (!HasExternalAudio()) {
        return;
    }
    SaveGraphState();
    Stop();
    WaitForState();
    filterGraph->RemoveExternalAudio();
    WaitForState();
    RestoreGraphState();
    externalAudioFlag = 0;
}

HRESULT CFilePlayer::SetRate(double rate) {
    return mediaSeeking ? mediaSeeking->SetRate(rate) : E_NOINTERFACE;
}

double CFilePlayer::GetRate() {
    double rate = 1.0;
    if (mediaSeeking && FAILED(mediaSeeking->GetRate(&rate))) {
        rate = 1.0;
    }
    return rate;
}
