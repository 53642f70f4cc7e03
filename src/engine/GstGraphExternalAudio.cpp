// The separate sound track: a second decoder whose sound replaces the film's.
#include "GstFilterGraph.h"

#include <QString>

#include <chrono>
#include <string>
#include <vector>

namespace velvaro::engine {

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

HRESULT GstFilterGraph::AddExternalAudio(const std::string& path) {
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
    g_object_set(externalSource_, "location", path.c_str(), nullptr);
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
    QueryPosition(GST_FORMAT_TIME, &position);
    Seek(rate_, position);
    return S_OK;
}

HRESULT GstFilterGraph::HoldFilmSound(bool held) {
    std::lock_guard lock(mutex_);
    filmSoundHeld_ = held;
    ApplyVolume();
    return S_OK;
}

HRESULT GstFilterGraph::RemoveExternalAudio() {
    if (!externalSource_) {
        return S_FALSE;
    }
    gint64 position = 0;
    QueryPosition(GST_FORMAT_TIME, &position);
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
