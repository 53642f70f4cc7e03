// The settings dialog and what the window does after it: the language, the
// general settings and the associations, each only when its page changed it.
#include "ui/CPlayerDlg.h"

#include "dialogs/CSettingsDlg.h"
#include "i18n/CLanguageFile.h"
#include "settings/CSettings.h"

void CPlayerDlg::OnSettings() {
    if (!language) {
        return;
    }
    const bool cursor = fullscreen.ShowCursorForDialog();
    settings->generalChanged = 0;
    settings->playbackChanged = 0;
    settings->languageChanged = 0;
    settings->associationsChanged = 0;
    int result = 0;
    {
        CSettingsDlg dialog(*language, *settings, this);
        result = dialog.DoModal();
    }
    if (result == QDialog::Accepted) {
        if (settings->languageChanged) {
            LoadChosenLanguage();
            windowMenus.TranslateWindow();
        }
        if (settings->generalChanged) {
            ApplySettings();
        }
        if (settings->associationsChanged) {
            settings->ApplyAssociations();
        }
        settings->Save();
    }
    fullscreen.RestoreCursorAfterDialog(cursor);
}

void CPlayerDlg::LoadChosenLanguage() {
    if (settings->languageType == 1) {
        language->LoadFile(QString::fromStdString(settings->languageFile));
    } else if (settings->languageType == 0) {
        const QString name = QString::fromStdString(settings->languageResource);
        language->LoadResource(language->GetSymbols().GetId(name));
    }
}
