#include "ui/StreamMenus.h"

#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/PlayerMessages.h"
#include "resource.h"
#include "session/PlayerSession.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <unordered_map>

namespace {

using Kind = StreamEntry::Kind;

constexpr const char* kStreamsHost = "IDM_WIEDERGABE_STREAMS";
constexpr const char* kChapterHost = "IDM_WIEDERGABE_STREAMS_CHAPTER";
constexpr const char* kAudioHost = "IDM_WIEDERGABE_STREAMS_AUDIO";
constexpr const char* kSubtitleHost = "IDM_WIEDERGABE_STREAMS_SUBTITLE";
constexpr const char* kAngleHost = "IDM_WIEDERGABE_STREAMS_ANGLE";
constexpr const char* kHosts[] = {kStreamsHost, kChapterHost, kAudioHost, kSubtitleHost,
                                  kAngleHost};

// The popup each kind of entry is listed in.
const char* HostOf(Kind kind) {
    switch (kind) {
        case Kind::Group:
        case Kind::Stream:
            return kStreamsHost;
        case Kind::Chapter:
            return kChapterHost;
        case Kind::Audio:
            return kAudioHost;
        case Kind::SubtitleOff:
        case Kind::Subtitle:
            return kSubtitleHost;
        case Kind::Angle:
            return kAngleHost;
    }
    return nullptr;
}

// The delay's three items, "Off" and their separators lead the subtitle
// popup and stay.
constexpr int kFixedSubtitleItems = 6;

void Append(QMenu* menu, const StreamEntry& entry) {
    if (entry.separatorBefore) {
        menu->addSeparator();
    }
    QAction* item = AddCommand(menu, entry.id, entry.text);
    item->setCheckable(true);
    item->setChecked(entry.checked);
    item->setEnabled(entry.enabled);
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

// The same items in the same places: only marks may differ.
bool SameItems(const std::vector<StreamEntry>& a, const std::vector<StreamEntry>& b) {
    return std::ranges::equal(a, b, [](const StreamEntry& x, const StreamEntry& y) {
        return x.kind == y.kind && x.id == y.id && x.text == y.text &&
               x.separatorBefore == y.separatorBefore;
    });
}

void CollectItems(const QMenu* menu, std::unordered_map<int, std::vector<QAction*>>& items) {
    for (QAction* item : menu->actions()) {
        if (const QMenu* popup = item->menu()) {
            CollectItems(popup, items);
        } else if (const int id = CommandId(item)) {
            items[id].push_back(item);
        }
    }
}

}  // namespace

StreamMenus::StreamMenus(const PopupRegistry& popups, const PlayerSession& session)
    : popups_(popups) {
    QObject::connect(&session, &PlayerSession::stateChanged, &receiver_,
                     [this](const PlayerState& now, const PlayerState& before) {
                         if (now.streams != before.streams) {
                             Draw(now.streams, before.streams);
                         }
                     });
}

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

void StreamMenus::Draw(const std::vector<StreamEntry>& now,
                       const std::vector<StreamEntry>& before) const {
    // A popup may be on its way to the screen: its items stay while they can.
    if (SameItems(now, before)) {
        Mark(now);
    } else {
        Rebuild(now);
    }
}

void StreamMenus::Rebuild(const std::vector<StreamEntry>& entries) const {
    for (const char* host : kHosts) {
        for (QMenu* menu : Popups(host)) {
            ClearFrom(menu, host == kSubtitleHost ? kFixedSubtitleItems : 0);
        }
    }
    // The submenus of the group being listed, one per menu.
    std::vector<QMenu*> group;
    for (const StreamEntry& entry : entries) {
        if (entry.kind == Kind::SubtitleOff) {
            continue;
        }
        if (entry.kind == Kind::Group) {
            group.clear();
            for (QMenu* menu : Popups(kStreamsHost)) {
                // The parent owns the submenu; a rebuild deletes it.
                auto* popup = new QMenu(entry.text, menu);
                menu->addMenu(popup);
                group.push_back(popup);
            }
            continue;
        }
        for (QMenu* menu : entry.kind == Kind::Stream ? group : Popups(HostOf(entry.kind))) {
            Append(menu, entry);
        }
    }
    for (const char* host : kHosts) {
        const bool listed = std::ranges::any_of(entries, [host](const StreamEntry& entry) {
            return entry.kind != Kind::SubtitleOff && HostOf(entry.kind) == host;
        });
        popups_.EnablePopup(QString::fromLatin1(host), listed);
    }
    Mark(entries);
}

void StreamMenus::Mark(const std::vector<StreamEntry>& entries) const {
    std::unordered_map<int, std::vector<QAction*>> items;
    for (const char* host : kHosts) {
        for (const QMenu* menu : Popups(host)) {
            CollectItems(menu, items);
        }
    }
    for (const StreamEntry& entry : entries) {
        const auto found = items.find(entry.id);
        if (entry.id == 0 || found == items.end()) {
            continue;
        }
        for (QAction* item : found->second) {
            if (entry.checked) {
                item->setCheckable(true);
            }
            item->setChecked(entry.checked);
            item->setEnabled(entry.enabled);
        }
    }
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
