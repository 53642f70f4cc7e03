// The operations a disc prohibits where it is, from its own tables: the
// navigator neither tells nor obeys them.
#include "GstDvdGraph.h"

#include <QLocale>
#include <QString>

#include <algorithm>

namespace velvaro::engine {

ULONG GstDvdGraph::DiscProhibitions() {
    if (!tables_) {
        return 0;
    }
    if (InTitle()) {
        return tables_->TitleProhibitions(title_, chapter_);
    }
    if (InMenu()) {
        const auto [titleSet, menu] = MenuShown();
        return tables_->MenuProhibitions(titleSet, menu);
    }
    return 0;
}

HRESULT GstDvdGraph::Permit(ULONG operation) {
    return DiscProhibitions() & operation ? VFW_E_DVD_OPERATION_INHIBITED : S_OK;
}

// What the disc prohibits, and what this navigator cannot do where it is:
// go up from a submenu, seek or change the rate outside a title, resume
// inside one.
HRESULT GstDvdGraph::GetCurrentUOPS(ULONG* prohibited) {
    if (!prohibited) {
        return E_POINTER;
    }
    constexpr ULONG kTitleOnly = UOP_FLAG_Play_Title_Or_AtTime | UOP_FLAG_Play_Chapter |
                                 UOP_FLAG_Play_Title | UOP_FLAG_Play_Chapter_Or_AtTime |
                                 UOP_FLAG_PlayPrev_Or_Replay_Chapter | UOP_FLAG_PlayNext_Chapter |
                                 UOP_FLAG_Play_Forwards | UOP_FLAG_Play_Backwards;
    *prohibited = DiscProhibitions() | UOP_FLAG_ReturnFromSubMenu |
                  (InTitle() ? UOP_FLAG_Resume : kTitleOnly);
    return S_OK;
}

// Stream 2048 asks for the state of subpictures: bit 0 of the fourth word
// when there are none, bit 3 when the disc prohibits choosing them.
HRESULT GstDvdGraph::GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) {
    if (!attributes) {
        return E_POINTER;
    }
    *attributes = DVD_SubpictureAttributes{};
    if (stream == 2048) {
        attributes->LanguageExtension = SubpictureStreams() == 0 ? 0x1 : 0;
    } else {
        std::string code;
        if (FAILED(GetSubpictureLanguage(stream, &code))) {
            return E_INVALIDARG;
        }
        attributes->Type = 1;  // a language
        attributes->Language = static_cast<ULONG>(QLocale(QString::fromStdString(code)).language());
        return S_OK;
    }
    if (DiscProhibitions() & UOP_FLAG_Select_SubPic_Stream) {
        attributes->LanguageExtension |= 0x8;
    }
    return S_OK;
}

// The streams the reader names, but no more than the title set has: in
// titles the reader also names streams the disc does not have.
ULONG GstDvdGraph::SubpictureStreams() const {
    const int onDisc = tables_ && InTitle() ? tables_->SubpicturesOf(titleSet_) : -1;
    std::lock_guard lock(stateMutex_);
    const auto named = static_cast<int>(subpictureLanguages_.size());
    return static_cast<ULONG>(onDisc >= 0 ? std::min(named, onDisc) : named);
}

}  // namespace velvaro::engine
