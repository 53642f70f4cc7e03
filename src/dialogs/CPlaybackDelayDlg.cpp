#include "CPlaybackDelayDlg.h"

#include "DialogSupport.h"
#include "i18n/CLanguageFile.h"
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
    countdown_.setObjectName(QStringLiteral("ID_Shutdown_Timer"));
    QObject::connect(&countdown_, &QTimer::timeout, this, &CPlaybackDelayDlg::OnTimer);
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
    countdown_.start(1000);
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_PLAYBACKDELAY"));
    }
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
    countdown_.stop();
    QDialog::done(result);
}
