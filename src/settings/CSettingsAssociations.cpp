// The association list of the settings record and applying it to the system.
#include "CSettings.h"
#include "FileAssociations.h"
#include "platform/DesktopProjection.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

struct DefaultAssociation {
    const char* extension;
    unsigned flags;
};

// Added one by one at the head, so the finished list starts with vpp.
constexpr DefaultAssociation kDefaultAssociations[] = {
    {"ogm", ASSOC_VIDEO | ASSOC_AUDIO},
    {"mpeg", ASSOC_VIDEO | ASSOC_AUDIO},
    {"mpg", ASSOC_VIDEO | ASSOC_AUDIO},
    {"mpe", ASSOC_VIDEO | ASSOC_AUDIO},
    {"wm", ASSOC_VIDEO | ASSOC_AUDIO},
    {"avi", ASSOC_VIDEO},
    {"divx", ASSOC_VIDEO},
    {"mkv", ASSOC_VIDEO},
    {"wmv", ASSOC_VIDEO},
    {"wmd", ASSOC_VIDEO},
    {"m1v", ASSOC_VIDEO},
    {"m2v", ASSOC_VIDEO},
    {"vob", ASSOC_VIDEO},
    {"dat", ASSOC_VIDEO},
    {"wav", ASSOC_AUDIO},
    {"ac3", ASSOC_AUDIO},
    {"mka", ASSOC_AUDIO},
    {"mp1", ASSOC_AUDIO},
    {"mp2", ASSOC_AUDIO},
    {"mp3", ASSOC_AUDIO},
    {"mpa", ASSOC_AUDIO},
    {"wma", ASSOC_AUDIO},
    {"snd", ASSOC_AUDIO},
    {"au", ASSOC_AUDIO},
    {"aif", ASSOC_AUDIO},
    {"aifc", ASSOC_AUDIO},
    {"aiff", ASSOC_AUDIO},
    {"mid", ASSOC_AUDIO},
    {"rmi", ASSOC_AUDIO},
    {"midi", ASSOC_AUDIO},
    {"vpp", ASSOC_PLAYLIST | ASSOC_ASSOCIATED},
};

// Formats of today, after the ones above and in this order. Class bits only:
// open dialogs and folder scans know them, but the shell keeps its owners
// until the user associates them.
constexpr DefaultAssociation kTodaysFormats[] = {
    {"mp4", ASSOC_VIDEO},    {"m4v", ASSOC_VIDEO},     {"mov", ASSOC_VIDEO},
    {"webm", ASSOC_VIDEO},   {"ts", ASSOC_VIDEO},      {"m2ts", ASSOC_VIDEO},
    {"mts", ASSOC_VIDEO},    {"3gp", ASSOC_VIDEO},     {"flv", ASSOC_VIDEO},
    {"ogv", ASSOC_VIDEO},    {"flac", ASSOC_AUDIO},    {"ogg", ASSOC_AUDIO},
    {"oga", ASSOC_AUDIO},    {"opus", ASSOC_AUDIO},    {"m4a", ASSOC_AUDIO},
    {"aac", ASSOC_AUDIO},    {"wv", ASSOC_AUDIO},      {"ape", ASSOC_AUDIO},
    {"m3u", ASSOC_PLAYLIST}, {"m3u8", ASSOC_PLAYLIST}, {"pls", ASSOC_PLAYLIST},
};

}  // namespace

void CSettings::BuildDefaultAssociations() {
    associations.clear();
    // Entries go in at the head: the tail first, backwards.
    for (auto it = std::rbegin(kTodaysFormats); it != std::rend(kTodaysFormats); ++it) {
        AddFileAssociation(it->extension, it->flags);
    }
    for (const auto& [extension, flags] : kDefaultAssociations) {
        AddFileAssociation(extension, flags);
    }
}

void CSettings::RemoveFileAssociation(const FileAssociationEntry* entry, unsigned classBit) {
    for (auto& candidate : associations) {
        if (&candidate != entry) {
            continue;
        }
        candidate.flags -= classBit;
        // Below 2 no class bit is left, whatever bit 0 says.
        if (candidate.flags < ASSOC_VIDEO) {
            associations.remove_if([entry](const FileAssociationEntry& e) { return &e == entry; });
        }
        return;
    }
}

void CSettings::SetAssociatedByMask(unsigned mask, int on) {
    for (auto& entry : associations) {
        if (entry.flags & mask) {
            entry.flags = on ? entry.flags | ASSOC_ASSOCIATED : entry.flags & ~ASSOC_ASSOCIATED;
        }
    }
}

void CSettings::ApplyAssociations() {
    std::vector<std::string> known;
    for (const auto& entry : associations) {
        if (entry.flags & ASSOC_ASSOCIATED) {
            AssociateExtension(entry.extension);
        } else {
            UnassociateExtension(entry.extension);
        }
        known.push_back(entry.extension);
    }
    velvaro::platform::NotifyShellAssociationsChanged(known);
}
