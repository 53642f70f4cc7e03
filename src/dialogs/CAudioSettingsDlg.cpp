#include "CAudioSettingsDlg.h"

#include "DialogSupport.h"
#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "engine/VolumeScale.h"
#include "i18n/CLanguageFile.h"
#include "platform/PlayerMessages.h"
#include "platform/VirtualKeys.h"
#include "ui_IDD_AUDIO_SETTINGS.h"

#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

struct CAudioSettingsDlg::Controls : Ui::IDD_AUDIO_SETTINGS {};

namespace {

// The only keys a dialog of sliders and buttons needs; every other key-down
// is swallowed before a control sees it.
constexpr UINT kDialogKeys[] = {VK_TAB,  VK_RETURN, VK_ESCAPE, VK_SPACE,
                                VK_LEFT, VK_UP,     VK_RIGHT,  VK_DOWN};

bool IsDialogKey(const QKeyEvent& key) {
    const UINT code = VirtualKeyFromQt(key.key(), key.modifiers());
    return std::find(std::begin(kDialogKeys), std::end(kDialogKeys), code) != std::end(kDialogKeys);
}

}  // namespace

CAudioSettingsDlg::CAudioSettingsDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    QObject::connect(ui_->IDC_SLIDER_VOLUME, &CClickSlider::scrolled, this,
                     [this](int code) { OnHScroll(code, ui_->IDC_SLIDER_VOLUME); });
    QObject::connect(ui_->IDC_SLIDER_BALANCE, &CClickSlider::scrolled, this,
                     [this](int code) { OnHScroll(code, ui_->IDC_SLIDER_BALANCE); });
    QObject::connect(ui_->IDC_BUTTON_OK, &QPushButton::clicked, this, &CAudioSettingsDlg::OnOK);
    QObject::connect(ui_->IDC_BUTTON_RESET, &QPushButton::clicked, this,
                     &CAudioSettingsDlg::OnReset);
    QObject::connect(ui_->IDC_BUTTON_ABBRECHEN, &QPushButton::clicked, this,
                     &CAudioSettingsDlg::reject);
    for (QWidget* control : findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
}

CAudioSettingsDlg::~CAudioSettingsDlg() = default;

CClickSlider* CAudioSettingsDlg::VolumeSlider() const {
    return ui_->IDC_SLIDER_VOLUME;
}

CClickSlider* CAudioSettingsDlg::BalanceSlider() const {
    return ui_->IDC_SLIDER_BALANCE;
}

int CAudioSettingsDlg::Show(CMediaPlayer* player, const CLanguageFile* language) {
    player_ = player;
    language_ = language;
    OnInitDialog();
    return exec();
}

void CAudioSettingsDlg::EngineClosed() {
    player_ = nullptr;
    if (isVisible()) {
        done(IDCANCEL);
    }
}

void CAudioSettingsDlg::OnInitDialog() {
    ui_->IDC_SLIDER_VOLUME->setRange(0, 100);
    ui_->IDC_SLIDER_BALANCE->setRange(kBalanceLeft, kBalanceRight);
    volume_ = player_ ? player_->GetVolume() : 0;
    balance_ = player_ ? player_->GetBalance() : 0;
    ui_->IDC_SLIDER_VOLUME->setValue(volume_slider::PositionFromVolume(volume_));
    ui_->IDC_SLIDER_BALANCE->setValue(balance_);
    ui_->IDC_BUTTON_OK->setFocus();
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_AUDIO_SETTINGS"));
    }
}

bool CAudioSettingsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !IsDialogKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// The dialog itself, when no control has the focus.
void CAudioSettingsDlg::keyPressEvent(QKeyEvent* event) {
    if (!IsDialogKey(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Page, thumb position and thumb track apply at once; line steps (the arrow
// keys) only move the thumb.
void CAudioSettingsDlg::OnHScroll(int code, const CClickSlider* slider) {
    if (code < SB_PAGELEFT || code > SB_THUMBTRACK || !player_) {
        return;
    }
    if (slider == ui_->IDC_SLIDER_VOLUME) {
        player_->SetVolume(volume_slider::VolumeFromPosition(slider->value()));
    } else if (slider == ui_->IDC_SLIDER_BALANCE) {
        player_->SetBalance(slider->value());
    }
}

void CAudioSettingsDlg::OnReset() {
    ui_->IDC_SLIDER_VOLUME->setValue(100);
    ui_->IDC_SLIDER_BALANCE->setValue(0);
    if (player_) {
        player_->SetVolume(0);
        player_->SetBalance(0);
    }
}

void CAudioSettingsDlg::OnOK() {
    done(IDOK);
}

// The values read at opening, not their slider round trip.
void CAudioSettingsDlg::reject() {
    if (player_) {
        player_->SetVolume(volume_);
        player_->SetBalance(balance_);
    }
    done(IDCANCEL);
}
