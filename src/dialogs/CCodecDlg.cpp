#include "CCodecDlg.h"

#include "FilterList.h"
#include "engine/CMediaPlayer.h"
#include "i18n/CLanguageFile.h"
#include "ui_IDD_CODEC_DIALOG.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

struct CCodecDlg::Controls : Ui::IDD_CODEC_DIALOG {};

CCodecDlg::CCodecDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    QObject::connect(ui_->IDC_BUTTON_EIGENSCHAFTEN, &QPushButton::clicked, this,
                     &CCodecDlg::OnProperties);
    QObject::connect(ui_->IDC_LIST_CODEC, &QListWidget::itemDoubleClicked, this,
                     [this] { OnProperties(); });
    QObject::connect(ui_->IDC_BUTTON_SCHLIESSEN, &QPushButton::clicked, this, &CCodecDlg::accept);
}

CCodecDlg::~CCodecDlg() = default;

int CCodecDlg::Show(CMediaPlayer* player, const CLanguageFile* language) {
    player_ = player;
    language_ = language;
    OnInitDialog();
    return exec();
}

void CCodecDlg::EngineClosed() {
    player_ = nullptr;
    if (isVisible()) {
        reject();
    }
}

QString CCodecDlg::DurationText(int hundredths) {
    const int seconds = hundredths / 100;
    return QString::asprintf("%.2i:%.2i:%.2i,%.3i", seconds / 3600, seconds % 3600 / 60,
                             seconds % 60, 0);
}

QListWidget* CCodecDlg::FilterList() const {
    return ui_->IDC_LIST_CODEC;
}

QString CCodecDlg::Duration() const {
    return ui_->IDC_DURATION->text();
}

void CCodecDlg::OnInitDialog() {
    if (language_) {
        setWindowTitle(language_->GetCodeText(QStringLiteral("PROPERTIES_MEDIA")));
    }
    ui_->IDC_LIST_CODEC->clear();
    ui_->IDC_DURATION->clear();
    if (player_) {
        ui_->IDC_DURATION->setText(DurationText(player_->GetDuration()));
        velvaro::dialogs::FillFilterList(*player_, ui_->IDC_LIST_CODEC, FILTERLIST_LISTBOX);
        if (ui_->IDC_LIST_CODEC->count() > 0) {
            ui_->IDC_LIST_CODEC->setCurrentRow(0);
        }
    }
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_CODEC_DIALOG"));
    }
}

void CCodecDlg::OnProperties() {
    const QListWidgetItem* selected = ui_->IDC_LIST_CODEC->currentItem();
    if (!player_ || ui_->IDC_LIST_CODEC->count() == 0 || !selected) {
        return;
    }
    velvaro::dialogs::ShowFilterProperties(*player_, selected->text().toStdString(), this);
}
