#include "ui/StreamMenus.h"

#include "CommandRanges.h"
#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/PlayerMessages.h"
#include "resource.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <string>

namespace {

namespace range = command_range;

constexpr const char* kStreamsHost = "IDM_WIEDERGABE_STREAMS";
constexpr const char* kChapterHost = "IDM_WIEDERGABE_STREAMS_CHAPTER";
constexpr const char* kAudioHost = "IDM_WIEDERGABE_STREAMS_AUDIO";
constexpr const char* kSubtitleHost = "IDM_WIEDERGABE_STREAMS_SUBTITLE";
constexpr const char* kAngleHost = "IDM_WIEDERGABE_STREAMS_ANGLE";
constexpr const char* kHosts[] = {kStreamsHost, kChapterHost, kAudioHost, kSubtitleHost,
                                  kAngleHost};

// "Off" and its separator lead the subtitle popup and stay.
constexpr int kFixedSubtitleItems = 2;
// Subtitle flags of the DVD: none here, or choosing them prohibited.
constexpr ULONG kNoSubpictureChoice = 0x1 | 0x8;

struct ListKind {
    int kind;
    const char* host;
    int base;
    ULONG operation;
};
constexpr ListKind kListKinds[] = {
    {STREAM_CHAPTERS, kChapterHost, range::kFirstStream, UOP_FLAG_Play_Chapter},
    {STREAM_AUDIO, kAudioHost, range::kFirstAudio, UOP_FLAG_Select_Audio_Stream},
    {STREAM_SUBTITLES, kSubtitleHost, range::kFirstSubtitle, UOP_FLAG_Select_SubPic_Stream},
    {STREAM_ANGLES, kAngleHost, range::kFirstAngle, UOP_FLAG_Select_Angle},
};

// One entry as both menus show it.
struct Entry {
    QString text;
    int id;
    bool checked;
    bool separatorBefore;
};

void Append(QMenu* menu, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        if (entry.separatorBefore) {
            menu->addSeparator();
        }
        QAction* item = AddCommand(menu, entry.id, entry.text);
        item->setCheckable(true);
        item->setChecked(entry.checked);
    }
}

// Removes the popup's items from position `first` on, with the submenus and
// actions the popup owns.
void ClearFrom(QMenu* menu, int first) {
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = first; i < items.size(); ++i) {
        QAction* item = items[i];
        menu->removeAction(item);
        if (QMenu* popup = item->menu(); popup && popup->parent() == menu) {
            // It may still be on screen while the event that rebuilds runs.
            popup->deleteLater();
        } else if (item->parent() == menu) {
            delete item;
        }
    }
}

QString Name(const std::string& name, int index) {
    // A stream whose name cannot be read still needs a visible entry.
    return name.empty() ? QString::asprintf("%03i", index + 1) : QString::fromStdString(name);
}

}  // namespace

StreamMenus::StreamMenus(const PopupRegistry& popups) : popups_(popups) {}

std::vector<QMenu*> StreamMenus::Popups(const char* name) const {
    std::vector<QMenu*> menus;
    const QString host = QString::fromLatin1(name);
    for (QMenu* menu : {popups_.MenuBarPopup(host), popups_.ContextPopup(host)}) {
        if (menu) {
            menus.push_back(menu);
        }
    }
    return menus;
}

std::vector<QAction*> StreamMenus::Items(int id) const {
    std::vector<QAction*> items;
    for (const char* host : kHosts) {
        for (QMenu* menu : Popups(host)) {
            for (QAction* item : FindCommands(menu, id)) {
                items.push_back(item);
            }
        }
    }
    return items;
}

void StreamMenus::Check(int id, bool checked) const {
    for (QAction* item : Items(id)) {
        if (checked) {
            item->setCheckable(true);
        }
        item->setChecked(checked);
    }
}

void StreamMenus::Enable(int id, bool enabled) const {
    for (QAction* item : Items(id)) {
        item->setEnabled(enabled);
    }
}

bool StreamMenus::IsChecked(int id) const {
    const std::vector<QAction*> items = Items(id);
    return !items.empty() && items.front()->isChecked();
}

bool StreamMenus::SubtitlesOff() const {
    return IsChecked(range::kSubtitleOff);
}

void StreamMenus::Reset() {
    for (const char* host : kHosts) {
        popups_.EnablePopup(QString::fromLatin1(host), false);
    }
    // A disc that greyed "Off" must not keep it from the next medium.
    Enable(range::kSubtitleOff, true);
    table_.clear();
    tableSubtitles_.clear();
    separateLists_ = false;
}

void StreamMenus::Build(CMediaPlayer* player) {
    if (!player) {
        Reset();
        return;
    }
    const int groups = player->GetStreamCount(0);
    popups_.EnablePopup(QString::fromLatin1(kStreamsHost), groups != 0);
    table_.clear();
    tableSubtitles_.clear();
    separateLists_ = false;
    if (groups != 0) {
        BuildGroups(*player, groups);
        return;
    }
    auto* dvd = dynamic_cast<CDvdPlayer*>(player);
    const auto* file = dynamic_cast<const CFilePlayer*>(player);
    if (dvd || (file && file->HasSplitter())) {
        BuildLists(*player, dvd ? dvd->GetCurrentUOPs() : 0);
    }
}

void StreamMenus::BuildGroups(CMediaPlayer& player, int groups) {
    // The lists of an earlier medium go too: their ids overlap the table's.
    ClearLists();
    int next = range::kFirstStream;
    std::vector<Entry> subtitles;
    for (int group = 1; group <= groups; ++group) {
        std::string groupName;
        int nameKind = 0;
        player.GetStreamName(group, nullptr, nullptr, &nameKind, &groupName, nullptr);
        std::vector<Entry> entries;
        int previousSubgroup = 0;
        const int count = player.GetStreamCount(group);
        for (int stream = 0; stream < count && next < range::kStreamTableEnd; ++stream) {
            std::string name;
            int flags = 0, subgroup = group;
            MajorType type = MajorType::Unknown;
            if (FAILED(player.GetStreamName(stream, &type, &flags, &subgroup, &name, nullptr))) {
                continue;
            }
            entries.push_back({Name(name, stream), next, (flags & 1) != 0,
                               !entries.empty() && subgroup != previousSubgroup});
            if (type == MajorType::Subtitle && subtitles.size() < size_t{range::kStreamsPerKind}) {
                subtitles.push_back({entries.back().text,
                                     range::kFirstSubtitle + static_cast<int>(subtitles.size()),
                                     entries.back().checked, false});
                tableSubtitles_.push_back(static_cast<int>(table_.size()));
            }
            previousSubgroup = subgroup;
            table_.push_back({stream, group});
            ++next;
        }
        for (QMenu* menu : Popups(kStreamsHost)) {
            // The parent owns the submenu; a rebuild deletes it.
            auto* popup = new QMenu(QString::fromStdString(groupName), menu);
            Append(popup, entries);
            menu->addMenu(popup);
        }
        popups_.EnablePopup(QString::fromLatin1(kStreamsHost), true);
    }
    for (QMenu* menu : Popups(kSubtitleHost)) {
        Append(menu, subtitles);
    }
    popups_.EnablePopup(QString::fromLatin1(kSubtitleHost), !subtitles.empty());
}

void StreamMenus::ClearLists() {
    for (const char* host : {kStreamsHost, kAudioHost, kAngleHost, kChapterHost}) {
        for (QMenu* menu : Popups(host)) {
            ClearFrom(menu, 0);
        }
    }
    for (QMenu* menu : Popups(kSubtitleHost)) {
        ClearFrom(menu, kFixedSubtitleItems);
    }
}

void StreamMenus::BuildLists(CMediaPlayer& player, ULONG forbidden) {
    separateLists_ = true;
    ClearLists();
    for (const ListKind& list : kListKinds) {
        const QString host = QString::fromLatin1(list.host);
        if ((forbidden & list.operation) != 0) {
            popups_.EnablePopup(host, false);
            continue;
        }
        const int count = std::min(player.GetStreamCount(list.kind), range::kStreamsPerKind);
        std::vector<Entry> entries;
        for (int i = 0; i < count; ++i) {
            std::string name;
            int flags = 0, kind = list.kind;
            player.GetStreamName(i, nullptr, &flags, &kind, &name, nullptr);
            entries.push_back({Name(name, i), list.base + i, (flags & 1) != 0, false});
        }
        for (QMenu* menu : Popups(list.host)) {
            Append(menu, entries);
        }
        popups_.EnablePopup(host, count != 0);
    }
}

void StreamMenus::Refresh(CMediaPlayer* player) {
    if (!player) {
        return;
    }
    const auto* file = dynamic_cast<const CFilePlayer*>(player);
    const bool externalAudio = file && file->HasExternalAudio();
    for (int k = 0; k < TableCount(); ++k) {
        MajorType type = MajorType::Unknown;
        int flags = 0, kind = table_[k].group;
        // Not every player answers without a place for the name.
        std::string name;
        player->GetStreamName(table_[k].stream, &type, &flags, &kind, &name, nullptr);
        Check(range::kFirstStream + k, (flags & 1) != 0);
        Enable(range::kFirstStream + k, !(externalAudio && type == MajorType::Audio));
    }
    for (size_t i = 0; i < tableSubtitles_.size(); ++i) {
        Check(range::kFirstSubtitle + static_cast<int>(i),
              IsChecked(range::kFirstStream + tableSubtitles_[i]));
    }
    if (!table_.empty() || !separateLists_) {
        return;
    }
    for (const ListKind& list : kListKinds) {
        const int count = std::min(player->GetStreamCount(list.kind), range::kStreamsPerKind);
        for (int i = 0; i < count; ++i) {
            int flags = 0, kind = list.kind;
            std::string name;
            player->GetStreamName(i, nullptr, &flags, &kind, &name, nullptr);
            Check(list.base + i, (flags & 1) != 0);
            if (list.kind == STREAM_AUDIO) {
                Enable(list.base + i, !externalAudio);
            }
        }
    }
}

bool StreamMenus::Select(CMediaPlayer* player, int id, bool* applyLayout) {
    bool layout = false;
    const auto done = [&] {
        if (applyLayout) {
            *applyLayout = layout;
        }
        Refresh(player);
        return true;
    };
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
    if (!player) {
        return done();
    }
    if (stream) {
        const int index = id - range::kFirstStream;
        if (index < TableCount()) {
            player->SelectStream(table_[index].stream, table_[index].group);
        } else if (index < range::kStreamsPerKind) {
            player->SelectStream(index, STREAM_CHAPTERS);
        }
    } else if (audio) {
        if (!IsChecked(id)) {
            player->SelectStream(id - range::kFirstAudio, STREAM_AUDIO);
        }
    } else if (off) {
        const bool wasOff = IsChecked(id);
        Check(id, !wasOff);
        // -1 hides the subtitles, -2 shows the current stream again.
        player->SelectStream(wasOff ? -2 : -1, STREAM_SUBTITLES);
        layout = true;
    } else if (subtitle) {
        if (!(IsChecked(id) && !IsChecked(range::kSubtitleOff))) {
            Check(range::kSubtitleOff, false);
            const size_t index = static_cast<size_t>(id - range::kFirstSubtitle);
            if (index < tableSubtitles_.size()) {
                const TableEntry& entry = table_[static_cast<size_t>(tableSubtitles_[index])];
                player->SelectStream(entry.stream, entry.group);
            } else if (table_.empty()) {
                player->SelectStream(id - range::kFirstSubtitle, STREAM_SUBTITLES);
            }
            layout = true;
        }
    } else if (!IsChecked(id)) {
        player->SelectStream(id - range::kFirstAngle, STREAM_ANGLES);
    }
    return done();
}

bool StreamMenus::ReapplySubtitles(CDvdPlayer& dvd) {
    if ((dvd.GetSubpictureFlags() & kNoSubpictureChoice) != 0) {
        Enable(range::kSubtitleOff, false);
        return false;
    }
    const HRESULT result = dvd.SelectStream(SubtitlesOff() ? -1 : -2, STREAM_SUBTITLES);
    Enable(range::kSubtitleOff, SUCCEEDED(result));
    return true;
}

OperationStates StatesForForbiddenOperations(ULONG forbidden) {
    const auto allowed = [forbidden](ULONG operation) { return (forbidden & operation) == 0; };
    const auto button = [&](ULONG operation) {
        return allowed(operation) ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE;
    };
    // The menus follow the title menu's bit in this order.
    const ULONG root = UOP_FLAG_ShowMenu_Title << 1, subpicture = UOP_FLAG_ShowMenu_Title << 2,
                audio = UOP_FLAG_ShowMenu_Title << 3, angle = UOP_FLAG_ShowMenu_Title << 4,
                chapter = UOP_FLAG_ShowMenu_Title << 5;
    OperationStates states;
    states.commands = {
        {IDM_NAVIGATION_RESUME, allowed(UOP_FLAG_Resume)},
        {IDM_NAVIGATION_SHOWTOPMENU, allowed(UOP_FLAG_ShowMenu_Title)},
        {IDM_NAVIGATION_SHOWROOTMENU, allowed(root)},
        {IDM_NAVIGATION_SHOWSUBPICTUREMENU, allowed(subpicture)},
        {IDM_NAVIGATION_SHOWAUDIOMENU, allowed(audio)},
        {IDM_NAVIGATION_SHOWANGLEMENU, allowed(angle)},
        {IDM_NAVIGATION_SHOWCHAPTERMENU, allowed(chapter)},
        {IDM_NAVIGATION_RETURNFROMSUBMENU, allowed(UOP_FLAG_ReturnFromSubMenu)},
        {IDM_NAVIGATION_PLAYPREVIOUSCHAPTER, allowed(UOP_FLAG_PlayPrev_Or_Replay_Chapter)},
        {IDM_NAVIGATION_REPLAYCHAPTER, allowed(UOP_FLAG_PlayPrev_Or_Replay_Chapter)},
        {IDM_NAVIGATION_PLAYNEXTCHAPTER, allowed(UOP_FLAG_PlayNext_Chapter)},
        {IDM_PLAYSPEED_PLAYSLOWFORWARDS, allowed(UOP_FLAG_Play_Forwards)},
        {IDM_PLAYSPEED_PLAYFASTFORWARDS, allowed(UOP_FLAG_Play_Forwards)},
        {IDM_PLAYSPEED_PLAYSLOWBACKWARDS, allowed(UOP_FLAG_Play_Backwards)},
        {IDM_PLAYSPEED_PLAYFASTBACKWARDS, allowed(UOP_FLAG_Play_Backwards)},
    };
    states.buttons = {{IDTBB_RESUME, button(UOP_FLAG_Resume)}, {IDTBB_ROOTMENU, button(root)}};
    states.positionBar = allowed(UOP_FLAG_Play_Chapter_Or_AtTime);
    return states;
}
