#include "CShutdownDlg.h"

#include "DialogSupport.h"
#include "i18n/CLanguageFile.h"
#include "ui_IDD_SHUTDOWN.h"

#include <QLabel>
#include <QPushButton>

struct CShutdownDlg::Controls : Ui::IDD_SHUTDOWN {};

CShutdownDlg::CShutdownDlg(const CLanguageFile* language, QWidget* parent)
    : QDialog(parent), language_(language), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    countdown_.setObjectName(QStringLiteral("ID_Shutdown_Timer"));
    QObject::connect(&countdown_, &QTimer::timeout, this, &CShutdownDlg::OnTimer);
    // Without a parent it would be lost behind a topmost fullscreen player,
    // out of reach of the one person who may want to cancel it.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    QObject::connect(ui_->IDC_BUTTON_ABBRECHEN, &QPushButton::clicked, this, &CShutdownDlg::reject);
}

CShutdownDlg::~CShutdownDlg() = default;

int CShutdownDlg::DoModal() {
    return exec();
}

QString CShutdownDlg::CountdownText() const {
    return ui_->IDC_COUNTDOWN->text();
}

void CShutdownDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CShutdownDlg::OnInitDialog() {
    ui_->IDC_COUNTDOWN->setText(::CountdownText(language_, secondsLeft_));
    countdown_.start(1000);
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_SHUTDOWN"));
    }
}

// Counts 15 .. 1 and closes on the tick after 1.
void CShutdownDlg::OnTimer() {
    if (secondsLeft_ <= 1) {
        done(IDOK);
        return;
    }
    --secondsLeft_;
    ui_->IDC_COUNTDOWN->setText(::CountdownText(language_, secondsLeft_));
}

void CShutdownDlg::reject() {
    done(IDCANCEL);
}

void CShutdownDlg::done(int result) {
    countdown_.stop();
    QDialog::done(result);
}
