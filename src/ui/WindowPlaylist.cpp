#include "ui/WindowPlaylist.h"

#include "dialogs/CPlaylistDlg.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/FileDialogFilter.h"
#include "dialogs/PlaylistSaving.h"
#include "docs/PlaylistFile.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "platform/NetworkAddress.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "settings/CSettings.h"
#include "ui/FullscreenView.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/ViewParts.h"
#include "ui/WindowOpens.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

WindowPlaylist::WindowPlaylist(const ViewParts& parts, FullscreenView& fullscreen,
                               const WindowOpens& opens)
    : parts_(parts), fullscreen_(fullscreen), opens_(opens) {}

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
            opens_.medium(path, false, {});
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
    // An address ending ".m3u8" is a stream's manifest, not a list of ours.
    if (velvaro::platform::IsNetworkAddress(path)) {
        return false;
    }
    std::string refusal;
    const auto entries = velvaro::docs::LoadPlaylistFile(path.toStdString(), &refusal);
    if (!refusal.empty()) {
        // Ours but damaged: no film either, so it is not opened as one.
        parts_.bars.ShowNotice(QStringLiteral("%1 is not a playlist file that can be read: %2.")
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
        parts_.session.Commands().SetEnabled(id, true);
    }
    UpdateSaveCommand();
    parts_.session.ChangeLayout([](VideoLayout& layout) { layout.ResetPairs(); });
    PlayItem(1);
}

void WindowPlaylist::PlayItem(int number, std::function<void(bool played)> then) {
    number = Wrap(number);
    opens_.close();
    StopWalk();
    SetCurrent(number);
    TryFrom(number, walk_, std::move(then), number);
}

void WindowPlaylist::End() {
    StopWalk();
    parts_.session.Opener().DropPrepared();
    RuntimePlaylist::End();
}

void WindowPlaylist::StopWalk() {
    ++walk_;
    scan_.reset();
}

// Items whose files are not there are passed over off the window's thread:
// a list of an unmounted drive may hold thousands. The others are opened
// one after the other until one opens, each without a box.
void WindowPlaylist::TryFrom(int item, unsigned walk, std::function<void(bool)> then, int asked) {
    std::vector<std::string> names;
    for (int next = item; next <= Items(); ++next) {
        names.push_back(At(next).video);
    }
    const auto open = [this, walk, then = std::move(then), asked](int found) {
        return [this, found, walk, then, asked] {
            if (walk != walk_) {
                return;
            }
            scan_.reset();
            if (found > Items()) {
                SetCurrent(Items());
                NothingPlays(asked, then);
                return;
            }
            SetCurrent(found);
            const Item entry = At(found);
            opens_.medium(QString::fromStdString(entry.video), true,
                          [this, found, walk, then, entry, asked](bool opened) {
                              if (walk != walk_) {
                                  return;
                              }
                              if (!opened) {
                                  TryFrom(found + 1, walk, then, asked);
                                  return;
                              }
                              if (parts_.session.FilePlayer() && !entry.audio.empty()) {
                                  opens_.soundTrack(QString::fromStdString(entry.audio));
                              }
                              PrepareNext();
                              if (then) {
                                  then(true);
                              }
                          });
        };
    };
    // One opened ahead is there: it takes over at once, with no return to
    // the event loop where the window would show no medium.
    if (!names.empty() && parts_.session.Opener().Prepared(QString::fromStdString(names.front()))) {
        open(item)();
        return;
    }
    scan_ = std::make_unique<velvaro::platform::BackgroundWork>(
        &parts_.window, [names = std::move(names), item, open] {
            std::size_t skip = 0;
            // Only an absolute name can be known missing here; the open
            // resolves the others.
            while (skip < names.size() && names[skip].starts_with('/') &&
                   !QFileInfo::exists(QString::fromStdString(names[skip]))) {
                ++skip;
            }
            return open(item + static_cast<int>(skip));
        });
}

void WindowPlaylist::PrepareNext() {
    MediumOpener& opener = parts_.session.Opener();
    CFilePlayer* playing = parts_.session.FilePlayer();
    const Item next = At(Current() + 1);
    const QString path = QString::fromStdString(next.video);
    const QFileInfo info(path);
    const bool resumes =
        parts_.settings.jumpToLastPosition && parts_.session.History().Remembers(info.fileName());
    if (!playing || next.video.empty() || !next.audio.empty() || !path.startsWith(u'/') ||
        !info.isFile() || info.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0 ||
        resumes) {
        opener.DropPrepared();
        return;
    }
    const bool sound = playing->HasAudio() == S_OK;
    opener.Prepare(path, sound ? playing->GetVolume() : parts_.settings.volume,
                   sound ? playing->GetBalance() : parts_.settings.balance);
}

void WindowPlaylist::NothingPlays(int asked, const std::function<void(bool)>& then) {
    if (fullscreen_.IsFullscreen()) {
        fullscreen_.LeaveFullscreen();
    }
    opens_.idle();
    if (asked >= 1 && asked <= Items()) {
        const QString first = QString::fromStdString(At(asked).video);
        const QString why = first.isEmpty() ? QStringLiteral("an item names no file")
                            : !QFileInfo::exists(first)
                                ? first + QStringLiteral(" does not exist")
                                : first + QStringLiteral(" is not a medium that can be played");
        parts_.bars.ShowNotice(
            QStringLiteral("No item of the playlist can be played: %1.").arg(why));
    }
    if (then) {
        then(false);
    }
}

void WindowPlaylist::AddCommands(PlayerSession& session) {
    session.Handle(IDM_PLAYLIST_NEU, [this] { RunEditor("NEU"); });
    session.Handle(IDM_PLAYLIST_BEARBEITEN, [this] { RunEditor("BEARBEITEN"); });
    session.Handle(IDM_PLAYLIST_OEFFNEN, [this] { OnOpen(); });
    session.Handle(IDM_PLAYLIST_SPEICHERN, [this] { OnSave(false); });
    session.Handle(IDM_PLAYLIST_SPEICHERNUNTER, [this] { OnSave(true); });
    session.Handle(IDM_PLAYLIST_ERSTERTITEL, [this] { PlayItem(1); });
    session.Handle(IDM_PLAYLIST_LETZTERTITEL, [this] { PlayItem(Items()); });
    session.Handle(IDM_PLAYLIST_NAECHSTERTITEL, [this] { PlayItem(Current() + 1); });
    session.Handle(IDM_PLAYLIST_VORHERIGERTITEL, [this] { PlayItem(Current() - 1); });
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
    const CLanguageFile* language = &parts_.language;
    QString patterns;
    for (const FileAssociationEntry& entry : parts_.settings.associations) {
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
    const bool cursorShown = fullscreen_.ShowCursorForDialog();
    const QString chosen =
        QFileDialog::getOpenFileName(&parts_.window, QString(), QString(), ToQtFileFilter(filter),
                                     nullptr, QFileDialog::ReadOnly);
    fullscreen_.RestoreCursorAfterDialog(cursorShown);
    if (!chosen.isEmpty()) {
        LoadFile(chosen);
    }
}

void WindowPlaylist::OnSave(bool asNewFile) {
    std::string fileName = FileName();
    const auto entries = Entries();
    const bool cursorShown = fullscreen_.ShowCursorForDialog();
    if (asNewFile) {
        SavePlaylistAs(&parts_.window, entries, fileName);
    } else {
        SavePlaylist(&parts_.window, entries, fileName);
    }
    fullscreen_.RestoreCursorAfterDialog(cursorShown);
    SetFileName(fileName);
    UpdateSaveCommand();
}

void WindowPlaylist::RunEditor(const char* mode) {
    if (!editor_) {
        editor_ = std::make_unique<CPlaylistDlg>(&parts_.window);
    }
    std::vector<velvaro::docs::PlaylistEntry> entries = Entries();
    std::string fileName = FileName();
    const bool cursorShown = fullscreen_.ShowCursorForDialog();
    const int result = editor_->Run(QString::fromLatin1(mode), entries, fileName,
                                    parts_.settings.playlistDirTree, &parts_.language);
    fullscreen_.RestoreCursorAfterDialog(cursorShown);
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
            parts_.session.Commands().SetEnabled(id, false);
        }
        return;
    }
    SetCurrent(1);
    Start();
}

void WindowPlaylist::UpdateSaveCommand() {
    parts_.session.Commands().SetEnabled(IDM_PLAYLIST_SPEICHERN, !FileName().empty());
}
