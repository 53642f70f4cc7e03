// The help menu's own commands: the about box, the online update and the
// donation page.
#include "ui/CPlayerDlg.h"

#include "controls/UrlOpener.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/DialogSupport.h"
#include "i18n/CLanguageFile.h"
#include "platform/ProductAddresses.h"

void CPlayerDlg::OnAbout() {
    const bool cursor = fullscreen.ShowCursorForDialog();
    CAboutDlg dialog(this);
    dialog.DoModal();
    fullscreen.RestoreCursorAfterDialog(cursor);
}

// Only with a language: the update's texts all come from it. Once the new
// program has started, this one makes way for it.
void CPlayerDlg::OnUpdate() {
    if (!language || language->GetSource() == CLanguageFile::Source::None) {
        return;
    }
    const bool cursor = fullscreen.ShowCursorForDialog();
    CUpdateDlg dialog(language, this);
    const int result = dialog.DoModal();
    fullscreen.RestoreCursorAfterDialog(cursor);
    if (result == IDOK) {
        OnExit();
    }
}

// Whether a browser came up is not checked.
void CPlayerDlg::OnDonate() {
    OpenUrl(QUrl(QString::fromLatin1(velvaro::kDonationUrl)));
}
