// The general page: single instance, power management, process priority,
// the fullscreen display mode, the toolbar's place and the screenshot folder.
#pragma once

#include "CSettingsPage.h"

#include <memory>

class CGeneralPage : public CSettingsPage {
public:
    CGeneralPage(CLanguageFile& language, CSettings& settings, QWidget* parent);
    ~CGeneralPage() override;

private:
    void OnInitDialog();
    void FillDisplayModes();
    // Every control into the working copy; the general change flag.
    void OnChange();
    void OnSelectFolder();

    struct Controls;
    std::unique_ptr<Controls> ui_;
};
