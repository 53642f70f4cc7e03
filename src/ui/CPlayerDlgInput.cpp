// The window's input: key pre-translation into the session's key table,
// dropped files, the end of a medium and the hand-over from a second start.
#include "ui/CPlayerDlg.h"

#include "CommandRanges.h"
#include "engine/CFilePlayer.h"
#include "platform/Atoms.h"
#include "platform/VirtualKeys.h"
#include "resource.h"
#include "session/CommandStates.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "settings/HandOverRecords.h"
#include "ui/PlayerStatusBar.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <set>
#include <utility>

void ForMedium(PlayerSession& session, std::function<void()> input) {
    if (session.Opener().Busy()) {
        session.Defer([&session, input = std::move(input)] { ForMedium(session, input); });
        return;
    }
    input();
}

// The engine's events and the clock's ticks.
bool CPlayerDlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::Show) {
        frame.ShowFrameHints();  // the native window is new and has Qt's hints
    }
    return handled;
}

bool CPlayerDlg::eventFilter(QObject* watched, QEvent* event) {
    // The bars alone cover a window without a splash: its area never paints.
    if (event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        OpenStartupMediumOnce();
    }
    if (PreTranslateMessage(watched, event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Every key meant for this window goes to the session's key table; the
// widgets never see it, so Enter and Escape do not end the dialog and the
// sliders do not move by keyboard.
bool CPlayerDlg::PreTranslateMessage(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    // System keys (Alt and its combinations, F10) open the menus instead.
    if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_Alt ||
        key->key() == Qt::Key_F10) {
        return false;
    }
    if (type == QEvent::ShortcutOverride) {
        key->accept();  // keys reach us as key presses, not as shortcuts
        return true;
    }
    const UINT code = VirtualKeyFromQt(key->key(), key->modifiers());
    // The countdown has the keyboard: a key that reaches the window meanwhile
    // was queued before it (a held Space repeating on a busy machine) and
    // would start the film under it.
    if (dialogs.CountingDown() && type == QEvent::KeyPress && code != VK_CONTROL) {
        return true;
    }
    session.Key(code, type == QEvent::KeyPress);
    return true;
}

void CPlayerDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CPlayerDlg::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            names.append(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
    // One folder plays as a disc or a disc folder.
    if (names.size() == 1 && QFileInfo(names.first()).isDir()) {
        disc.OpenPlace(names.first());
    } else if (!names.isEmpty()) {
        OpenFiles(names);
    }
    session.Events().Wake();
}

// A medium that breaks while playing ends as if it had come to its end, so
// loop, playlist and quitting after playback still work.
void CPlayerDlg::OnMediumEnded(const QString& failure) {
    if (!failure.isEmpty()) {
        bars.playbackError = failure;
        bars.status->SetText(0, bars.playbackError);
    }
    OnEndOfMedia(session.Loop().Looping());
}

void CPlayerDlg::OnInstanceParam(WPARAM wParam, LPARAM lParam) {
    using namespace hand_over;
    for (const TextRecord& field : kTextRecords) {
        if (wParam < field.firstPiece || wParam >= field.firstPiece + kPieces) {
            continue;
        }
        std::string value =
            wParam == field.firstPiece ? std::string() : (commandLine->*field.get)();
        const auto atom = static_cast<ATOM>(lParam & 0xFFFF);
        if (atom != 0) {
            value += GlobalGetAtomName(atom).toStdString();
            GlobalDeleteAtom(atom);
        }
        (commandLine->*field.set)(value);
        return;
    }
    for (const SwitchRecord& option : kSwitchRecords) {
        if (wParam == option.record) {
            (commandLine->*option.set)(lParam != 0 ? 1 : 0);
            return;
        }
    }
    if (wParam == kEndMark && lParam == 0) {
        const bool compact = commandLine->GetCompact() != 0;
        const bool noCompact = commandLine->GetNoCompact() != 0;
        if (compact != noCompact && compact != (settings->compactView != 0)) {
            frame.ToggleCompactView();
        }
        if (!commandLine->GetFileName().empty()) {
            OpenStartupMedium();
        } else {
            ApplyStartOptions();
        }
    }
}
