#include "ui/WindowPlaylist.h"

#include "dialogs/CPlaylistDlg.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/FileDialogFilter.h"
#include "dialogs/PlaylistSaving.h"
#include "docs/PlaylistFile.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "resource.h"
#include "settings/CSettings.h"
#include "ui/CPlayerDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

WindowPlaylist::WindowPlaylist(CPlayerDlg& window) : window_(window) {}

WindowPlaylist::~WindowPlaylist() = default;

void WindowPlaylist::OpenFiles(QStringList paths) {
    std::vector<std::string> sorted;
    for (const QString& path : paths) {
        sorted.push_back(path.toStdString());
    }
    std::sort(sorted.begin(), sorted.end());
    End();
    if (sorted.size() == 1) {
        const QString path = QString::fromStdString(sorted.front());
        if (!LoadFile(path)) {
            window_.OpenMedia(path, false);
        }
        return;
    }
    for (std::string& path : sorted) {
        Add(std::move(path), std::string());
    }
    SetCurrent(1);
    Start();
}

bool WindowPlaylist::LoadFile(const QString& path) {
    std::string refusal;
    const auto entries = velvaro::docs::LoadPlaylistFile(path.toStdString(), &refusal);
    if (!refusal.empty()) {
        // Ours but damaged: no film either, so it is not opened as one.
        window_.bars.ShowNotice(QStringLiteral("%1 is not a playlist file that can be read: %2.")
                                    .arg(path, QString::fromStdString(refusal)));
        return true;
    }
    if (!entries) {
        return false;
    }
    SetEntries(*entries);
    if (!entries->empty()) {
        // A list of another program's format is read, never written over:
        // saving it asks for a name of our own.
        const bool ours = path.endsWith(QStringLiteral(".vpp"), Qt::CaseInsensitive);
        SetFileName(ours ? path.toStdString() : std::string());
        SetCurrent(1);
        Start();
    }
    return true;
}

void WindowPlaylist::Start() {
    for (const int id : {IDM_PLAYLIST_BEARBEITEN, IDM_PLAYLIST_SPEICHERNUNTER,
                         IDM_PLAYLIST_ERSTERTITEL, IDM_PLAYLIST_LETZTERTITEL}) {
        window_.SetMenuEnable(id, MF_ENABLED);
    }
    UpdateSaveCommand();
    window_.layout.ResetPairs();
    PlayItem(1);
}

bool WindowPlaylist::PlayItem(int number) {
    number = Wrap(number);
    window_.CloseEngine();
    // Items that do not open are passed over without a box each; a folder
    // item that is itself played as a list leaves the outer list quiet.
    const QVariant quiet = window_.property(kQuietOpenProperty);
    window_.setProperty(kQuietOpenProperty, true);
    const auto loud = qScopeGuard([&] { window_.setProperty(kQuietOpenProperty, quiet); });
    SetCurrent(0);
    for (int item = 1; item <= Items() && !window_.player; ++item) {
        SetCurrent(item);
        if (item < number) {
            continue;
        }
        const Item entry = At(item);
        window_.OpenMedia(QString::fromStdString(entry.video), true);
        if (window_.filePlayer && !entry.audio.empty()) {
            window_.OpenExternalAudio(QString::fromStdString(entry.audio));
        }
    }
    // The open started the medium as any open does.
    if (window_.player) {
        return true;
    }
    if (window_.fullscreen) {
        window_.LeaveFullscreen();
    }
    window_.ShowIdleLayout();
    if (number >= 1 && number <= Items()) {
        const QString first = QString::fromStdString(At(number).video);
        const QString why = first.isEmpty() ? QStringLiteral("an item names no file")
                            : !QFileInfo::exists(first)
                                ? first + QStringLiteral(" does not exist")
                                : first + QStringLiteral(" is not a medium that can be played");
        window_.bars.ShowNotice(
            QStringLiteral("No item of the playlist can be played: %1.").arg(why));
    }
    return false;
}

bool WindowPlaylist::OnCommand(int id) {
    switch (id) {
        case IDM_PLAYLIST_NEU:
            RunEditor("NEU");
            return true;
        case IDM_PLAYLIST_BEARBEITEN:
            RunEditor("BEARBEITEN");
            return true;
        case IDM_PLAYLIST_OEFFNEN:
            OnOpen();
            return true;
        case IDM_PLAYLIST_SPEICHERN:
            OnSave(false);
            return true;
        case IDM_PLAYLIST_SPEICHERNUNTER:
            OnSave(true);
            return true;
        case IDM_PLAYLIST_ERSTERTITEL:
            PlayItem(1);
            return true;
        case IDM_PLAYLIST_LETZTERTITEL:
            PlayItem(Items());
            return true;
        case IDM_PLAYLIST_NAECHSTERTITEL:
            PlayItem(Current() + 1);
            return true;
        case IDM_PLAYLIST_VORHERIGERTITEL:
            PlayItem(Current() - 1);
            return true;
        default:
            return false;
    }
}

std::vector<velvaro::docs::PlaylistEntry> WindowPlaylist::Entries() const {
    std::vector<velvaro::docs::PlaylistEntry> entries;
    for (int item = 1; item <= Items(); ++item) {
        Item entry = At(item);
        entries.push_back({std::move(entry.video), std::move(entry.audio)});
    }
    return entries;
}

void WindowPlaylist::SetEntries(const std::vector<velvaro::docs::PlaylistEntry>& entries) {
    const std::string fileName = FileName();
    const int current = Current();
    End();
    for (const velvaro::docs::PlaylistEntry& entry : entries) {
        Add(entry.video, entry.audio);
    }
    SetFileName(fileName);
    SetCurrent(current);
}

void WindowPlaylist::OnOpen() {
    const CLanguageFile* language = window_.language;
    QString patterns;
    for (const FileAssociationEntry& entry : window_.settings->associations) {
        if (entry.flags & ASSOC_PLAYLIST) {
            patterns += QStringLiteral("*.%1;").arg(QString::fromStdString(entry.extension));
        }
    }
    // Lists other players write are read too, whether listed or not.
    const QStringList listed = patterns.split(u';');
    for (const char* other : {"*.m3u", "*.m3u8", "*.pls"}) {
        if (!listed.contains(QLatin1String(other))) {
            patterns += QLatin1String(other) + u';';
        }
    }
    const QString filter = language->GetCodeText(QStringLiteral("PLAYLIST")) + u'|' + patterns +
                           u'|' + language->GetCodeText(QStringLiteral("ALLFILES")) +
                           QStringLiteral(" (*.*)|*.*||");
    const bool cursorShown = window_.ShowCursorForDialog();
    const QString chosen = QFileDialog::getOpenFileName(
        &window_, QString(), QString(), ToQtFileFilter(filter), nullptr, QFileDialog::ReadOnly);
    window_.RestoreCursorAfterDialog(cursorShown);
    if (!chosen.isEmpty()) {
        LoadFile(chosen);
    }
}

void WindowPlaylist::OnSave(bool asNewFile) {
    std::string fileName = FileName();
    const auto entries = Entries();
    const bool cursorShown = window_.ShowCursorForDialog();
    if (asNewFile) {
        SavePlaylistAs(&window_, entries, fileName);
    } else {
        SavePlaylist(&window_, entries, fileName);
    }
    window_.RestoreCursorAfterDialog(cursorShown);
    SetFileName(fileName);
    UpdateSaveCommand();
}

void WindowPlaylist::RunEditor(const char* mode) {
    if (!editor_) {
        editor_ = std::make_unique<CPlaylistDlg>(&window_);
    }
    std::vector<velvaro::docs::PlaylistEntry> entries = Entries();
    std::string fileName = FileName();
    const bool cursorShown = window_.ShowCursorForDialog();
    const int result = editor_->Run(QString::fromLatin1(mode), entries, fileName,
                                    window_.settings->playlistDirTree, window_.language);
    window_.RestoreCursorAfterDialog(cursorShown);
    if (result != IDOK && result != CPlaylistDlg::kSaved) {
        return;
    }
    SetEntries(entries);
    SetFileName(fileName);
    if (Items() == 0) {
        // Nothing to play: the medium that plays goes on without a playlist.
        End();
        for (const int id :
             {IDM_PLAYLIST_BEARBEITEN, IDM_PLAYLIST_SPEICHERN, IDM_PLAYLIST_SPEICHERNUNTER,
              IDM_PLAYLIST_ERSTERTITEL, IDM_PLAYLIST_NAECHSTERTITEL, IDM_PLAYLIST_VORHERIGERTITEL,
              IDM_PLAYLIST_LETZTERTITEL}) {
            window_.SetMenuEnable(id, MF_GRAYED);
        }
        return;
    }
    SetCurrent(1);
    Start();
}

void WindowPlaylist::UpdateSaveCommand() {
    window_.SetMenuEnable(IDM_PLAYLIST_SPEICHERN, FileName().empty() ? MF_GRAYED : MF_ENABLED);
}
