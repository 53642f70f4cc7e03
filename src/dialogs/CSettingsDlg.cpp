#include "CSettingsDlg.h"

#include "CFileAssocPage.h"
#include "CGeneralPage.h"
#include "CLanguagePage.h"
#include "CPlaybackPage.h"
#include "i18n/CLanguageFile.h"
#include "settings/CSettings.h"
#include "ui_IDD_SETTINGS_DIALOG.h"

#include <QLayout>
#include <QPushButton>
#include <QTreeWidget>

struct CSettingsDlg::Controls : Ui::IDD_SETTINGS_DIALOG {};

struct CSettingsDlg::Items {
    QTreeWidgetItem* general = nullptr;
    QTreeWidgetItem* language = nullptr;
    QTreeWidgetItem* associations = nullptr;
    QTreeWidgetItem* video = nullptr;
    QTreeWidgetItem* audio = nullptr;
    QTreeWidgetItem* playlist = nullptr;
    QTreeWidgetItem* playback = nullptr;
};

namespace {

const QColor kTitleColour(10, 95, 232);
constexpr int kTitlePointSize = 14;
constexpr int kPageTopMargin = 9;

}  // namespace

CSettingsDlg::CSettingsDlg(CLanguageFile& language, CSettings& settings, QWidget* parent)
    : QDialog(parent),
      language_(language),
      settings_(settings),
      copy_(std::make_unique<CSettings>(0)),
      ui_(std::make_unique<Controls>()),
      items_(std::make_unique<Items>()) {
    *copy_ = settings_;
    ui_->setupUi(this);
    setFixedSize(size());
    connect(ui_->IDC_BUTTON_OK, &QPushButton::clicked, this, &CSettingsDlg::OnOK);
    connect(ui_->IDC_BUTTON_ABBRECHEN, &QPushButton::clicked, this, &QDialog::reject);
    // The title and the tree keep their sizes, yet a page placed against
    // them must follow if a style or translation changes them.
    ui_->IDC_TXT_CATEGORY->installEventFilter(this);
}

CSettingsDlg::~CSettingsDlg() {
    page_.reset();  // before the working copy it edits
}

int CSettingsDlg::DoModal() {
    return exec();
}

void CSettingsDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CSettingsDlg::OnInitDialog() {
    QLabel* title = ui_->IDC_TXT_CATEGORY;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(kTitlePointSize);
    title->setFont(font);
    title->setAutoFillBackground(true);
    QPalette colours = title->palette();
    colours.setColor(QPalette::Window, kTitleColour);
    colours.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(colours);

    QTreeWidget* tree = ui_->IDC_TREE_SETTINGS;
    const auto add = [this](QTreeWidgetItem* parent, const char* key) {
        auto item = std::make_unique<QTreeWidgetItem>(
            QStringList{language_.GetCodeText(QString::fromLatin1(key))});
        QTreeWidgetItem* added = item.get();
        if (parent) {
            parent->addChild(item.release());
        } else {
            ui_->IDC_TREE_SETTINGS->addTopLevelItem(item.release());
        }
        return added;
    };
    items_->general = add(nullptr, "GENERAL");
    items_->language = add(nullptr, "LANGUAGE");
    items_->associations = add(nullptr, "FILEASSOCIATIONS");
    items_->video = add(items_->associations, "VIDEO");
    items_->audio = add(items_->associations, "AUDIO");
    items_->playlist = add(items_->associations, "PLAYLIST");
    items_->playback = add(nullptr, "PLAYBACK");
    items_->associations->setExpanded(true);
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnSelectionChanged(item); });
    tree->setCurrentItem(items_->general);

    language_.TranslateDialog(this, QStringLiteral("IDD_SETTINGS_DIALOG"));
}

void CSettingsDlg::OnSelectionChanged(QTreeWidgetItem* item) {
    CSettings& copy = *copy_;
    const QString text = item ? item->text(0) : QString();
    const QString blank = QStringLiteral(" ");
    if (item == items_->general) {
        ShowPage(std::make_unique<CGeneralPage>(language_, copy, this), blank + text);
    } else if (item == items_->language) {
        ShowPage(std::make_unique<CLanguagePage>(language_, copy, this), blank + text);
    } else if (item == items_->playback) {
        ShowPage(std::make_unique<CPlaybackPage>(language_, copy, this), blank + text);
    } else if (item == items_->video || item == items_->audio || item == items_->playlist) {
        const unsigned mediaClass = item == items_->video   ? ASSOC_VIDEO
                                    : item == items_->audio ? ASSOC_AUDIO
                                                            : ASSOC_PLAYLIST;
        ShowPage(std::make_unique<CFileAssocPage>(language_, copy, mediaClass, this),
                 blank + items_->associations->text(0) + QStringLiteral(" - ") + text);
    }
    // The file associations item itself leaves the page shown.
}

void CSettingsDlg::ShowPage(std::unique_ptr<QWidget> page, const QString& title) {
    page_.reset();
    page_ = std::move(page);
    if (QLayout* layout = page_->layout()) {
        layout->setContentsMargins(0, kPageTopMargin, 0, 0);
    }
    ui_->IDC_TXT_CATEGORY->setText(title);
    WidenForPage();
    PlacePage();
    page_->show();
}

// A translation wider than the page would be cut; the dialog grows instead,
// and stays that wide for the pages that follow.
void CSettingsDlg::WidenForPage() {
    QLabel* title = ui_->IDC_TXT_CATEGORY;
    const int missing = page_->sizeHint().width() - title->width();
    if (missing <= 0) {
        return;
    }
    title->resize(title->width() + missing, title->height());
    for (QPushButton* button : {ui_->IDC_BUTTON_OK, ui_->IDC_BUTTON_ABBRECHEN}) {
        button->move(button->x() + missing, button->y());
    }
    setFixedSize(width() + missing, height());
}

void CSettingsDlg::PlacePage() {
    if (!page_) {
        return;
    }
    const QRect title = ui_->IDC_TXT_CATEGORY->geometry();
    const int height = ui_->IDC_TREE_SETTINGS->height() - title.height();
    page_->setGeometry(title.left(), title.bottom() + 1, title.width(), height);
}

bool CSettingsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->IDC_TXT_CATEGORY &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        PlacePage();
    }
    return QDialog::eventFilter(watched, event);
}

void CSettingsDlg::OnOK() {
    settings_ = *copy_;
    accept();
}
