#include "CToolButtonTable.h"

void CToolButtonTable::Add(const QString& key, const QString& tooltip, int image) {
    if (GetCount() < kMaxEntries) {
        entries_.push_back({key, tooltip, image});
    }
}

const CToolButtonTable::Entry* CToolButtonTable::Find(const QString& key) const {
    for (const Entry& entry : entries_) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}

int CToolButtonTable::GetImage(const QString& key) const {
    const Entry* entry = Find(key);
    return entry ? entry->image : 0;
}

QString CToolButtonTable::GetTooltip(const QString& key) const {
    const Entry* entry = Find(key);
    return entry ? entry->tooltip : QString();
}

QString CToolButtonTable::GetTooltipByImage(int image) const {
    for (const Entry& entry : entries_) {
        if (entry.image == image) {
            return entry.tooltip;
        }
    }
    return {};
}

void CToolButtonTable::SetTooltip(const QString& key, const QString& text) {
    for (Entry& entry : entries_) {
        if (entry.key == key) {
            entry.tooltip = text;
            return;
        }
    }
}

void AddStandardToolButtons(CToolButtonTable& table) {
    struct Button {
        const char* key;
        const char* tooltip;
        int image;
    };
    // Images 7, 18, 19, 21, 22, 23 and 30 of the strips have no entry.
    static constexpr Button kButtons[] = {
        {"PrevTrackChapter", "Prev. track/chapter", 0},
        {"FastBackward", "Schnelles Zurückspulen", 1},
        {"Play", "Wiedergabe", 2},
        {"Pause", "Pause", 3},
        {"FastForward", "Schnelles Vorspulen", 4},
        {"NextTrackChapter", "Next track/chapter", 5},
        {"Open", "Öffnen...", 6},
        {"Screenshot", "Screenshot", 29},
        {"Stop", "Stopp", 8},
        {"Loop", "Endlosschleife einschalten", 9},
        {"NoLoop", "Endlosschleife ausschalten", 10},
        {"PreviousFrame", "Vorheriger Frame", 11},
        {"NextFrame", "Nächster Frame", 12},
        {"NoShutdown", "Shutdown ausschalten", 13},
        {"NoMute", "Ton einschalten", 14},
        {"Mute", "Ton ausschalten", 15},
        {"Clipping", "Bildschirm komplett ausfüllen", 16},
        {"NotOnTop", "\"Immer oben\" ausschalten", 17},
        {"JumpLastPosition", "Springe zur zuletzt abgespielten Stelle", 20},
        {"Subtitles", "Untertitel einblenden", 24},
        {"NoSubtitles", "Untertitel ausblenden", 25},
        {"OnTop", "\"Immer oben\" einschalten", 26},
        {"FillScreen", "Bildschirm füllen ohne Video abzuschneiden", 27},
        {"Shutdown", "Shutdown einschalten", 28},
        {"Quit", "Beenden", 31},
        {"RootMenu", "Root menu", 32},
        {"Resume", "Resume", 33},
    };
    for (const Button& button : kButtons) {
        table.Add(QString::fromUtf8(button.key), QString::fromUtf8(button.tooltip), button.image);
    }
}
