#include "CPlaybackDelayDlg.h"

#include "DialogSupport.h"
#include "i18n/CLanguageFile.h"
#include "platform/WindowMessage.h"
#include "ui_IDD_PLAYBACKDELAY.h"

#include <QLabel>
#include <QPushButton>

struct CPlaybackDelayDlg::Controls : Ui::IDD_PLAYBACKDELAY {};

CPlaybackDelayDlg::CPlaybackDelayDlg(const CLanguageFile* language, int seconds, QWidget* parent)
    : QDialog(parent),
      language_(language),
      secondsLeft_(seconds),
      ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    QObject::connect(ui_->IDC_BUTTON_ABBRECHEN, &QPushButton::clicked, this,
                     &CPlaybackDelayDlg::reject);
}

CPlaybackDelayDlg::~CPlaybackDelayDlg() = default;

int CPlaybackDelayDlg::DoModal() {
    return exec();
}

QString CPlaybackDelayDlg::CountdownText() const {
    return ui_->IDC_COUNTDOWN->text();
}

void CPlaybackDelayDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CPlaybackDelayDlg::OnInitDialog() {
    ui_->IDC_COUNTDOWN->setText(::CountdownText(language_, secondsLeft_));
    SetTimer(this, kShutdownTimerId, 1000);
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_PLAYBACKDELAY"));
    }
}

bool CPlaybackDelayDlg::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type()) {
        if (static_cast<WindowMessageEvent*>(event)->message == WM_TIMER) {
            OnTimer();  // whichever timer it is
        }
        return true;
    }
    return QDialog::event(event);
}

// Shows n, n-1 .. 1 a second each and ends a second after 1. A count that
// is not positive (a hand-edited setting) ends at the first tick instead of
// running on below zero.
void CPlaybackDelayDlg::OnTimer() {
    if (secondsLeft_ <= 1) {
        done(IDOK);
        return;
    }
    --secondsLeft_;
    ui_->IDC_COUNTDOWN->setText(::CountdownText(language_, secondsLeft_));
}

void CPlaybackDelayDlg::reject() {
    done(IDCANCEL);
}

void CPlaybackDelayDlg::done(int result) {
    KillTimer(this, kShutdownTimerId);
    QDialog::done(result);
}
