#include "CGeneralPage.h"

#include "DialogIcons.h"
#include "i18n/CLanguageFile.h"
#include "platform/DisplayModes.h"
#include "settings/CSettings.h"
#include "ui_IDD_SETTINGS_GENERAL.h"

#include <QFileDialog>
#include <QFileInfo>

struct CGeneralPage::Controls : Ui::IDD_SETTINGS_GENERAL {};

namespace {

constexpr const char* kPriorityKeys[] = {"IDLE", "NORMAL", "HIGH", "REALTIME"};
constexpr const char* kToolBarPlaceKeys[] = {"TOP", "BOTTOM"};

}  // namespace

CGeneralPage::CGeneralPage(CLanguageFile& language, CSettings& settings, QWidget* parent)
    : CSettingsPage(language, settings, parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    ui_->IDC_GENERAL_SELECTDIR->SetIcon(FolderIcon(style()));
    OnInitDialog();

    for (QCheckBox* box : {ui_->IDC_GENERAL_INSTANCE, ui_->IDC_GENERAL_POWER}) {
        connect(box, &QCheckBox::toggled, this, &CGeneralPage::OnChange);
    }
    for (QComboBox* list :
         {ui_->IDC_PROCESSPRIORITY, ui_->IDC_DISPLAYSETTINGS, ui_->IDC_TOOLBARPOS}) {
        connect(list, &QComboBox::currentIndexChanged, this, &CGeneralPage::OnChange);
    }
    connect(ui_->IDC_GENERAL_SELECTDIR, &QPushButton::clicked, this, &CGeneralPage::OnSelectFolder);
}

CGeneralPage::~CGeneralPage() = default;

void CGeneralPage::OnInitDialog() {
    filling_ = true;
    ui_->IDC_GENERAL_INSTANCE->setChecked(settings_.singleInstanceMode != 0);
    ui_->IDC_GENERAL_POWER->setChecked(settings_.deactivatePowerManagement != 0);
    ui_->IDC_GENERAL_SNAPSHOTDIR->setText(QString::fromStdString(settings_.screenshotDirectory));
    for (const char* key : kPriorityKeys) {
        ui_->IDC_PROCESSPRIORITY->addItem(language_.GetCodeText(QString::fromLatin1(key)));
    }
    for (const char* key : kToolBarPlaceKeys) {
        ui_->IDC_TOOLBARPOS->addItem(language_.GetCodeText(QString::fromLatin1(key)));
    }
    FillDisplayModes();
    // An index the list does not have (a hand-edited setting) selects nothing.
    const auto select = [](QComboBox* list, int index) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    select(ui_->IDC_PROCESSPRIORITY, settings_.processPriority);
    select(ui_->IDC_TOOLBARPOS, settings_.toolBarPos);
    language_.TranslateDialog(this, QStringLiteral("IDD_SETTINGS_GENERAL"));
    filling_ = false;
}

void CGeneralPage::FillDisplayModes() {
    QComboBox* list = ui_->IDC_DISPLAYSETTINGS;
    list->addItem(language_.GetCodeText(QStringLiteral("DONTCHANGE")));
    // Modes differing only in depth or refresh rate are one size to choose.
    for (const DisplayMode& mode : Displays().Modes()) {
        const QString text = QStringLiteral("%1 x %2").arg(mode.width).arg(mode.height);
        if (list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
            list->addItem(text);
        }
    }
    const int chosen = list->findText(QString::fromStdString(settings_.displaySettings),
                                      Qt::MatchExactly | Qt::MatchCaseSensitive);
    list->setCurrentIndex(chosen >= 0 ? chosen : 0);
}

void CGeneralPage::OnChange() {
    if (filling_) {
        return;
    }
    settings_.singleInstanceMode = ui_->IDC_GENERAL_INSTANCE->isChecked() ? 1 : 0;
    settings_.deactivatePowerManagement = ui_->IDC_GENERAL_POWER->isChecked() ? 1 : 0;
    settings_.screenshotDirectory = ui_->IDC_GENERAL_SNAPSHOTDIR->text().toStdString();
    const int priority = ui_->IDC_PROCESSPRIORITY->currentIndex();
    settings_.processPriority = priority >= 0 ? priority : 1;
    settings_.displaySettings = ui_->IDC_DISPLAYSETTINGS->currentText().toStdString();
    settings_.toolBarPos = std::max(ui_->IDC_TOOLBARPOS->currentIndex(), 0);
    settings_.generalChanged = 1;
}

void CGeneralPage::OnSelectFolder() {
    QFileDialog browser(this, language_.GetCodeText(QStringLiteral("SELECTSCREENSHOTDIR")),
                        ui_->IDC_GENERAL_SNAPSHOTDIR->text());
    browser.setFileMode(QFileDialog::Directory);
    browser.setOption(QFileDialog::ShowDirsOnly);
    if (browser.exec() != QDialog::Accepted || browser.selectedFiles().isEmpty()) {
        return;
    }
    const QString folder = browser.selectedFiles().front();
    // Only a folder one could change into is taken.
    const QFileInfo info(folder);
    if (folder == ui_->IDC_GENERAL_SNAPSHOTDIR->text() || !info.isDir() || !info.isExecutable()) {
        return;
    }
    ui_->IDC_GENERAL_SNAPSHOTDIR->setText(folder);
    OnChange();
}
