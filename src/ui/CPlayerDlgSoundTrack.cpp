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

void OpeningState::DropSoundTrack(PlayerSession& session) {
    session.Opener().CancelSoundTrack();
    soundTrackThen = {};
    if (const auto done = std::exchange(soundTrackDone, {})) {
        done();
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
    opening.DropSoundTrack(session);
    opening.soundTrackThen = std::move(then);
    opening.soundTrackDone = std::move(done);
    session.Opener().OpenSoundTrack(path);
}

void CPlayerDlg::OnSoundTrackSettled(bool added) {
    const auto finish = qScopeGuard(std::exchange(opening.soundTrackDone, {}));
    const std::function<void(bool)> then = std::exchange(opening.soundTrackThen, {});
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
