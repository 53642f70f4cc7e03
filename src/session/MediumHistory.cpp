#include "session/MediumHistory.h"

#include "CommandRanges.h"
#include "engine/CFilePlayer.h"
#include "platform/Registry.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string>

namespace {

constexpr int kHistoryEntries = command_range::kRecentFileCount;

// "%s%s" of the entry's number and the suffix: "1_Name", "3_FullFilename".
std::string NameValue(int entry) {
    return std::to_string(entry) + "_Name";
}

std::string FullNameValue(int entry) {
    return std::to_string(entry) + "_FullFilename";
}

// Copies a value only when it can be read, so a gap stays a gap.
void CopyValue(RegKey& key, const std::string& from, const std::string& to) {
    std::string text;
    if (key.QueryString(from, &text) == ERROR_SUCCESS) {
        key.SetString(to, text);
    }
}

// The leading number of a stored text, read the same in every locale (the
// values are written with a point). Garbage reads as 0.
template <typename Number>
Number LeadingNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && (*first == ' ' || *first == '\t')) {
        ++first;
    }
    if (first != last && *first == '+') {
        ++first;
    }
    Number value{};
    if (std::from_chars(first, last, value).ec != std::errc()) {
        return Number{};
    }
    return value;
}

// The resume text of a display name; empty when there is none.
std::string RememberedText(const QString& name) {
    RegKey key;
    std::string text;
    if (key.Open(HKEY_CURRENT_USER, velvaro::kVideosKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryString(name.toStdString(), &text) != ERROR_SUCCESS) {
        text.clear();
    }
    return text;
}

}  // namespace

void MediumHistory::AddCurrent() {
    {
        // The shift goes in whole: a kill halfway would show one file twice.
        velvaro::platform::RegistryTransaction transaction;
        RegKey key;
        key.Create(HKEY_CURRENT_USER, velvaro::kVideoHistoryKey);
        const std::string name = session_.State().name.toStdString();
        const std::string path = session_.State().path.toStdString();
        int found = 0;
        for (int entry = 1; entry <= kHistoryEntries && found == 0; ++entry) {
            std::string stored;
            if (key.QueryString(NameValue(entry), &stored) == ERROR_SUCCESS && stored == name) {
                found = entry;
            }
        }
        if (found == 1) {
            key.SetString(FullNameValue(1), path);
            return;
        }
        // Shift down over the medium's old place, or over the oldest entry.
        const int last = found != 0 ? found - 1 : kHistoryEntries - 1;
        for (int entry = last; entry >= 1; --entry) {
            CopyValue(key, NameValue(entry), NameValue(entry + 1));
            CopyValue(key, FullNameValue(entry), FullNameValue(entry + 1));
        }
        key.SetString(NameValue(1), name);
        key.SetString(FullNameValue(1), path);
    }
    Q_EMIT changed();
}

void MediumHistory::Clear() {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, velvaro::kProductKey) == ERROR_SUCCESS) {
        key.RecurseDeleteKey("VideoHistory");
    }
    Q_EMIT changed();
}

QString MediumHistory::EntryPath(int entry) {
    RegKey key;
    std::string path;
    if (entry < 1 || entry > kHistoryEntries ||
        key.Open(HKEY_CURRENT_USER, velvaro::kVideoHistoryKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryString(FullNameValue(entry), &path) != ERROR_SUCCESS) {
        return {};
    }
    return QString::fromStdString(path);
}

std::vector<std::pair<int, QString>> MediumHistory::Entries() {
    RegKey key;
    key.Open(HKEY_CURRENT_USER, velvaro::kVideoHistoryKey, KEY_READ);
    std::vector<std::pair<int, QString>> entries;
    for (int entry = 1; entry <= kHistoryEntries; ++entry) {
        std::string name;
        if (key.QueryString(NameValue(entry), &name) == ERROR_SUCCESS) {
            entries.emplace_back(entry, QString::fromStdString(name));
        }
    }
    return entries;
}

void MediumHistory::SaveResumePosition() {
    CFilePlayer* file = session_.FilePlayer();
    if (!file || file->HasVideo() != S_OK) {
        return;
    }
    const QString seconds = QString::asprintf("%.2f", file->GetPosition() * 0.01);
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, velvaro::kVideosKey) == ERROR_SUCCESS) {
        key.SetString(session_.State().name.toStdString(), seconds.toStdString());
    }
}

bool MediumHistory::HasRememberedPosition() const {
    return Remembers(session_.State().name);
}

bool MediumHistory::Remembers(const QString& name) {
    return LeadingNumber<double>(RememberedText(name)) > 0.0;
}

void MediumHistory::JumpToLastPosition() {
    CMediaPlayer* player = session_.FilePlayer();
    if (!player || !session_.Commands().IsEnabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE)) {
        return;
    }
    // Whole seconds: the fraction is dropped.
    const int seconds = LeadingNumber<int>(RememberedText(session_.State().name));
    if (seconds <= 0) {
        return;
    }
    player->Pause();
    player->SetPosition(static_cast<int>(std::min<long long>(seconds * 100LL, INT_MAX)));
    if (session_.State().play == State_Stopped) {
        // Run long enough to show the frame there, then stay stopped.
        player->Play();
        player->Stop();
    } else if (session_.State().play == State_Running) {
        player->Play();
    }
}
