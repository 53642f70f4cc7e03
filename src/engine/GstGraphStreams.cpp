// Streams, chapters and the subtitle files beside the film.
#include "GstFilterGraph.h"

#include <QDir>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace velvaro::engine {

namespace {

constexpr const char* kSubtitleFileId = "velvaro/subtitle-file/";

// The subtitle file a stream id stands for, or -1 for the film's own streams.
int SubtitleFileOfId(const std::string& id) {
    const std::string prefix = kSubtitleFileId;
    if (id.compare(0, prefix.size(), prefix) != 0) {
        return -1;
    }
    return std::atoi(id.c_str() + prefix.size());
}

// Unlinks what feeds the overlay's subtitle input. The flush first frees a
// streaming thread the overlay holds until the picture catches up with its text.
void FreeSubtitleInput(GstPad* input, GstPad* peer) {
    gst_pad_send_event(input, gst_event_new_flush_start());
    gst_pad_unlink(peer, input);
    gst_pad_send_event(input, gst_event_new_flush_stop(FALSE));
}

}  // namespace

std::vector<SubtitleFile> GstFilterGraph::SubtitleFiles() const {
    return subtitleSearch_ && HaveVideo() ? subtitleSearch_->Files() : std::vector<SubtitleFile>();
}

std::vector<MediaStream> GstFilterGraph::GetStreams() {
    std::vector<MediaStream> streams;
    std::lock_guard lock(mutex_);
    if (!collection_) {
        return streams;
    }
    int ordinals[4] = {};
    for (guint i = 0; i < gst_stream_collection_get_size(collection_.get()); ++i) {
        GstStream* stream = gst_stream_collection_get_stream(collection_.get(), i);
        MediaStream info;
        info.type = MajorTypeOfStream(stream);
        const char* id = gst_stream_get_stream_id(stream);
        info.id = id ? id : "";
        info.name = StreamName(stream, info.type, ordinals[static_cast<int>(info.type)]++);
        info.selected =
            std::find(selectedIds_.begin(), selectedIds_.end(), info.id) != selectedIds_.end();
        streams.push_back(std::move(info));
    }
    const auto files = SubtitleFiles();
    for (size_t i = 0; i < files.size(); ++i) {
        const int index = static_cast<int>(i);
        streams.push_back({kSubtitleFileId + std::to_string(index), MajorType::Subtitle,
                           files[i].name, index == subtitleFile_});
    }
    return streams;
}

HRESULT GstFilterGraph::SelectStreamOfType(MajorType type, int ordinal) {
    std::vector<std::string> ids;
    int seen = 0;
    bool found = ordinal < 0;
    for (const MediaStream& stream : GetStreams()) {
        if (stream.type != type) {
            if (stream.selected) {
                ids.push_back(stream.id);
            }
        } else if (seen++ == ordinal) {
            ids.push_back(stream.id);
            found = true;
        }
    }
    if (!found) {
        return E_INVALIDARG;
    }
    return ApplySelection(ids);
}

HRESULT GstFilterGraph::ApplySelection(const std::vector<std::string>& ids) {
    if (!source_) {
        return VFW_E_WRONG_STATE;
    }
    std::vector<std::string> decoded;
    int file = -1;
    for (const std::string& id : ids) {
        const int index = SubtitleFileOfId(id);
        if (index < 0) {
            decoded.push_back(id);
        } else if (file < 0) {
            file = index;
        }
    }
    // The film's own subtitle stream that is to be drawn, if another than now.
    bool newText = false;
    for (const MediaStream& stream : GetStreams()) {
        if (stream.type == MajorType::Subtitle && !stream.selected &&
            std::find(decoded.begin(), decoded.end(), stream.id) != decoded.end()) {
            newText = true;
        }
    }
    // Where the picture stands, before any seek below has it move.
    const gint64 position = PipelinePosition();
    std::uint64_t formats = 0;
    {
        std::lock_guard lock(mutex_);
        formats = textFormats_;
    }
    const bool detached = subtitleFile_ >= 0 && subtitleFile_ != file;
    if (detached) {
        DetachSubtitleFile(false);
    }
    HRESULT result = SelectDecodedStreams(decoded);
    if (file >= 0 && file != subtitleFile_) {
        const HRESULT attached = AttachSubtitleFile(file, position);
        result = FAILED(attached) ? attached : result;
    } else if (detached && result == S_FALSE) {
        // The overlay lets go of the text with the next picture: the one shown again.
        ShowAgain();
    } else if (newText && result == S_OK && logicalState_ != State_Running) {
        // The still picture the switch brought may have gone by before the
        // new stream's text.
        {
            std::unique_lock lock(mutex_);
            streamsReady_.wait_for(lock, std::chrono::seconds(1),
                                   [&] { return textFormats_ != formats; });
        }
        if (LetOverlayTakeText(position)) {
            ShowAgainHeldForText(position);
        }
    }
    return result == S_FALSE ? S_OK : result;
}

bool GstFilterGraph::LetOverlayTakeText(gint64 still) {
    if (!OverlayAwaitsPicture()) {
        return true;
    }
    if (logicalState_ == State_Running) {
        ShowAgain();
        return false;
    }
    Seek(rate_, still);
    std::unique_lock lock(mutex_);
    return streamsReady_.wait_for(lock, std::chrono::seconds(2),
                                  [this] { return pictureSinceSeek_; });
}

void GstFilterGraph::ShowAgainHeldForText(gint64 still) {
    const gint64 position = logicalState_ == State_Running ? PipelinePosition() : still;
    const GstElementHandle renderer = OverlayTextRenderer();
    Seek(rate_, position, renderer.get());
}

bool GstFilterGraph::QueryPosition(GstFormat format, gint64* position) const {
    if (audioDelay_ < 0 && videoSink_ && gst_element_query_position(videoSink_, format, position)) {
        return true;
    }
    return gst_element_query_position(pipeline_.get(), format, position);
}

gint64 GstFilterGraph::PipelinePosition() const {
    gint64 position = 0;
    QueryPosition(GST_FORMAT_TIME, &position);
    return position;
}

void GstFilterGraph::ShowAgain() {
    Seek(rate_, PipelinePosition());
}

HRESULT GstFilterGraph::SelectDecodedStreams(const std::vector<std::string>& ids) {
    const auto sameSet = [](std::vector<std::string> a, std::vector<std::string> b) {
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return a == b;
    };
    {
        std::lock_guard lock(mutex_);
        wantedIds_ = ids;
        if (sameSet(selectedIds_, ids)) {
            return S_FALSE;
        }
    }
    GStringListHandle list;
    for (const std::string& id : ids) {
        list.reset(g_list_append(list.release(), g_strdup(id.c_str())));
    }
    if (!gst_element_send_event(source_, gst_event_new_select_streams(list.get()))) {
        return E_FAIL;
    }
    // The decoder switches from where the file is read next: read again from here.
    gint64 position = 0;
    QueryPosition(GST_FORMAT_TIME, &position);
    Seek(rate_, position);
    std::unique_lock lock(mutex_);
    const bool switched = streamsReady_.wait_for(lock, std::chrono::seconds(5),
                                                 [&] { return sameSet(selectedIds_, ids); });
    return switched ? S_OK : E_FAIL;
}

HRESULT GstFilterGraph::AttachSubtitleFile(int index, gint64 position) {
    const auto files = SubtitleFiles();
    if (index < 0 || index >= static_cast<int>(files.size())) {
        return E_INVALIDARG;
    }
    const SubtitleFile& file = files[static_cast<size_t>(index)];
    GstPadHandle input;
    {
        std::lock_guard lock(mutex_);
        if (videoRenderer_) {
            input.reset(gst_element_get_static_pad(videoRenderer_, kSubtitleInputName));
        }
    }
    ElementMaker maker;
    GstElementHandle source =
        maker.Make("filesrc", (std::string(kSubtitleFilePrefix) + " Source").c_str());
    GstElementHandle parser =
        maker.Make("subparse", (std::string(kSubtitleFilePrefix) + " Parser").c_str());
    if (maker.Failed() || !input) {
        return VFW_E_CANNOT_RENDER;
    }
    std::string path = file.path;
    if (!file.converted.empty()) {
        // What the parser cannot read is read from a copy in a form it can.
        auto copy = std::make_unique<QTemporaryFile>(
            QDir::tempPath() + QStringLiteral("/velvaro-subtitle-XXXXXX.srt"));
        if (!copy->open() ||
            copy->write(file.converted.data(), static_cast<qint64>(file.converted.size())) !=
                static_cast<qint64>(file.converted.size()) ||
            !copy->flush()) {
            qCWarning(lcEngine).noquote() << "Subtitle file" << QString::fromStdString(file.path)
                                          << "could not be converted:" << copy->errorString();
            return VFW_E_CANNOT_RENDER;
        }
        path = copy->fileName().toStdString();
        subtitleCopy_ = std::move(copy);
    }
    // In one piece, so that the parser judges the encoding on the whole text.
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    const guint blockSize =
        error ? 4096u : static_cast<guint>(std::max<std::uintmax_t>(size, 4096));
    g_object_set(source.get(), "location", path.c_str(), "blocksize", blockSize, nullptr);
    g_object_set(parser.get(), "subtitle-encoding", file.encoding.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline_.get()), source.get(), parser.get(), nullptr);
    // An embedded subtitle the decoder has not let go of yet gives way.
    if (GstPadHandle peer{gst_pad_get_peer(input.get())}) {
        FreeSubtitleInput(input.get(), peer.get());
    }
    GstPadHandle output(gst_element_get_static_pad(parser.get(), "src"));
    if (!gst_element_link(source.get(), parser.get()) ||
        GST_PAD_LINK_FAILED(gst_pad_link(output.get(), input.get()))) {
        qCWarning(lcEngine).noquote()
            << "Subtitle file" << QString::fromStdString(file.path) << "could not be connected.";
        gst_bin_remove_many(GST_BIN(pipeline_.get()), source.get(), parser.get(), nullptr);
        subtitleCopy_.reset();
        return VFW_E_CANNOT_RENDER;
    }
    subtitleSource_ = source.get();
    subtitleParser_ = parser.get();
    subtitleFile_ = index;
    {
        std::lock_guard lock(mutex_);
        subtitleEnded_ = false;
        subtitleActivity_ = 0;
        subtitleFormatCame_ = 0;
    }
    gst_pad_add_probe(output.get(),
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &OnSubtitleData, this, nullptr);
    gst_element_sync_state_with_parent(subtitleParser_);
    // Until the overlay has made its renderer, a seek of the film does not
    // reach the parser, which would time its text from the film's start.
    // So the parser is sought to where the film stands first, with the file
    // held at its first data meanwhile: the parser takes its new timing
    // after its reading has started again, and no text may go before.
    SourceDataHold hold(subtitleSource_);
    if (!gst_element_sync_state_with_parent(subtitleSource_)) {
        hold.Release();
        // Gone or unreadable since it was found: logged from the bus.
        DetachSubtitleFile(true);
        return VFW_E_CANNOT_RENDER;
    }
    gst_pad_send_event(output.get(),
                       gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                          GST_SEEK_TYPE_SET, position, GST_SEEK_TYPE_NONE, -1));
    hold.Release();
    // Without a renderer, no text passes the overlay yet: what the parser
    // sends first is all there is to wait for.
    WaitForSubtitleParser(OverlayTextRenderer() != nullptr);
    if (OverlayAwaitsPicture()) {
        {
            // The seek that brings the picture may not reach the parser:
            // what it did before counts no more.
            std::lock_guard lock(mutex_);
            subtitleActivity_ = 0;
            subtitleEnded_ = false;
        }
        if (!LetOverlayTakeText(position)) {
            return S_OK;
        }
        WaitForSubtitleParser(true);
    }
    ShowAgainHeldForText(position);
    return S_OK;
}

void GstFilterGraph::WaitForSubtitleParser(bool textCounts) {
    // Once the overlay has a renderer, the parser takes a seek well when it
    // has delivered all or waits for the overlay. While it is still sending,
    // a seek can leave its text without a segment or meet its thread in the
    // overlay, so a busy machine gets time. Before, what matters is that
    // the text's format has gone out.
    const std::int64_t started = SteadyNow();
    for (std::unique_lock lock(mutex_); !streamsReady_.wait_for(
             lock, std::chrono::milliseconds(10), [this] { return subtitleEnded_; });) {
        const std::int64_t now = SteadyNow();
        const std::int64_t last = textCounts ? subtitleActivity_ : subtitleFormatCame_;
        if ((last != 0 && now - last > 250) || now - started > 2000) {
            break;
        }
    }
}

// Streaming thread of a subtitle file: what its parser delivers.
GstPadProbeReturn GstFilterGraph::OnSubtitleData(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* graph = static_cast<GstFilterGraph*>(data);
    const GstEventType event = (info->type & GST_PAD_PROBE_TYPE_EVENT_BOTH)
                                   ? GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info))
                                   : GST_EVENT_UNKNOWN;
    std::lock_guard lock(graph->mutex_);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        // Only text counts: the events before it are what a seek must not meet.
        graph->subtitleActivity_ = SteadyNow();
    } else if (event == GST_EVENT_CAPS) {
        graph->subtitleFormatCame_ = SteadyNow();
    } else if (event == GST_EVENT_FLUSH_STOP) {
        // Read again from a seek: what went before counts no more.
        graph->subtitleActivity_ = 0;
        graph->subtitleEnded_ = false;
    } else if (event == GST_EVENT_EOS) {
        graph->subtitleEnded_ = true;
        graph->streamsReady_.notify_all();
    }
    return GST_PAD_PROBE_OK;
}

void GstFilterGraph::DetachSubtitleFile(bool showAgain) {
    if (!subtitleParser_) {
        return;
    }
    GstPadHandle input;
    {
        std::lock_guard lock(mutex_);
        if (videoRenderer_) {
            input.reset(gst_element_get_static_pad(videoRenderer_, kSubtitleInputName));
        }
    }
    GstPadHandle output(gst_element_get_static_pad(subtitleParser_, "src"));
    if (input && gst_pad_is_linked(output.get())) {
        // Stopped while still linked: unlinked, the source would report an error.
        gst_pad_send_event(input.get(), gst_event_new_flush_start());
        gst_element_set_state(subtitleSource_, GST_STATE_NULL);
        gst_element_set_state(subtitleParser_, GST_STATE_NULL);
        gst_pad_unlink(output.get(), input.get());
        gst_pad_send_event(input.get(), gst_event_new_flush_stop(FALSE));
    } else {
        gst_element_set_state(subtitleSource_, GST_STATE_NULL);
        gst_element_set_state(subtitleParser_, GST_STATE_NULL);
    }
    gst_bin_remove_many(GST_BIN(pipeline_.get()), subtitleSource_, subtitleParser_, nullptr);
    subtitleSource_ = subtitleParser_ = nullptr;
    subtitleFile_ = -1;
    subtitleCopy_.reset();
    if (showAgain) {
        ShowAgain();
    }
}

void GstFilterGraph::StoreToc(GstToc* toc) {
    std::vector<MediaChapter> chapters;
    const auto addChapters = [&chapters](GList* entries) {
        for (GList* item = entries; item; item = item->next) {
            auto* entry = static_cast<GstTocEntry*>(item->data);
            if (gst_toc_entry_get_entry_type(entry) != GST_TOC_ENTRY_TYPE_CHAPTER) {
                continue;
            }
            gint64 start = 0, stop = 0;
            gst_toc_entry_get_start_stop_times(entry, &start, &stop);
            MediaChapter chapter{start / 100, stop / 100, {}};
            if (const GstTagList* tags = gst_toc_entry_get_tags(entry)) {
                if (const GCharHandle title{TagText(tags, GST_TAG_TITLE)}) {
                    chapter.title = title.get();
                }
            }
            chapters.push_back(std::move(chapter));
        }
    };
    for (GList* item = gst_toc_get_entries(toc); item; item = item->next) {
        auto* entry = static_cast<GstTocEntry*>(item->data);
        if (gst_toc_entry_get_entry_type(entry) == GST_TOC_ENTRY_TYPE_EDITION) {
            addChapters(gst_toc_entry_get_sub_entries(entry));
        }
    }
    addChapters(gst_toc_get_entries(toc));
    std::lock_guard lock(mutex_);
    chapters_ = std::move(chapters);
}

std::vector<MediaChapter> GstFilterGraph::GetChapters() {
    std::lock_guard lock(mutex_);
    return chapters_;
}

std::string GstFilterGraph::GetDemuxerName() {
    if (!source_) {
        return {};
    }
    std::string name;
    ForEachItem(gst_bin_iterate_recurse(GST_BIN(source_)), [&name](gpointer item) {
        auto* element = GST_ELEMENT(item);
        GstElementFactory* factory = gst_element_get_factory(element);
        const char* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
        if (klass && std::strstr(klass, "Demuxer")) {
            name = FilterNameOf(element);
        }
        return name.empty();
    });
    return name;
}

HRESULT GstFilterGraph::Count(long* streams) {
    if (!streams) {
        return E_POINTER;
    }
    *streams = static_cast<long>(GetStreams().size());
    return S_OK;
}

HRESULT GstFilterGraph::Info(long index, MajorType* type, DWORD* flags, long* group,
                             std::string* name) {
    const auto streams = GetStreams();
    if (index < 0 || index >= static_cast<long>(streams.size())) {
        return E_INVALIDARG;
    }
    const MediaStream& stream = streams[static_cast<size_t>(index)];
    if (type) {
        *type = stream.type;
    }
    if (flags) {
        *flags = stream.selected ? AMSTREAMSELECTINFO_ENABLED : 0;
    }
    if (group) {
        // One group per kind of stream: picture, sound, subtitles.
        *group = stream.type == MajorType::Video      ? 0
                 : stream.type == MajorType::Audio    ? 1
                 : stream.type == MajorType::Subtitle ? 2
                                                      : 3;
    }
    if (name) {
        *name = stream.name;
    }
    return S_OK;
}

HRESULT GstFilterGraph::Enable(long index, DWORD flags) {
    const auto streams = GetStreams();
    if (index < 0 || index >= static_cast<long>(streams.size())) {
        return E_INVALIDARG;
    }
    const MajorType type = streams[static_cast<size_t>(index)].type;
    int ordinal = 0;
    for (long i = 0; i < index; ++i) {
        ordinal += streams[static_cast<size_t>(i)].type == type ? 1 : 0;
    }
    return SelectStreamOfType(type, flags & AMSTREAMSELECTENABLE_ENABLE ? ordinal : -1);
}

}  // namespace velvaro::engine
