// What the pages of the settings dialog share: each is a dialog template
// shown as a child of the settings dialog, editing its working copy.
#pragma once

#include <QDialog>

class CLanguageFile;
class CSettings;

class CSettingsPage : public QDialog {
public:
    CSettingsPage(CLanguageFile& language, CSettings& settings, QWidget* parent);

protected:
    // Enter and Escape are the settings dialog's: OK and Cancel.
    void keyPressEvent(QKeyEvent* event) override;
    // A page is never closed by itself; only the settings dialog ends.
    void reject() override {}

    CLanguageFile& language_;
    CSettings& settings_;
    // Set while the page fills its controls, which is no change of the user's.
    bool filling_ = false;
};
