#include "session/MediumStreams.h"

#include "CommandRanges.h"
#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "session/PlayerSession.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

namespace range = command_range;
using Kind = StreamEntry::Kind;

// Subtitle flags of the DVD: none here, or choosing them prohibited.
constexpr ULONG kNoSubpictureChoice = 0x1 | 0x8;

struct ListKind {
    Kind kind;
    int streamKind;
    int base;
    ULONG operation;
};
constexpr ListKind kListKinds[] = {
    {Kind::Chapter, STREAM_CHAPTERS, range::kFirstStream, UOP_FLAG_Play_Chapter},
    {Kind::Audio, STREAM_AUDIO, range::kFirstAudio, UOP_FLAG_Select_Audio_Stream},
    {Kind::Subtitle, STREAM_SUBTITLES, range::kFirstSubtitle, UOP_FLAG_Select_SubPic_Stream},
    {Kind::Angle, STREAM_ANGLES, range::kFirstAngle, UOP_FLAG_Select_Angle},
};

bool IsList(Kind kind) {
    return std::ranges::any_of(kListKinds,
                               [kind](const ListKind& list) { return list.kind == kind; });
}

QString Name(const std::string& name, int index) {
    // A stream whose name cannot be read still needs a visible entry.
    return name.empty() ? QString::asprintf("%03i", index + 1) : QString::fromStdString(name);
}

// "Off" is always there, first.
StreamEntry& Off(std::vector<StreamEntry>& entries) {
    if (entries.empty() || entries.front().kind != Kind::SubtitleOff) {
        entries.insert(entries.begin(), StreamEntry{.kind = Kind::SubtitleOff,
                                                    .id = range::kSubtitleOff,
                                                    .streamKind = STREAM_SUBTITLES});
    }
    return entries.front();
}

const StreamEntry* Find(const std::vector<StreamEntry>& entries, int id) {
    const auto found = std::ranges::find(entries, id, &StreamEntry::id);
    return found == entries.end() ? nullptr : &*found;
}

bool IsChecked(const std::vector<StreamEntry>& entries, int id) {
    const StreamEntry* entry = Find(entries, id);
    return entry && entry->checked;
}

int CountOf(const std::vector<StreamEntry>& entries, Kind kind) {
    return static_cast<int>(std::ranges::count(entries, kind, &StreamEntry::kind));
}

void ReadGroups(CMediaPlayer& player, int groups, std::vector<StreamEntry>& entries) {
    int next = range::kFirstStream;
    std::vector<StreamEntry> subtitles;
    for (int group = 1; group <= groups; ++group) {
        std::string groupName;
        int nameKind = 0;
        player.GetStreamName(group, nullptr, nullptr, &nameKind, &groupName, nullptr);
        entries.push_back(
            {.kind = Kind::Group, .text = QString::fromStdString(groupName), .streamKind = group});
        bool first = true;
        int previousSubgroup = 0;
        const int count = player.GetStreamCount(group);
        for (int stream = 0; stream < count && next < range::kStreamTableEnd; ++stream) {
            std::string name;
            int flags = 0, subgroup = group;
            MajorType type = MajorType::Unknown;
            if (FAILED(player.GetStreamName(stream, &type, &flags, &subgroup, &name, nullptr))) {
                continue;
            }
            const StreamEntry entry{.kind = Kind::Stream,
                                    .id = next++,
                                    .text = Name(name, stream),
                                    .checked = (flags & 1) != 0,
                                    .separatorBefore = !first && subgroup != previousSubgroup,
                                    .index = stream,
                                    .streamKind = group};
            entries.push_back(entry);
            if (type == MajorType::Subtitle && subtitles.size() < size_t{range::kStreamsPerKind}) {
                StreamEntry subtitle = entry;
                subtitle.kind = Kind::Subtitle;
                subtitle.id = range::kFirstSubtitle + static_cast<int>(subtitles.size());
                subtitle.separatorBefore = false;
                subtitles.push_back(subtitle);
            }
            first = false;
            previousSubgroup = subgroup;
        }
    }
    entries.insert(entries.end(), subtitles.begin(), subtitles.end());
}

void ReadLists(CMediaPlayer& player, ULONG forbidden, std::vector<StreamEntry>& entries) {
    for (const ListKind& list : kListKinds) {
        if ((forbidden & list.operation) != 0) {
            continue;
        }
        const int count = std::min(player.GetStreamCount(list.streamKind), range::kStreamsPerKind);
        for (int i = 0; i < count; ++i) {
            std::string name;
            int flags = 0, kind = list.streamKind;
            player.GetStreamName(i, nullptr, &flags, &kind, &name, nullptr);
            entries.push_back({.kind = list.kind,
                               .id = list.base + i,
                               .text = Name(name, i),
                               .checked = (flags & 1) != 0,
                               .index = i,
                               .streamKind = list.streamKind});
        }
    }
}

// The marks of `entries` as the engine reports them now.
void ReadMarks(CMediaPlayer& player, std::vector<StreamEntry>& entries) {
    const auto* file = dynamic_cast<const CFilePlayer*>(&player);
    const bool externalAudio = file && file->HasExternalAudio();
    const bool table = CountOf(entries, Kind::Stream) != 0;
    for (StreamEntry& entry : entries) {
        if (entry.kind != Kind::Stream) {
            continue;
        }
        MajorType type = MajorType::Unknown;
        int flags = 0, kind = entry.streamKind;
        // Not every player answers without a place for the name.
        std::string name;
        player.GetStreamName(entry.index, &type, &flags, &kind, &name, nullptr);
        entry.checked = (flags & 1) != 0;
        entry.enabled = !(externalAudio && type == MajorType::Audio);
    }
    if (table) {
        for (StreamEntry& entry : entries) {
            if (entry.kind == Kind::Subtitle) {
                const auto same = std::ranges::find_if(entries, [&](const StreamEntry& stream) {
                    return stream.kind == Kind::Stream && stream.index == entry.index &&
                           stream.streamKind == entry.streamKind;
                });
                entry.checked = same != entries.end() && same->checked;
            }
        }
        return;
    }
    // A list may have shrunk since it was read; what is gone keeps its mark.
    std::array<int, STREAM_ANGLES + 1> counts{};
    for (const ListKind& list : kListKinds) {
        counts[list.streamKind] =
            std::min(player.GetStreamCount(list.streamKind), range::kStreamsPerKind);
    }
    for (StreamEntry& entry : entries) {
        if (!IsList(entry.kind) || entry.index >= counts[entry.streamKind]) {
            continue;
        }
        int flags = 0, kind = entry.streamKind;
        std::string name;
        player.GetStreamName(entry.index, nullptr, &flags, &kind, &name, nullptr);
        entry.checked = (flags & 1) != 0;
        if (entry.kind == Kind::Audio) {
            entry.enabled = !externalAudio;
        }
    }
}

}  // namespace

MediumStreams::MediumStreams(PlayerSession& session) : session_(session) {}

int MediumStreams::TableCount() const {
    return CountOf(session_.State().streams, Kind::Stream);
}

bool MediumStreams::SubtitlesOff() const {
    return IsChecked(session_.State().streams, range::kSubtitleOff);
}

void MediumStreams::Reset() {
    std::vector<StreamEntry> entries = session_.State().streams;
    StreamEntry off = Off(entries);
    // A disc that greyed "Off" must not keep it from the next medium.
    off.enabled = true;
    Publish({off});
}

void MediumStreams::Build() {
    CMediaPlayer* player = session_.Player();
    if (!player) {
        Reset();
        return;
    }
    std::vector<StreamEntry> entries = session_.State().streams;
    std::vector<StreamEntry> built{Off(entries)};
    if (const int groups = player->GetStreamCount(0); groups != 0) {
        ReadGroups(*player, groups, built);
    } else if (CDvdPlayer* dvd = session_.DvdPlayer()) {
        ReadLists(*player, dvd->GetCurrentUOPs(), built);
    } else if (session_.FilePlayer() && session_.FilePlayer()->HasSplitter()) {
        ReadLists(*player, 0, built);
    }
    Publish(std::move(built));
}

void MediumStreams::Refresh() {
    if (CMediaPlayer* player = session_.Player()) {
        std::vector<StreamEntry> entries = session_.State().streams;
        ReadMarks(*player, entries);
        Publish(std::move(entries));
    }
}

bool MediumStreams::Select(int id, bool* applyLayout) {
    const bool stream = range::InRange(id, range::kFirstStream, range::kStreamTableEnd);
    const bool audio =
        range::InRange(id, range::kFirstAudio, range::kFirstAudio + range::kStreamsPerKind);
    const bool off = id == range::kSubtitleOff;
    const bool subtitle =
        range::InRange(id, range::kFirstSubtitle, range::kFirstSubtitle + range::kStreamsPerKind);
    const bool angle =
        range::InRange(id, range::kFirstAngle, range::kFirstAngle + range::kStreamsPerKind);
    if (!(stream || audio || off || subtitle || angle)) {
        return false;
    }
    bool layout = false;
    CMediaPlayer* player = session_.Player();
    std::vector<StreamEntry> entries = session_.State().streams;
    StreamEntry& offEntry = Off(entries);
    const bool wasOff = offEntry.checked;
    const StreamEntry* entry = Find(entries, id);
    if (!player) {
        // Nothing to choose from.
    } else if (stream) {
        const int index = id - range::kFirstStream;
        if (entry && entry->kind == Kind::Stream) {
            player->SelectStream(entry->index, entry->streamKind);
        } else if (index < range::kStreamsPerKind) {
            player->SelectStream(index, STREAM_CHAPTERS);
        }
    } else if (audio) {
        if (!IsChecked(entries, id)) {
            player->SelectStream(id - range::kFirstAudio, STREAM_AUDIO);
        }
    } else if (off) {
        offEntry.checked = !wasOff;
        // -1 hides the subtitles, -2 shows the current stream again.
        player->SelectStream(wasOff ? -2 : -1, STREAM_SUBTITLES);
        layout = true;
    } else if (subtitle) {
        if (!(IsChecked(entries, id) && !wasOff)) {
            offEntry.checked = false;
            if (entry) {
                player->SelectStream(entry->index, entry->streamKind);
            } else if (CountOf(entries, Kind::Stream) == 0) {
                player->SelectStream(id - range::kFirstSubtitle, STREAM_SUBTITLES);
            }
            layout = true;
        }
    } else if (!IsChecked(entries, id)) {
        player->SelectStream(id - range::kFirstAngle, STREAM_ANGLES);
    }
    if (applyLayout) {
        *applyLayout = layout;
    }
    if (player) {
        ReadMarks(*player, entries);
        Publish(std::move(entries));
    }
    return true;
}

bool MediumStreams::ReapplySubtitles() {
    CDvdPlayer* dvd = session_.DvdPlayer();
    if (!dvd) {
        return false;
    }
    std::vector<StreamEntry> entries = session_.State().streams;
    StreamEntry& off = Off(entries);
    bool reapplied = false;
    if ((dvd->GetSubpictureFlags() & kNoSubpictureChoice) != 0) {
        off.enabled = false;
    } else {
        off.enabled = SUCCEEDED(dvd->SelectStream(off.checked ? -1 : -2, STREAM_SUBTITLES));
        reapplied = true;
    }
    Publish(std::move(entries));
    return reapplied;
}

void MediumStreams::Publish(std::vector<StreamEntry> entries) {
    session_.Update([&entries](PlayerState& now) { now.streams = std::move(entries); });
    // The table has the marks too, for the views that draw from it.
    CommandStateTable& table = session_.Commands();
    for (const StreamEntry& entry : session_.State().streams) {
        if (entry.id == 0) {
            continue;
        }
        const CommandLook look = table.Look(entry.id);
        if (look.checked != entry.checked) {
            table.SetChecked(entry.id, entry.checked);
        }
        if (look.enabled != entry.enabled) {
            table.SetEnabled(entry.id, entry.enabled);
        }
    }
}
