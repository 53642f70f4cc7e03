#include "CPlaybackPage.h"

#include "i18n/CLanguageFile.h"
#include "settings/CSettings.h"
#include "ui_IDD_SETTINGS_PLAYBACK.h"

#include <charconv>
#include <string>

struct CPlaybackPage::Controls : Ui::IDD_SETTINGS_PLAYBACK {};

CPlaybackPage::CPlaybackPage(CLanguageFile& language, CSettings& settings, QWidget* parent)
    : CSettingsPage(language, settings, parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    filling_ = true;
    ui_->IDC_PLAYBACK_AUTOSTARTVIDEO->setChecked(settings_.startMediaAutomatically != 0);
    ui_->IDC_PLAYBACK_FULLSCREEN->setChecked(settings_.startFullscreen != 0);
    ui_->IDC_PLAYBACK_JUMPTOLASTPOS->setChecked(settings_.jumpToLastPosition != 0);
    ui_->IDC_PLAYBACK_PLAYBACKDELAY->setText(QString::number(settings_.playbackDelay));
    language_.TranslateDialog(this, QStringLiteral("IDD_SETTINGS_PLAYBACK"));
    filling_ = false;

    for (QCheckBox* box : {ui_->IDC_PLAYBACK_AUTOSTARTVIDEO, ui_->IDC_PLAYBACK_FULLSCREEN,
                           ui_->IDC_PLAYBACK_JUMPTOLASTPOS}) {
        connect(box, &QCheckBox::toggled, this, &CPlaybackPage::OnChange);
    }
    connect(ui_->IDC_PLAYBACK_PLAYBACKDELAY, &QLineEdit::textChanged, this,
            &CPlaybackPage::OnChange);
}

CPlaybackPage::~CPlaybackPage() = default;

int CPlaybackPage::ParseDelay(const QString& text) {
    const std::string digits = text.trimmed().toStdString();
    const char* begin = digits.data();
    if (!digits.empty() && digits.front() == '+') {
        ++begin;  // from_chars takes no plus sign
    }
    int value = 0;
    const auto [end, error] = std::from_chars(begin, digits.data() + digits.size(), value);
    if (error != std::errc() || end == begin) {
        return 0;
    }
    return std::max(value, 0);
}

void CPlaybackPage::OnChange() {
    if (filling_) {
        return;
    }
    settings_.startMediaAutomatically = ui_->IDC_PLAYBACK_AUTOSTARTVIDEO->isChecked() ? 1 : 0;
    settings_.startFullscreen = ui_->IDC_PLAYBACK_FULLSCREEN->isChecked() ? 1 : 0;
    settings_.jumpToLastPosition = ui_->IDC_PLAYBACK_JUMPTOLASTPOS->isChecked() ? 1 : 0;
    settings_.playbackDelay = ParseDelay(ui_->IDC_PLAYBACK_PLAYBACKDELAY->text());
    settings_.playbackChanged = 1;
}
