// The window's size and state changes, handed to its frame.
#include "ui/CPlayerDlg.h"

#include <QWindowStateChangeEvent>

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    videoArea.PlaceClientArea();
    frame.OnSize();
}

// The window manager's maximise and restore buttons act like the window's
// own commands.
void CPlayerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        if (frame.OnWindowStateChange(*static_cast<QWindowStateChangeEvent*>(event))) {
            session.Events().Wake();
        }
    }
}
