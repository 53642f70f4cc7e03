#include "CLanguagePage.h"

#include "DialogIcons.h"
#include "i18n/CLanguageFile.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"
#include "ui_IDD_SETTINGS_LANGUAGE.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>

namespace {

const QString kSection = QStringLiteral("IDD_SETTINGS_LANGUAGE");

}  // namespace

CLanguagePage::CLanguagePage(CLanguageFile& language, CSettings& settings, QWidget* parent)
    : QDialog(parent),
      language_(language),
      settings_(settings),
      ui_(std::make_unique<Ui::IDD_SETTINGS_LANGUAGE>()) {
    ui_->setupUi(this);
    if (parent) {
        setWindowFlags(Qt::Widget);  // a page inside the settings dialog
    }
    QTableWidget* list = ui_->IDC_LANGUAGELIST;
    list->horizontalHeader()->setStretchLastSection(false);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The columns are shares of the visible width, which shrinks when the
    // scroll bar turns up after the rows are in.
    list->viewport()->installEventFilter(this);
    QObject::connect(list, &QTableWidget::cellClicked, this,
                     [this](int row, int) { OnRowClicked(row); });
    QObject::connect(list, &QTableWidget::cellDoubleClicked, this, [this](int, int) {
        if (standAlone_) {
            ChooseSelectedAndClose();
        }
    });
    QObject::connect(ui_->IDC_BUTTON_OK, &QPushButton::clicked, this,
                     &CLanguagePage::ChooseSelectedAndClose);
}

CLanguagePage::~CLanguagePage() = default;

int CLanguagePage::DoModalStandAlone() {
    standAlone_ = true;
    return exec();
}

void CLanguagePage::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        InitDialog();
    }
    QDialog::showEvent(event);
    SizeColumns();
}

void CLanguagePage::InitDialog() {
    QTableWidget* list = ui_->IDC_LANGUAGELIST;
    language_.TranslateDialog(this, kSection);
    if (standAlone_) {
        // Nothing is loaded yet, so the texts are in both languages.
        setWindowTitle(QStringLiteral("Velvaro Sprache/Language"));
        list->setHorizontalHeaderLabels({QStringLiteral("Sprache/Language"),
                                         QStringLiteral("Version"),
                                         QStringLiteral("Autor/Creator")});
    } else {
        list->setHorizontalHeaderLabels({language_.GetCodeText(QStringLiteral("LANGUAGE")),
                                         language_.GetCodeText(QStringLiteral("VERSION")),
                                         language_.GetCodeText(QStringLiteral("CREATOR"))});
        ui_->IDC_BUTTON_OK->hide();
        ui_->IDC_BUTTON_OK->setDefault(false);
        ui_->IDC_BUTTON_OK->setAutoDefault(false);
    }
    FillList();
}

void CLanguagePage::FillList() {
    QTableWidget* list = ui_->IDC_LANGUAGELIST;
    const QIcon builtIn = BuiltInLanguageIcon(style());
    const QIcon file = LanguageFileIcon(style());
    const CResourceSymbols& symbols = language_.GetSymbols();

    choices_ = ListLanguages();
    list->clearContents();
    list->setRowCount(static_cast<int>(choices_.size()));
    for (int row = 0; row < list->rowCount(); ++row) {
        const LanguageChoice& choice = choices_[static_cast<std::size_t>(row)];
        const bool isResource = choice.source == CLanguageFile::Source::Resource;
        list->setItem(row, 0, new QTableWidgetItem(isResource ? builtIn : file, choice.language));
        list->setItem(row, 1, new QTableWidgetItem(choice.version));
        list->setItem(row, 2, new QTableWidgetItem(choice.creator));
        if (standAlone_) {
            // English until the user picks another, so that Enter (OK) goes on.
            if (isResource &&
                choice.resourceId == symbols.GetId(QStringLiteral("IDR_LNG_ENGLISH"))) {
                list->selectRow(row);
            }
            continue;
        }
        const bool inUse =
            isResource ? settings_.languageType == 0 &&
                             symbols.GetId(QString::fromStdString(settings_.languageResource)) ==
                                 choice.resourceId
                       : settings_.languageType == 1 &&
                             QString::fromStdString(settings_.languageFile) == choice.fileName;
        if (inUse) {
            list->selectRow(row);
        }
    }
}

bool CLanguagePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->IDC_LANGUAGELIST->viewport() && event->type() == QEvent::Resize) {
        SizeColumns();
    }
    return QDialog::eventFilter(watched, event);
}

void CLanguagePage::SizeColumns() {
    QTableWidget* list = ui_->IDC_LANGUAGELIST;
    const int width = list->viewport()->width();
    list->setColumnWidth(0, width * 25 / 100);
    list->setColumnWidth(1, width * 15 / 100);
    list->setColumnWidth(2, width * 45 / 100);
}

void CLanguagePage::keyPressEvent(QKeyEvent* event) {
    // Inside the settings dialog Enter and Escape are not the page's to use.
    if (!standAlone_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                         event->key() == Qt::Key_Escape)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int CLanguagePage::SelectedRow() const {
    const QList<QTableWidgetItem*> selected = ui_->IDC_LANGUAGELIST->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void CLanguagePage::OnRowClicked(int row) {
    if (standAlone_ || row < 0 || row >= static_cast<int>(choices_.size())) {
        return;
    }
    ChooseRow(row);
    settings_.languageChanged = 1;
}

void CLanguagePage::ChooseSelectedAndClose() {
    if (!standAlone_) {
        return;
    }
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(choices_.size())) {
        return;
    }
    const LanguageChoice& choice = choices_[static_cast<std::size_t>(row)];
    if (choice.source == CLanguageFile::Source::Resource) {
        language_.LoadResource(choice.resourceId);
    } else {
        language_.LoadFile(choice.fileName);
    }
    ChooseRow(row);
    // Stored at once, so that the next start finds it even if this one
    // ends before the settings are written back.
    velvaro::platform::RegistryTransaction transaction;
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey) == ERROR_SUCCESS) {
        if (settings_.languageType == 0) {
            key.SetString("LanguageResource", settings_.languageResource);
            key.SetDWORD("LanguageType", 0);
        } else {
            key.SetString("LanguageFile", settings_.languageFile);
            key.SetDWORD("LanguageType", 1);
        }
    }
    accept();
}

void CLanguagePage::ChooseRow(int row) {
    const LanguageChoice& choice = choices_[static_cast<std::size_t>(row)];
    if (choice.source == CLanguageFile::Source::Resource) {
        settings_.languageType = 0;
        settings_.languageResource =
            language_.GetSymbols().GetName(choice.resourceId).toStdString();
    } else {
        settings_.languageType = 1;
        settings_.languageFile = choice.fileName.toStdString();
    }
}
