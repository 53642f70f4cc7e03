#include "CBookmarkDlg.h"

#include "DialogIcons.h"
#include "dialogs/FileDialogFilter.h"
#include "docs/BookmarkFile.h"
#include "engine/CMediaPlayer.h"
#include "i18n/CLanguageFile.h"
#include "platform/ProductVersion.h"
#include "ui_IDD_BOOKMARK.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

struct CBookmarkDlg::Controls : Ui::IDD_BOOKMARK {};

namespace {

constexpr int kDescriptionWidth = 220;
constexpr int kTimeWidth = 80;
constexpr int kColumnSlack = 30;
constexpr int kButtonBottomGap = 10;
constexpr int kIdRole = Qt::UserRole;

// A tree has no grid lines of its own; the list this stands in for has them.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        const QRect& r = option.rect;
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }
};

}  // namespace

CBookmarkDlg::CBookmarkDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    setModal(false);
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    list->setItemDelegate(new GridDelegate(list));
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, this, [this, list] {
        if (QTreeWidgetItem* item = list->currentItem()) {
            list->editItem(item, 0);
        }
    });
    QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                     [this, list](const QItemSelection& selected, const QItemSelection& gone) {
                         const QModelIndex focused = list->currentIndex();
                         if (!changingRows_ && focused.isValid() &&
                             (selected.contains(focused) || gone.contains(focused))) {
                             Jump();
                         }
                     });
    QObject::connect(ui_->IDC_BUTTON_ADD, &QPushButton::clicked, this, &CBookmarkDlg::OnAdd);
    QObject::connect(ui_->IDC_BUTTON_DELETE, &QPushButton::clicked, this, &CBookmarkDlg::OnDelete);
    QObject::connect(ui_->IDC_BUTTON_OPEN, &QPushButton::clicked, this, &CBookmarkDlg::OnOpen);
    QObject::connect(ui_->IDC_BUTTON_SAVE, &QPushButton::clicked, this, &CBookmarkDlg::OnSave);
}

CBookmarkDlg::~CBookmarkDlg() = default;

void CBookmarkDlg::Create(const CLanguageFile* language) {
    language_ = language;
    ui_->IDC_BUTTON_ADD->SetIcon(AddIcon(style()));
    ui_->IDC_BUTTON_DELETE->SetIcon(DeleteIcon(style()));
    ui_->IDC_BUTTON_ADD->setToolTip(CodeText("ADD", "Add"));
    ui_->IDC_BUTTON_DELETE->setToolTip(CodeText("DELETE", "Delete"));
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    list->setHeaderLabels({CodeText("DESCRIPTION", "Description"), CodeText("TIME", "Time")});
    list->header()->resizeSection(0, kDescriptionWidth);
    list->header()->resizeSection(1, kTimeWidth);
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_BOOKMARK"));
    }
    initialised_ = true;
    Layout();
}

void CBookmarkDlg::SetPlayer(CMediaPlayer* player) {
    player_ = player;
}

void CBookmarkDlg::SetOpenMedia(OpenMedia openMedia) {
    openMedia_ = std::move(openMedia);
}

void CBookmarkDlg::SetSeek(Seek seek) {
    seek_ = std::move(seek);
}

void CBookmarkDlg::SetBookmarkFile(const QString& path) {
    bookmarkFile_ = path;
}

QString CBookmarkDlg::BookmarkFile() const {
    return bookmarkFile_;
}

int CBookmarkDlg::RowCount() const {
    return ui_->IDC_LIST_BOOKMARKS->topLevelItemCount();
}

QString CBookmarkDlg::CodeText(const char* key, const char* fallback) const {
    const QString text = language_ ? language_->GetCodeText(QString::fromLatin1(key)) : QString();
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

// Rows are only ever appended, so they stay in the order of their ids.
void CBookmarkDlg::AddRow(const QString& description, std::int32_t time, const std::string& file,
                          bool dummy, bool select) {
    const int id = ++lastId_;
    records_.push_back({id, time, file, dummy});
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    auto* item = new QTreeWidgetItem(list);  // owned by the list
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setText(0, description);
    item->setText(1, QString::fromStdString(velvaro::docs::FormatBookmarkTime(time)));
    item->setData(0, kIdRole, id);
    if (select) {
        item->setSelected(true);
        list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
}

const CBookmarkDlg::Record* CBookmarkDlg::FindRecord(int id) const {
    const auto found = std::find_if(records_.begin(), records_.end(),
                                    [id](const Record& record) { return record.id == id; });
    return found == records_.end() ? nullptr : &*found;
}

void CBookmarkDlg::SelectRow(int row) {
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        list->setCurrentItem(item, 0,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void CBookmarkDlg::Jump() {
    const QTreeWidgetItem* item = ui_->IDC_LIST_BOOKMARKS->currentItem();
    if (!item) {
        return;
    }
    // Copies: opening a medium may load its own bookmark file into this list.
    const Record* record = FindRecord(item->data(0, kIdRole).toInt());
    const std::int32_t time = record ? record->time : 0;
    const std::string file = record ? record->file : std::string();
    const auto seek = [this, time] {
        if (player_ && seek_) {
            seek_(time);
        } else if (player_) {
            player_->SetPosition(time);
        }
        ui_->IDC_LIST_BOOKMARKS->viewport()->update();
    };
    if ((!player_ || player_->GetFileName() != file) && openMedia_) {
        openMedia_(QString::fromStdString(file), seek);
        return;
    }
    seek();
}

void CBookmarkDlg::OnAdd() {
    if (!player_) {
        return;
    }
    const int position = player_->GetPosition();
    const std::string file = player_->GetFileName();
    changingRows_ = true;
    ui_->IDC_LIST_BOOKMARKS->clearSelection();
    AddRow(CodeText("NEW_BOOKMARK", "New"), position, file, false, true);
    changingRows_ = false;
    Jump();
}

// One after the other from the top, as the rows move up under the deletions.
void CBookmarkDlg::OnDelete() {
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    int lastDeleted = -1;
    changingRows_ = true;
    for (;;) {
        int row = 0;
        while (row < list->topLevelItemCount() && !list->topLevelItem(row)->isSelected()) {
            ++row;
        }
        if (row == list->topLevelItemCount()) {
            break;
        }
        std::unique_ptr<QTreeWidgetItem> item(list->takeTopLevelItem(row));
        const int id = item->data(0, kIdRole).toInt();
        std::erase_if(records_, [id](const Record& record) { return record.id == id; });
        lastDeleted = row;
    }
    changingRows_ = false;
    if (lastDeleted >= 0) {
        SelectRow(std::max(lastDeleted - 1, 0));
    }
}

QString CBookmarkDlg::FileFilter() const {
    return ToQtFileFilter(CodeText("VBM_FILES", "VV Bookmark Files") +
                          QStringLiteral(" (*.vbm)|*.vbm|") + CodeText("ALLFILES", "All Files") +
                          QStringLiteral(" (*.*)|*.*||"));
}

void CBookmarkDlg::OnOpen() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), FileFilter(),
                                                      nullptr, QFileDialog::ReadOnly);
    if (!path.isEmpty()) {
        LoadBookmarkFile(path);
    }
}

bool CBookmarkDlg::LoadBookmarkFile(const QString& path) {
    const auto bookmarks = velvaro::docs::LoadBookmarkFile(path.toStdString());
    if (!bookmarks) {
        return false;
    }
    changingRows_ = true;
    ui_->IDC_LIST_BOOKMARKS->clear();
    records_.clear();
    bookmarkFile_ = path;
    for (const velvaro::docs::Bookmark& bookmark : *bookmarks) {
        AddRow(QString::fromStdString(bookmark.description), bookmark.time, bookmark.file,
               bookmark.dummy, false);
    }
    changingRows_ = false;
    SelectRow(0);
    return true;
}

void CBookmarkDlg::OnSave() {
    QString path = QFileDialog::getSaveFileName(this, QString(), bookmarkFile_, FileFilter());
    if (path.isEmpty()) {
        return;
    }
    // The static dialog knows no default extension.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".vbm");
    }
    bookmarkFile_ = path;
    std::vector<velvaro::docs::Bookmark> bookmarks;
    const QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        velvaro::docs::Bookmark bookmark;
        bookmark.description = item->text(0).toStdString();
        if (const Record* record = FindRecord(item->data(0, kIdRole).toInt())) {
            bookmark.time = record->time;
            bookmark.file = record->file;
            bookmark.dummy = record->dummy;
        }
        bookmarks.push_back(std::move(bookmark));
    }
    // A file that cannot be written is not reported.
    velvaro::docs::SaveBookmarkFile(path.toStdString(), bookmarks,
                                    GetProductVersion().toStdString());
}

void CBookmarkDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (initialised_) {
        Layout();
    }
}

void CBookmarkDlg::Layout() {
    const QSize client = size();
    int buttonTop = client.height();
    const std::initializer_list<QPushButton*> buttons = {
        ui_->IDC_BUTTON_OPEN, ui_->IDC_BUTTON_SAVE, ui_->IDC_BUTTON_ADD, ui_->IDC_BUTTON_DELETE};
    for (QPushButton* button : buttons) {
        const int top = client.height() - kButtonBottomGap - button->height();
        button->move(button->x(), top);
        buttonTop = std::min(buttonTop, top);
    }
    QTreeWidget* list = ui_->IDC_LIST_BOOKMARKS;
    list->resize(std::max(client.width() - 2 * list->x(), 0),
                 std::max(buttonTop - 2 * list->y(), 0));
    list->header()->resizeSection(
        0, std::max(list->width() - list->header()->sectionSize(1) - kColumnSlack, 0));
}
