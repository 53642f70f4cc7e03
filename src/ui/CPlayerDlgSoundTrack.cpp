// A medium's separate sound track: a companion file beside it, a playlist
// entry's, the command line's or one chosen from the Audio menu. It is
// checked off the window's thread and added once it has opened.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "dialogs/FileDialogFilter.h"
#include "engine/CFilePlayer.h"
#include "engine/FileOpening.h"
#include "i18n/CLanguageFile.h"
#include "resource.h"
#include "settings/CSettings.h"

#include <QFileDialog>
#include <QFileInfo>

void CPlayerDlg::DropSoundTrack() {
    if (opening.soundTrack && session.FilePlayer()) {
        session.FilePlayer()->HoldFilmSound(false);
    }
    opening.soundTrack.reset();
    opening.soundTrackThen = {};
    if (const auto done = std::exchange(opening.soundTrackDone, {})) {
        done();
    }
}

void CPlayerDlg::OpenCompanionAudio(const QString& path) {
    const QFileInfo info(path);
    const QString stem = info.path() + u'/' + info.completeBaseName();
    for (const char* extension : {".wav", ".wma", ".mp3"}) {
        const QString candidate = stem + QString::fromLatin1(extension);
        if (QFileInfo::exists(candidate)) {
            OpenExternalAudio(candidate);
            return;
        }
    }
}

void CPlayerDlg::OpenExternalAudio(const QString& path, std::function<void(bool added)> then) {
    if (!session.FilePlayer() || session.FilePlayer()->HasVideo() != S_OK) {
        if (then) {
            then(false);
        }
        return;
    }
    // Read and checked off this thread, the file may take its time; the
    // film's commands wait for it. A newer track replaces one under way.
    auto done = BeginOpening();
    DropSoundTrack();
    // Meanwhile the film plays without its own sound, as it will after.
    session.FilePlayer()->HoldFilmSound(true);
    opening.soundTrackThen = std::move(then);
    opening.soundTrackDone = std::move(done);
    opening.soundTrack = std::make_unique<velvaro::engine::FileOpening>(
        path.toStdString(), this, [this, path] { OnSoundTrackRendered(path); });
}

void CPlayerDlg::OnSoundTrackRendered(const QString& path) {
    const std::unique_ptr<velvaro::engine::FileOpening> track = std::move(opening.soundTrack);
    const auto finish = qScopeGuard(std::exchange(opening.soundTrackDone, {}));
    const std::function<void(bool)> then = std::exchange(opening.soundTrackThen, {});
    std::shared_ptr<IFilterGraph> probe = track->TakeGraph();
    const bool sound = probe && CFilePlayer::IsSoundTrack(*probe, track->Result());
    // The checked file's graph stops off this thread too.
    velvaro::engine::StartOpeningThread([probe = std::move(probe)]() mutable { probe.reset(); });
    bool added = false;
    if (session.FilePlayer() && !sound) {
        session.FilePlayer()->RemoveExternalAudio();
    } else if (session.FilePlayer()) {
        added = session.FilePlayer()->AddExternalAudio(path.toStdString());
    }
    if (session.FilePlayer()) {
        session.FilePlayer()->HoldFilmSound(false);
    }
    if (added) {
        session.Commands().SetChecked(IDM_AUDIO_AUDIOTRACKOEFFNEN, true);
        session.Commands().SetEnabled(IDM_AUDIO_STUMM, true);
        session.Commands().SetEnabled(IDM_AUDIO_SETTINGS, true);
        session.Commands().SetEnabled(IDTBB_MUTE, true);
        bars.volume->setEnabled(true);
        session.Playback().ShowVolume();
    }
    if (then) {
        then(added);
    }
}

// Loads a sound track to play instead of the film's, or takes it away again.
void CPlayerDlg::OnExternalAudioTrack() {
    if (!Player()) {
        return;
    }
    const auto greyWithoutSound = [this] {
        if (Player()->HasAudio() != S_OK) {
            for (int id :
                 {IDM_AUDIO_STUMM, IDM_AUDIO_SETTINGS, IDM_AUDIO_LEISER, IDM_AUDIO_LAUTER}) {
                session.Commands().SetEnabled(id, false);
            }
            session.Commands().SetEnabled(IDTBB_MUTE, false);
            // As a film without sound opens: nothing for the volume slider.
            session.Update([](PlayerState& now) { now.volume.reset(); });
            bars.volume->setEnabled(false);
        }
        session.Commands().SetChecked(IDM_AUDIO_AUDIOTRACKOEFFNEN, false);
    };
    if (session.Commands().IsChecked(IDM_AUDIO_AUDIOTRACKOEFFNEN)) {
        if (session.FilePlayer()) {
            session.FilePlayer()->RemoveExternalAudio();
        }
        greyWithoutSound();
        return;
    }
    QString sound;
    for (const FileAssociationEntry& entry : settings->associations) {
        if (entry.flags & ASSOC_AUDIO) {
            sound += QStringLiteral("*.%1;").arg(QString::fromStdString(entry.extension));
        }
    }
    const QString filter = language->GetCodeText(QStringLiteral("AUDIOFILE")) + u'|' + sound +
                           u'|' + language->GetCodeText(QStringLiteral("ALLFILES")) +
                           QStringLiteral(" (*.*)|*.*||");
    const bool cursor = fullscreen.ShowCursorForDialog();
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), QString(), ToQtFileFilter(filter), nullptr, QFileDialog::ReadOnly);
    fullscreen.RestoreCursorAfterDialog(cursor);
    if (chosen.isEmpty() || !session.FilePlayer() || !videoArea.HasVideo()) {
        return;
    }
    OpenExternalAudio(chosen, [greyWithoutSound](bool added) {
        if (!added) {
            greyWithoutSound();
        }
    });
}
