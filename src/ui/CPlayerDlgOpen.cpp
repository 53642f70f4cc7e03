// From a file name to an open medium: the open dialog, the list of files
// that becomes the playlist, the open sequence and the command states of the
// medium. Its companion or separate sound track is in CPlayerDlgSoundTrack.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "dialogs/FileDialogFilter.h"
#include "engine/CFilePlayer.h"
#include "engine/MediaFramework.h"
#include "engine/VolumeScale.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/InstanceChannel.h"
#include "platform/NetworkAddress.h"
#include "platform/Paths.h"
#include "resource.h"
#include "session/CommandStates.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"
#include "ui/OpenFailure.h"
#include "ui/PlayerStatusBar.h"
#include "video/VideoWidget.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>

void CPlayerDlg::OnFileOpen() {
    velvaro::engine::LoadOtherDecoders();
    QStringList patterns[3];  // all media, video, audio
    for (const FileAssociationEntry& entry : settings->associations) {
        const QString pattern =
            QStringLiteral("*.%1;").arg(QString::fromStdString(entry.extension));
        patterns[0] += pattern;
        if (entry.flags & ASSOC_VIDEO) {
            patterns[1] += pattern;
        }
        if (entry.flags & ASSOC_AUDIO) {
            patterns[2] += pattern;
        }
    }
    const QString filter =
        language->GetCodeText(QStringLiteral("MEDIAFILES")) + u'|' + patterns[0].join(QString()) +
        u'|' + language->GetCodeText(QStringLiteral("VIDEOFILE")) + u'|' +
        patterns[1].join(QString()) + u'|' + language->GetCodeText(QStringLiteral("AUDIOFILE")) +
        u'|' + patterns[2].join(QString()) + u'|' +
        language->GetCodeText(QStringLiteral("ALLFILES")) + QStringLiteral(" (*.*)|*.*||");

    if (fullscreen.IsFullscreen() && Player()) {
        Player()->HideCursor(false);
    }
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, QString(), QString(), ToQtFileFilter(filter), nullptr, QFileDialog::ReadOnly);
    if (fullscreen.IsFullscreen() && Player()) {
        Player()->HideCursor(true);
    }
    if (!chosen.isEmpty()) {
        OpenFiles(chosen);
    }
}

namespace {

constexpr int kAddressesKept = 10;

QStringList StoredAddresses() {
    QStringList addresses;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, velvaro::kAddressHistoryKey, KEY_READ) != ERROR_SUCCESS) {
        return addresses;
    }
    for (int i = 1; i <= kAddressesKept; ++i) {
        std::string address;
        if (key.QueryString(std::to_string(i), &address, 4096) == ERROR_SUCCESS &&
            !address.empty()) {
            addresses << QString::fromStdString(address);
        }
    }
    return addresses;
}

void StoreAddresses(const QStringList& addresses) {
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, velvaro::kAddressHistoryKey) != ERROR_SUCCESS) {
        return;
    }
    for (int i = 1; i <= kAddressesKept; ++i) {
        if (i <= addresses.size()) {
            key.SetString(std::to_string(i), addresses[i - 1].toStdString());
        } else {
            key.DeleteValue(std::to_string(i));
        }
    }
}

}  // namespace

void CPlayerDlg::OnFileOpenUrl() {
    QStringList addresses = StoredAddresses();
    bool chosen = false;
    const QString text =
        QInputDialog::getItem(
            this,
            language->GetText(QStringLiteral("MainMenu"), QStringLiteral("IDM_DATEI_URLOEFFNEN"))
                .section(u'\t', 0, 0)
                .remove(u'&'),
            QStringLiteral("URL:"), addresses, 0, true, &chosen)
            .trimmed();
    if (!chosen || text.isEmpty()) {
        return;
    }
    // Anything but an http or https address is refused here, with the reason.
    switch (velvaro::platform::KindOfAddress(text)) {
        case velvaro::platform::AddressKind::Network:
            break;
        case velvaro::platform::AddressKind::UnknownScheme:
            ReportOpenFailure(this, language, text.toStdString(),
                              "Only http and https addresses are played.");
            return;
        default:
            ReportOpenFailure(this, language, text.toStdString(), "It is not a network address.");
            return;
    }
    addresses.removeAll(text);
    addresses.prepend(text);
    StoreAddresses(addresses.mid(0, kAddressesKept));
    playlist.End();
    OpenMedia(text, false);
}

void CPlayerDlg::OpenFiles(QStringList paths) {
    playlist.OpenFiles(std::move(paths));
}

void CPlayerDlg::CloseEngine() {
    opening.DropSoundTrack(session);  // it would be the closed film's
    if (session.FilePlayer()) {
        bookmarks.OnMediumClosed();
    }
    if (session.Player()) {
        dialogs.ReleaseEngineDialogs();
        disc.Close();
    }
    session.CloseEngine();
}

void CPlayerDlg::OnFileClose() {
    if (!session.Player()) {
        return;
    }
    if (fullscreen.IsFullscreen()) {
        fullscreen.LeaveFullscreen();
    }
    CloseEngine();
    playlist.End();
    ShowIdleLayout();
}

std::function<void()> CPlayerDlg::BeginOpening() {
    if (opening.depth++ == 0 && instanceListener) {
        instanceListener->Hold(true);
    }
    return [this] {
        if (--opening.depth > 0) {
            return;
        }
        if (instanceListener) {
            instanceListener->Hold(false);
        }
        session.ReplayDeferred();
        if (std::exchange(opening.closeAfter, false)) {
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        }
    };
}

std::function<void()> CPlayerDlg::StartOpening(bool keepNotice) {
    // A new open replaces one under way, whose follow-up is dropped with it.
    CancelOpening();
    // Second starts wait, and a close comes after, until the open is done.
    std::function<void()> done = BeginOpening();
    setWindowTitle(kCaptionBase);
    bars.playbackError.clear();
    bars.ClearTexts(keepNotice);
    return done;
}

void CPlayerDlg::OpenMedia(const QString& requestedPath, bool fromPlaylist,
                           std::function<void(bool opened)> then) {
    std::function<void()> done = StartOpening(true);
    const auto finish = qScopeGuard([&done] { done ? done() : void(); });
    CloseEngine();
    remote.OnOpening();
    if (!fromPlaylist) {
        playlist.End();
    }
    windowMenus.ResetMenus(playlist.Active());

    // A relative name is looked for where the program was started, then
    // beside the program; an absolute one only where it says. No name is
    // no file, not the folder it would be relative to.
    QString path = requestedPath;
    if (!path.isEmpty() && !path.startsWith(u'/') && !path.contains(u':')) {
        const QString here = QString::fromStdString(velvaro::platform::LaunchDirectory()) + path;
        path = QFileInfo::exists(here)
                   ? here
                   : QString::fromStdString(velvaro::platform::ProgramFolder()) + path;
    }

    if (WindowDisc::IsPlace(path)) {
        // A disc hears back once it has opened; the open is under way until
        // the place has been read.
        disc.OpenPlace(
            path, fromPlaylist, then,
            [this, path, fromPlaylist, then] {
                // Given to open like a file, it fails like one.
                if (fullscreen.IsFullscreen()) {
                    fullscreen.LeaveFullscreen();
                }
                ShowIdleLayout();
                if (!fromPlaylist && !closing) {
                    ReportOpenFailure(this, language, path.toStdString(),
                                      "It is a folder without DVD-Video, Video CD or media files.");
                }
                if (then) {
                    then(false);
                }
            },
            std::exchange(done, {}));
        return;
    }

    // Built and prerolled off this thread; the window goes on meanwhile.
    opening.path = path;
    opening.fromPlaylist = fromPlaylist;
    opening.centre = !startupMediumHandled;
    opening.then = std::move(then);
    opening.done = BeginOpening();
    opening.disc = false;
    session.Opener().OpenFile(path);
}

void CPlayerDlg::CancelOpening() {
    disc.DropPendingPlace();
    if (!session.Opener().Busy()) {
        return;
    }
    session.Opener().Cancel();
    opening.then = {};
    session.DropDeferred();  // input meant for a medium that will not come
    opening.DropSoundTrack(session);
    if (const auto done = std::exchange(opening.done, {})) {
        done();
    }
}

bool CPlayerDlg::IsOpening() const {
    return opening.depth > 0 || playlist.Walking();
}

void CPlayerDlg::OnOpenSettled(const std::optional<QString>& failure) {
    const auto finish = qScopeGuard(std::exchange(opening.done, {}));
    const std::function<void(bool)> then = std::exchange(opening.then, {});
    if (!failure) {
        if (const auto output = Player()->GetVideoOutput()) {
            VideoWidget::Attach(output, client);
        }
    }
    const bool opened = opening.disc ? ShowOpenedDvd(opening.path, opening.fromPlaylist, failure)
                                     : ShowOpenedFile(opening.path, opening.fromPlaylist, failure);
    if (then) {
        then(opened);
    }
}

bool CPlayerDlg::ShowOpenedFile(const QString& path, bool fromPlaylist,
                                const std::optional<QString>& failure) {
    if (failure) {
        if (fullscreen.IsFullscreen()) {
            fullscreen.LeaveFullscreen();
        }
        bookmarks.OnMediumClosed();
        ShowIdleLayout();
        // Items of a playlist that do not open are passed over without a box each.
        if (fromPlaylist) {
            qCInfo(lcUi).noquote() << "skipped" << path << ":" << *failure;
        } else if (!closing) {
            ReportOpenFailure(this, language, path.toStdString(), failure->toStdString());
        }
        return false;
    }
    const bool hasVideo = Player()->HasVideo() == S_OK;
    const bool hasAudio = Player()->HasAudio() == S_OK;

    if (opening.centre && !frame.ApplyWindowPositionOption()) {
        int width = 0;
        int height = 0;
        Player()->GetVideoSize(&width, &height);
        const QRect screen = frame.ScreenRect();
        move((screen.width() - width) / 2, (screen.height() - height) / 2);
    }

    // An address is named by its last path segment, else its host.
    const bool network = velvaro::platform::IsNetworkAddress(path);
    const QString name =
        network ? velvaro::platform::AddressDisplayName(path) : QFileInfo(path).fileName();
    long state = 0;
    Player()->GetState(&state);
    session.Update([&](PlayerState& now) {
        now.name = name;
        now.path = path;
        now.play = static_cast<int>(state);
        session.Events().Read(now);
    });
    Player()->SetVolume(settings->volume);
    Player()->SetBalance(settings->balance);

    if (hasVideo && !commandLine->GetNoBorder()) {
        frame.ModifyStyle(0, WS_THICKFRAME | WS_MAXIMIZEBOX);
    }

    bars.position->setEnabled(true);
    // The previous medium may have had sound; this one's slider has nothing to set.
    bars.volume->setEnabled(hasAudio);

    const int duration = Player()->GetDuration();
    bars.position->setRange(0, duration);
    bars.position->setPageStep(1000);
    session.Loop().Reset(duration);

    windowMenus.ApplyCommandStates(
        {.open = true, .video = hasVideo, .audio = hasAudio, .playlist = playlist.Active()});
    if (hasAudio) {
        session.Playback().ShowVolume();
    }

    if (!fromPlaylist) {
        session.ChangeLayout([](VideoLayout& layout) { layout.ResetPairs(); });
    }
    fullscreen.ForgetFit();

    if (hasVideo) {
        int width = 0;
        int height = 0;
        Player()->GetVideoSize(&width, &height);
        bars.status->SetText(2, QString::fromStdString(ZoomText(session.State().zoom.horizontal)));
        bars.status->SetText(3, QString::fromStdString(ZoomText(session.State().zoom.vertical)));
        bars.status->SetText(4, QString::asprintf("%i x %i", width, height));
    }
    bars.status->SetText(1, QString::fromStdString(ClockText(duration)));
    if (hasVideo && session.Layout().HorizontalZoom() != session.Layout().VerticalZoom()) {
        videoArea.OnAspectRatio();
    }

    if (hasVideo) {
        if (!fullscreen.IsFullscreen() && !isMaximized()) {
            frame.OnOriginalWindowSize();
            frame.OnOriginalWindowSize();
        } else if (!fromPlaylist) {
            videoArea.OnFillWithoutClipping();
        }
    }

    SetTitleSuffix(QStringLiteral(" - STOP"));
    if (hasVideo) {
        videoArea.LayoutVideo();
        if (const QString companion = network ? QString() : MediumOpener::CompanionSoundTrack(path);
            !companion.isEmpty()) {
            OpenExternalAudio(companion);
        }
    }

    if (session.History().HasRememberedPosition()) {
        session.Commands().SetEnabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE, true);
        session.Commands().SetEnabled(IDTBB_JUMPLASTPOSITION, true);
    }

    windowMenus.FillFilterMenus();
    session.Streams().Build();

    bookmarks.OnMediumOpened(path);
    session.History().AddCurrent();

    if (settings->startMediaAutomatically == 0 && playlist.Current() < 2) {
        // Run and pause at once: the first picture shows, the state stays as read.
        Player()->Play();
        Player()->Pause();
    } else {
        session.Playback().PlayPause();
    }
    if (settings->jumpToLastPosition) {
        session.History().JumpToLastPosition();
    }
    ApplyStartOptions();
    return true;
}

void CPlayerDlg::SetTitleSuffix(const QString& suffix) {
    setWindowTitle(kCaptionBase + QStringLiteral(" - ") + session.State().name + suffix);
}

// A sound file of the same name beside a film plays instead of its sound.
void CPlayerDlg::OpenStartupMedium() {
    QString file = QString::fromStdString(commandLine->GetFileName());
    if (file.isEmpty()) {
        return;
    }
    // The command line made a relative name absolute against the start
    // folder; when nothing is there, the name goes back as given so the open
    // also tries it beside the program.
    const QString start = QString::fromStdString(velvaro::platform::LaunchDirectory());
    if (!QFileInfo::exists(file) && file.startsWith(start) && file.size() > start.size()) {
        file.remove(0, start.size());
    }
    playlist.End();
    if (playlist.LoadFile(file)) {
        return;
    }
    const QString audio = QString::fromStdString(commandLine->GetAudioFile());
    const QString bookmarkFile = QString::fromStdString(commandLine->GetBookmarkFile());
    OpenMedia(file, false, [this, audio, bookmarkFile](bool) {
        if (!audio.isEmpty()) {
            OpenExternalAudio(audio);
        }
        if (!bookmarkFile.isEmpty()) {
            bookmarks.LoadNamedFile(bookmarkFile);
        }
    });
}
