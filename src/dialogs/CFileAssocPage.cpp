#include "CFileAssocPage.h"

#include "DialogIcons.h"
#include "i18n/CLanguageFile.h"
#include "settings/CSettings.h"
#include "ui_IDD_SETTINGS_FILEASSOCS.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

struct CFileAssocPage::Controls : Ui::IDD_SETTINGS_FILEASSOCS {};

namespace {

constexpr int kExtensionColumnWidth = 110;

}  // namespace

CFileAssocPage::CFileAssocPage(CLanguageFile& language, CSettings& settings, unsigned mediaClass,
                               QWidget* parent)
    : CSettingsPage(language, settings, parent),
      mediaClass_(mediaClass),
      ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    QTableWidget* list = ui_->IDC_LIST_FILEASSOCS;
    list->setHorizontalHeaderLabels({language_.GetCodeText(QStringLiteral("EXTENSION"))});
    list->horizontalHeader()->setStretchLastSection(false);
    list->setColumnWidth(0, kExtensionColumnWidth);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    const struct {
        CIconButton* button;
        QIcon icon;
        const char* tip;
    } buttons[] = {
        {ui_->IDC_BUTTON_ADD, AddIcon(style()), "ADD"},
        {ui_->IDC_BUTTON_DELETE, DeleteIcon(style()), "DELETE"},
        {ui_->IDC_BUTTON_ASSOCIATE_CATEGORY, SelectAllIcon(style()), "ASSOCALLEXT"},
        {ui_->IDC_BUTTON_UNASSOCIATE_CATEGORY, DeselectAllIcon(style()), "UNASSOCALLEXT"},
    };
    for (const auto& [button, icon, tip] : buttons) {
        button->SetIcon(icon);
        button->setToolTip(language_.GetCodeText(QString::fromLatin1(tip)));
        button->setAutoDefault(false);
    }
    language_.TranslateDialog(this, QStringLiteral("IDD_SETTINGS_FILEASSOCS"));
    FillList();

    connect(list, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { OnItemChanged(item->row()); });
    connect(ui_->IDC_BUTTON_ADD, &QPushButton::clicked, this, &CFileAssocPage::OnAdd);
    connect(ui_->IDC_BUTTON_DELETE, &QPushButton::clicked, this, &CFileAssocPage::OnDelete);
    connect(ui_->IDC_BUTTON_ASSOCIATE_CATEGORY, &QPushButton::clicked, this,
            [this] { OnAssociateAll(true); });
    connect(ui_->IDC_BUTTON_UNASSOCIATE_CATEGORY, &QPushButton::clicked, this,
            [this] { OnAssociateAll(false); });
    connect(ui_->IDC_BUTTON_STANDARD_SETTINGS, &QPushButton::clicked, this,
            &CFileAssocPage::OnDefaults);
}

CFileAssocPage::~CFileAssocPage() = default;

void CFileAssocPage::keyPressEvent(QKeyEvent* event) {
    // Enter anywhere on the page adds what was typed.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnAdd();
        event->accept();
        return;
    }
    CSettingsPage::keyPressEvent(event);
}

void CFileAssocPage::FillList() {
    filling_ = true;
    QTableWidget* list = ui_->IDC_LIST_FILEASSOCS;
    list->clearContents();
    rows_.clear();
    for (FileAssociationEntry& entry : settings_.associations) {
        if (entry.flags & mediaClass_) {
            rows_.push_back(&entry);
        }
    }
    list->setRowCount(static_cast<int>(rows_.size()));
    for (int row = 0; row < list->rowCount(); ++row) {
        const FileAssociationEntry& entry = *rows_[static_cast<std::size_t>(row)];
        auto item = std::make_unique<QTableWidgetItem>(QString::fromStdString(entry.extension));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState((entry.flags & ASSOC_ASSOCIATED) ? Qt::Checked : Qt::Unchecked);
        list->setItem(row, 0, item.release());
    }
    filling_ = false;
}

void CFileAssocPage::OnItemChanged(int row) {
    if (filling_ || row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    FileAssociationEntry& entry = *rows_[static_cast<std::size_t>(row)];
    const bool checked = ui_->IDC_LIST_FILEASSOCS->item(row, 0)->checkState() == Qt::Checked;
    if (checked != ((entry.flags & ASSOC_ASSOCIATED) != 0)) {
        entry.flags ^= ASSOC_ASSOCIATED;
        Changed();
    }
}

void CFileAssocPage::OnAdd() {
    QLineEdit* edit = ui_->IDC_EDIT_NEWFILEASSOC;
    // Taken as typed, blanks and all; only a text of nothing but blanks is not.
    const QString text = edit->text();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; })) {
        return;
    }
    settings_.AddFileAssociation(text.toStdString(), mediaClass_ | ASSOC_ASSOCIATED);
    FillList();
    edit->clear();
    Changed();
}

void CFileAssocPage::OnDelete() {
    QTableWidget* list = ui_->IDC_LIST_FILEASSOCS;
    for (;;) {
        const QList<QTableWidgetItem*> selected = list->selectedItems();
        if (selected.isEmpty()) {
            return;
        }
        int first = selected.front()->row();
        for (const QTableWidgetItem* item : selected) {
            first = std::min(first, item->row());
        }
        settings_.RemoveFileAssociation(rows_[static_cast<std::size_t>(first)], mediaClass_);
        rows_.erase(rows_.begin() + first);
        list->removeRow(first);
        Changed();
    }
}

void CFileAssocPage::OnAssociateAll(bool on) {
    settings_.SetAssociatedByMask(mediaClass_, on ? 1 : 0);
    FillList();
    Changed();
}

void CFileAssocPage::OnDefaults() {
    settings_.BuildDefaultAssociations();
    FillList();
    Changed();
}

void CFileAssocPage::Changed() {
    settings_.associationsChanged = 1;
}
