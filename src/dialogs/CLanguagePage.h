// The language page: the built-in languages and the language files to choose
// from. In the settings dialog it edits the dialog's working copy; on its own
// (first start, or when the chosen language cannot be loaded) it loads the
// chosen language at once and stores the choice for the next start.
#pragma once

#include "i18n/LanguageCatalogue.h"

#include <QDialog>

#include <memory>
#include <vector>

class CLanguageFile;
class CSettings;
class QKeyEvent;
class QShowEvent;

namespace Ui {
class IDD_SETTINGS_LANGUAGE;
}

class CLanguagePage : public QDialog {
public:
    // `settings` is the settings dialog's working copy (a page) or the
    // application's settings (on its own); neither is owned.
    CLanguagePage(CLanguageFile& language, CSettings& settings, QWidget* parent = nullptr);
    ~CLanguagePage() override;

    // Shows the page on its own, modally: QDialog::Accepted once a language
    // has been loaded and chosen, QDialog::Rejected when cancelled.
    int DoModalStandAlone();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitDialog();
    void FillList();
    void SizeColumns();
    // The working copy's language becomes the row's (a page in the dialog).
    void OnRowClicked(int row);
    // Load the selected row's language, store it and close (on its own).
    void ChooseSelectedAndClose();
    void ChooseRow(int row);
    int SelectedRow() const;

    CLanguageFile& language_;
    CSettings& settings_;
    bool standAlone_ = false;
    bool initialised_ = false;
    std::vector<LanguageChoice> choices_;  // one per row
    std::unique_ptr<Ui::IDD_SETTINGS_LANGUAGE> ui_;
};
