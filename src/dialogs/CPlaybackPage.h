// The playback page: starting on opening, in fullscreen, at the last
// position, and the delay of a delayed start.
#pragma once

#include "CSettingsPage.h"

#include <memory>

class QString;

class CPlaybackPage : public CSettingsPage {
public:
    CPlaybackPage(CLanguageFile& language, CSettings& settings, QWidget* parent);
    ~CPlaybackPage() override;

    // The seconds a delay text stands for: its leading whole number, 0 for
    // anything else and for negative numbers.
    static int ParseDelay(const QString& text);

private:
    void OnChange();

    struct Controls;
    std::unique_ptr<Controls> ui_;
};
