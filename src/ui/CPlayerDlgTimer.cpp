// The clock timer that moves the position bar and the time, seeking while
// the position thumb is dragged, and the end of the medium: loop, playlist,
// shutdown and quit.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "engine/CMediaPlayer.h"
#include "i18n/CLanguageFile.h"
#include "platform/StartTiming.h"
#include "resource.h"
#include "ui/PlayerStatusBar.h"

namespace {

// The benchmarks drag the thumb with the pointer, and need to know where.
void NoteBarPlace(const QWidget& bar, QRect& noted) {
    if (!lcBench().isInfoEnabled()) {
        return;
    }
    const QRect place(bar.mapToGlobal(QPoint()), bar.size());
    if (place != noted && bar.isVisible()) {
        noted = place;
        qCInfo(lcBench, "position bar at %d %d %d %d", place.x(), place.y(), place.width(),
               place.height());
    }
}

}  // namespace

// The session's clock found the engine's position; a drag of the position
// thumb seeks where it rests, every half second at most.
void CPlayerDlg::OnClockTick() {
    NoteBarPlace(*bars.position, drag.notedPlace);
    int position = session.State().position;
    if (drag.dragging) {
        const int wanted = bars.position->value();
        if (TickCount() - drag.lastTick < 500 || wanted == drag.lastSeek) {
            position = wanted;
        } else {
            Player()->SetPosition(wanted);
            Player()->Pause();
            drag.lastSeek = wanted;
            position = Player()->GetPosition();
        }
    } else {
        bars.position->setValue(position);
    }
    const int buffering = session.FilePlayer() ? session.FilePlayer()->GetBufferingPercent() : 100;
    if (!bars.playbackError.isEmpty()) {
        bars.status->SetText(0, bars.playbackError);
    } else if (buffering < 100) {
        bars.status->SetText(0, QStringLiteral("%1 %2%")
                                    .arg(language->GetCodeText(QStringLiteral("BUFFERING")))
                                    .arg(buffering));
    } else if (!bars.notice.isEmpty() && static_cast<int>(bars.noticeUntil - TickCount()) > 0) {
        bars.status->SetText(0, bars.notice);
    } else {
        bars.status->SetText(0, QString::fromStdString(ClockText(position)));
    }
    if (videoArea.HasVideo()) {
        bars.status->SetText(6, QString::asprintf("%.2f fps", Player()->GetFrameRate()));
    }
    session.Loop().CheckJumpBack(position, bars.position->maximum());
}

// A playlist goes on with its next item; after the last one it is back at
// the first, stopped unless the loop is on. When none of the items left
// opens, the playlist has ended all the same.
void CPlayerDlg::OnEndOfMedia(bool loopAgain) {
    session.Playback().Stop(loopAgain);
    if (!playlist.Active()) {
        AfterPlayback();
        return;
    }
    if (playlist.Current() < playlist.Items()) {
        playlist.PlayItem(playlist.Current() + 1, [this](bool played) {
            if (!played) {
                AfterPlayback();
            }
        });
        return;
    }
    playlist.PlayItem(1, [this, loopAgain](bool) {
        session.Playback().Stop(loopAgain);
        AfterPlayback();
        if (session.Loop().Looping() && session.Player()) {
            session.Playback().PlayPause();
        }
    });
}

void CPlayerDlg::AfterPlayback() {
    if (session.Playback().ShutdownArmed() && language) {
        dialogs.RunShutdownCountdown();
    }
    if (quitAfterPlayback) {
        done(0);
    }
}
