// DVD audio and subpicture streams: the navigator names them in an event
// only its demuxer sees, switches sound by key and leaves subpictures to its
// selector; the viewer's languages are applied as each title starts.
#include "GstDvdGraph.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace velvaro::engine {

namespace {

// "de" for German: discs name their languages by ISO 639-1 code.
std::string LanguageCode(DWORD language) {
    if (language > QLocale::LastLanguage || language == QLocale::C ||
        language == QLocale::AnyLanguage) {
        return {};
    }
    const QString name = QLocale(static_cast<QLocale::Language>(language)).name();
    return name.section(QLatin1Char('_'), 0, 0).toLower().toStdString();
}

}  // namespace

// Menus come in the language the reader picks; nothing reaches it.
HRESULT GstDvdGraph::SelectDefaultMenuLanguage(DWORD) {
    return E_NOTIMPL;
}

// The streams in these languages are chosen as each title starts, see
// ApplyLanguagePreferences.
HRESULT GstDvdGraph::SelectDefaultAudioLanguage(DWORD language, DWORD) {
    audioPreference_ = LanguageCode(language);
    return S_OK;
}

HRESULT GstDvdGraph::SelectDefaultSubpictureLanguage(DWORD language, DWORD) {
    subpicturePreference_ = LanguageCode(language);
    return S_OK;
}

void GstDvdGraph::ApplyLanguagePreferences() {
    if (title_ == preferencesAppliedTo_) {
        return;  // back from a menu: the viewer's own choice stands
    }
    preferencesAppliedTo_ = title_;
    const auto find = [](const std::vector<std::string>& codes, const std::string& wanted) {
        const auto found = std::find(codes.begin(), codes.end(), wanted);
        return wanted.empty() || found == codes.end() ? -1
                                                      : static_cast<int>(found - codes.begin());
    };
    int audio = -1, subpicture = -1;
    {
        std::lock_guard lock(stateMutex_);
        audio = find(audioLanguages_, audioPreference_);
        subpicture = find(subpictureLanguages_, subpicturePreference_);
    }
    if (audio >= 0 && static_cast<ULONG>(audio) != currentAudio_) {
        SelectAudioStream(static_cast<ULONG>(audio), DVD_CMD_FLAG_None);
    }
    if (subpicture >= 0) {
        SelectSubpictureStream(static_cast<ULONG>(subpicture), DVD_CMD_FLAG_None);
    }
}

// Keys 1-8 switch the bin's audio selector.
HRESULT GstDvdGraph::SelectAudioStream(ULONG stream, DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_Select_Audio_Stream); FAILED(permitted)) {
        return permitted;
    }
    {
        std::lock_guard lock(stateMutex_);
        if (stream >= audioLanguages_.size()) {
            return E_INVALIDARG;
        }
    }
    const std::string key = std::to_string(stream + 1);
    const HRESULT result = SendNavigation(
        gst_navigation_event_new_key_press(key.c_str(), GST_NAVIGATION_MODIFIER_NONE));
    if (SUCCEEDED(result)) {
        std::lock_guard lock(stateMutex_);
        currentAudio_ = stream;
    }
    return result;
}

// The navigator decides what shows; we can only hide it.
HRESULT GstDvdGraph::SetSubpictureState(bool on, DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_Select_SubPic_Stream); FAILED(permitted)) {
        return permitted;
    }
    subpicturesShown_ = on;
    return S_OK;
}

GstElementHandle GstDvdGraph::SubpictureSelector() const {
    return GstElementHandle(source_ ? gst_bin_get_by_name(GST_BIN(source_), "subpselect")
                                    : nullptr);
}

// The navigator cannot be told; its selector can. The disc's own commands
// may choose again later, as on a player.
HRESULT GstDvdGraph::SelectSubpictureStream(ULONG stream, DWORD) {
    if (const HRESULT permitted = Permit(UOP_FLAG_Select_SubPic_Stream); FAILED(permitted)) {
        return permitted;
    }
    if (stream >= SubpictureStreams()) {
        return E_INVALIDARG;
    }
    const GstElementHandle selector = SubpictureSelector();
    const std::string name = "sink_" + std::to_string(stream);
    const GstPadHandle pad(selector ? gst_element_get_static_pad(selector.get(), name.c_str())
                                    : nullptr);
    if (!pad) {
        return E_FAIL;
    }
    g_object_set(selector.get(), "active-pad", pad.get(), nullptr);
    return S_OK;
}

HRESULT GstDvdGraph::GetCurrentAudio(ULONG* available, ULONG* current) {
    if (!available || !current) {
        return E_POINTER;
    }
    std::lock_guard lock(stateMutex_);
    *available = static_cast<ULONG>(audioLanguages_.size());
    *current = currentAudio_;
    return S_OK;
}

// The stream shown is the selector's active input.
HRESULT GstDvdGraph::GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) {
    if (!available || !current || !disabled) {
        return E_POINTER;
    }
    *current = 0;
    if (const GstElementHandle selector = SubpictureSelector()) {
        GstPad* active = nullptr;
        g_object_get(selector.get(), "active-pad", &active, nullptr);
        const GstPadHandle held(active);
        const GCharHandle name(active ? gst_pad_get_name(active) : nullptr);
        unsigned stream = 0;
        if (name && std::sscanf(name.get(), "sink_%u", &stream) == 1) {
            *current = stream;
        }
    }
    *available = SubpictureStreams();
    *disabled = subpicturesShown_ ? 0 : 1;
    return S_OK;
}

HRESULT GstDvdGraph::GetAudioLanguage(ULONG stream, std::string* code) {
    std::lock_guard lock(stateMutex_);
    if (!code || stream >= audioLanguages_.size() || audioLanguages_[stream].empty()) {
        return E_FAIL;
    }
    *code = audioLanguages_[stream];
    return S_OK;
}

HRESULT GstDvdGraph::GetSubpictureLanguage(ULONG stream, std::string* code) {
    const ULONG streams = SubpictureStreams();
    std::lock_guard lock(stateMutex_);
    if (!code || stream >= streams || stream >= subpictureLanguages_.size() ||
        subpictureLanguages_[stream].empty()) {
        return E_FAIL;
    }
    *code = subpictureLanguages_[stream];
    return S_OK;
}

}  // namespace velvaro::engine
