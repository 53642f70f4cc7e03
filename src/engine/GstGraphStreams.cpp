// Streams, chapters and the separate sound track.
#include "GstFilterGraph.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velvaro::engine {

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
    const auto sameSet = [](std::vector<std::string> a, std::vector<std::string> b) {
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return a == b;
    };
    {
        std::lock_guard lock(mutex_);
        wantedIds_ = ids;
        if (sameSet(selectedIds_, ids)) {
            return S_OK;
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
    gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position);
    Seek(rate_, position);
    std::unique_lock lock(mutex_);
    const bool switched = streamsReady_.wait_for(lock, std::chrono::seconds(5),
                                                 [&] { return sameSet(selectedIds_, ids); });
    return switched ? S_OK : E_FAIL;
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

// The separate track's decoder posts its own stream messages; only the
// film's describe the film.
bool GstFilterGraph::FromFilmDecoder(GstMessage* message) const {
    GstObject* source = GST_MESSAGE_SRC(message);
    return source_ && source &&
           (source == GST_OBJECT(source_) ||
            gst_object_has_as_ancestor(source, GST_OBJECT(source_)));
}

// Streaming thread of the separate track's decoder.
void GstFilterGraph::OnExternalPadAdded(GstElement*, GstPad* pad, GstFilterGraph* graph) {
    if (MajorTypeOfPad(pad) != MajorType::Audio) {
        return;
    }
    std::lock_guard lock(graph->mutex_);
    if (!graph->externalRenderer_) {
        return;
    }
    GstPadHandle input(gst_element_get_static_pad(graph->externalRenderer_, kAudioInputPinName));
    if (!gst_pad_is_linked(input.get()) && gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK) {
        ++graph->linkedStreams_;
        graph->streamsReady_.notify_all();
    }
}

HRESULT GstFilterGraph::AddExternalAudio(const std::wstring& path) {
    if (!source_ || externalSource_) {
        return VFW_E_WRONG_STATE;
    }
    ElementMaker maker;
    GstElementHandle source = maker.Make("filesrc", "External Audio Source");
    GstElementHandle decoder = maker.Make("decodebin3", "External Audio Decoder");
    std::string error = maker.Error();
    GstElementHandle renderer =
        maker.Failed() ? nullptr : BuildAudioRenderer("External Audio DirectSound Device", &error);
    if (!renderer) {
        qCWarning(lcEngine).noquote()
            << "No separate sound track:" << QString::fromStdString(error);
        return VFW_E_CANNOT_RENDER;
    }
    // The film's sound is no longer decoded, and its renderer leaves the graph
    // so that it does not wait for data that never comes.
    std::vector<std::string> filmSelection;
    for (const MediaStream& stream : GetStreams()) {
        if (stream.selected) {
            filmSelection.push_back(stream.id);
        }
    }
    filmSelection_ = filmSelection;
    SelectStreamOfType(MajorType::Audio, -1);
    GstElement* filmRenderer = nullptr;
    {
        std::lock_guard lock(mutex_);
        filmRenderer = audioRenderer_;
        audioRenderer_ = nullptr;
    }
    if (filmRenderer) {
        filmAudioRenderer_.reset(GST_ELEMENT(gst_object_ref(filmRenderer)));
        gst_element_set_state(filmRenderer, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_.get()), filmRenderer);
    }

    int linkedBefore = 0;
    {
        std::lock_guard lock(mutex_);
        externalRenderer_ = renderer.get();
        linkedBefore = linkedStreams_;
    }
    externalSource_ = source.get();
    externalDecoder_ = decoder.get();
    g_object_set(externalSource_, "location", QString::fromStdWString(path).toStdString().c_str(),
                 nullptr);
    g_signal_connect(externalDecoder_, "pad-added", G_CALLBACK(&OnExternalPadAdded), this);
    gst_bin_add_many(GST_BIN(pipeline_.get()), externalSource_, externalDecoder_, externalRenderer_,
                     nullptr);
    bool linked = gst_element_link(externalSource_, externalDecoder_);
    gst_element_sync_state_with_parent(externalRenderer_);
    gst_element_sync_state_with_parent(externalDecoder_);
    gst_element_sync_state_with_parent(externalSource_);

    if (linked) {
        std::unique_lock lock(mutex_);
        linked = streamsReady_.wait_for(lock, std::chrono::nanoseconds(kRenderTimeout),
                                        [&] { return linkedStreams_ > linkedBefore; });
        if (linked) {
            audioRenderer_ = externalRenderer_;
            TakeVolumeControls();
        }
    }
    if (!linked) {
        RemoveExternalAudio();
        return VFW_E_CANNOT_RENDER;
    }
    // Both sources go on from where the film stands, once the new branch has
    // prerolled: a pipeline still changing state may refuse the seek. The
    // track is added either way; a refused seek leaves both where they are.
    gst_element_get_state(pipeline_.get(), nullptr, nullptr, kRenderTimeout);
    gint64 position = 0;
    gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position);
    Seek(rate_, position);
    return S_OK;
}

HRESULT GstFilterGraph::RemoveExternalAudio() {
    if (!externalSource_) {
        return S_FALSE;
    }
    gint64 position = 0;
    gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position);
    // Downstream first: a renderer waiting for its first buffer holds the
    // streams that feed it until it is shut down.
    for (GstElement* element : {externalRenderer_, externalDecoder_, externalSource_}) {
        gst_element_set_state(element, GST_STATE_NULL);
    }
    {
        std::lock_guard lock(mutex_);
        audioRenderer_ = nullptr;
        volume_ = panorama_ = nullptr;
    }
    for (GstElement* element : {externalSource_, externalDecoder_, externalRenderer_}) {
        gst_bin_remove(GST_BIN(pipeline_.get()), element);
    }
    externalSource_ = externalDecoder_ = nullptr;
    {
        std::lock_guard lock(mutex_);
        externalRenderer_ = nullptr;
    }
    if (filmAudioRenderer_) {
        gst_bin_add(GST_BIN(pipeline_.get()), filmAudioRenderer_.get());
        std::lock_guard lock(mutex_);
        audioRenderer_ = filmAudioRenderer_.get();
        filmAudioRenderer_.reset();  // the pipeline holds it again
        TakeVolumeControls();
    }
    if (audioRenderer_) {
        gst_element_sync_state_with_parent(audioRenderer_);
    }
    ApplySelection(filmSelection_);
    Seek(rate_, position);
    return S_OK;
}

}  // namespace velvaro::engine
