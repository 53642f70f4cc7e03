// The help menu's own commands: the about box and the donation page.
#include "ui/CPlayerDlg.h"

#include "controls/UrlOpener.h"
#include "dialogs/CAboutDlg.h"
#include "platform/ProductAddresses.h"

void CPlayerDlg::OnAbout() {
    const bool cursor = ShowCursorForDialog();
    CAboutDlg dialog(this);
    dialog.DoModal();
    RestoreCursorAfterDialog(cursor);
}

// Whether a browser came up is not checked.
void CPlayerDlg::OnDonate() {
    OpenUrl(QUrl(QString::fromLatin1(velvaro::kDonationUrl)));
}
