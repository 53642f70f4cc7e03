// The window's size and state changes, handed to its frame, and the menu
// check and grey states.
#include "ui/CPlayerDlg.h"

#include <QWindowStateChangeEvent>

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    videoArea.PlaceClientArea();
    frame.OnSize();
}

void CPlayerDlg::SetMenuCheck(int id, UINT flags) {
    session.Commands().SetChecked(id, (flags & MF_CHECKED) != 0);
}

void CPlayerDlg::SetMenuEnable(int id, UINT flags) {
    session.Commands().SetEnabled(id, (flags & MF_GRAYED) == 0);
}

// The window manager's maximise and restore buttons act like the window's
// own commands.
void CPlayerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        frame.OnWindowStateChange(*static_cast<QWindowStateChangeEvent*>(event));
    }
}
