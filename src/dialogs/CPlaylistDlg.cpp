#include "CPlaylistDlg.h"

#include "DialogSupport.h"
#include "controls/CDirTreeCtrl.h"
#include "dialogs/PlaylistSaving.h"
#include "i18n/CLanguageFile.h"
#include "platform/Files.h"
#include "ui_IDD_PLAYLIST_DIALOG.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

struct CPlaylistDlg::Controls : Ui::IDD_PLAYLIST_DIALOG {};

namespace {

constexpr int kVideoColumn = 0;
constexpr int kAudioColumn = 1;
constexpr int kColumnWidth = 200;

bool Exists(const QString& path) {
    return !path.isEmpty() && FileExists(path.toStdString());
}

}  // namespace

CPlaylistDlg::CPlaylistDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    setSizeGripEnabled(true);
    const auto onClick = [this](QAbstractButton* button, auto handler) {
        QObject::connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(ui_->IDC_VIDEO_NEW, [this] { OnVideoNew(); });
    onClick(ui_->IDC_VIDEO_REPLACE, [this] { OnReplace(kVideoColumn); });
    onClick(ui_->IDC_AUDIO_REPLACE, [this] { OnReplace(kAudioColumn); });
    onClick(ui_->IDC_DELETE, [this] { OnDelete(); });
    onClick(ui_->IDC_DELETEALL, [this] { OnDeleteAll(); });
    onClick(ui_->spinUp, [this] { OnDeltaposSpin(-1); });
    onClick(ui_->spinDown, [this] { OnDeltaposSpin(1); });
    onClick(ui_->IDC_BUTTON_OK, [this] { OnButtonOk(); });
    onClick(ui_->IDC_BUTTON_SPEICHERN, [this] { OnButtonSave(false); });
    onClick(ui_->IDC_BUTTON_SPEICHERNUNTER, [this] { OnButtonSave(true); });
    onClick(ui_->IDC_BUTTON_ABBRECHEN, [this] { reject(); });
    CDirTreeCtrl* tree = ui_->IDC_DIRTREE;
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, this,
                     &CPlaylistDlg::OnSelChangedDirTree);
    QObject::connect(tree, &QTreeWidget::itemDoubleClicked, this, &CPlaylistDlg::OnVideoNew);
    ui_->IDC_PLAYLIST->viewport()->installEventFilter(this);
}

CPlaylistDlg::~CPlaylistDlg() = default;

int CPlaylistDlg::Run(const QString& mode, std::vector<velvaro::docs::PlaylistEntry>& entries,
                      std::string& fileName, std::string& dirTree, const CLanguageFile* language) {
    mode_ = mode;
    entries_ = &entries;
    fileName_ = &fileName;
    dirTree_ = &dirTree;
    language_ = language;
    OnInitDialog();
    const int result = exec();
    entries_ = nullptr;
    fileName_ = nullptr;
    dirTree_ = nullptr;
    return result;
}

bool CPlaylistDlg::IsNewMode() const {
    return mode_ == QStringLiteral("NEU");
}

void CPlaylistDlg::OnInitDialog() {
    QTableWidget* list = ui_->IDC_PLAYLIST;
    list->setRowCount(0);
    list->setHorizontalHeaderLabels(
        {language_ ? language_->GetCodeText(QStringLiteral("VIDEO")) : QStringLiteral("Video"),
         language_ ? language_->GetCodeText(QStringLiteral("AUDIO")) : QStringLiteral("Audio")});
    list->setColumnWidth(kVideoColumn, kColumnWidth);
    list->setColumnWidth(kAudioColumn, kColumnWidth);

    ui_->IDC_DIRTREE->DisplayTree(true);
    ui_->IDC_DIRTREE->SelectPath(QString::fromStdString(*dirTree_));
    OnSelChangedDirTree();

    if (mode_ == QStringLiteral("BEARBEITEN")) {
        for (const velvaro::docs::PlaylistEntry& entry : *entries_) {
            const QString video = QString::fromStdString(entry.video);
            const QString audio = QString::fromStdString(entry.audio);
            if (Exists(video)) {
                InsertRow(list->rowCount(), video, Exists(audio) ? audio : QString());
            }
        }
        if (list->rowCount() > 0) {
            SelectRow(0);
        }
    }
    SetButtonStates();
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_PLAYLIST_DIALOG"));
    }
}

void CPlaylistDlg::SetButtonStates() {
    const bool rows = ui_->IDC_PLAYLIST->rowCount() > 0;
    const std::initializer_list<QWidget*> followRows = {
        ui_->IDC_BUTTON_OK, ui_->IDC_BUTTON_SPEICHERNUNTER, ui_->IDC_SPIN_PLAYLIST,
        ui_->IDC_AUDIO_REPLACE, ui_->IDC_VIDEO_REPLACE};
    for (QWidget* control : followRows) {
        control->setEnabled(rows);
    }
    ui_->IDC_BUTTON_SPEICHERN->setEnabled(rows && !fileName_->empty() && !IsNewMode());
}

// Existence is all that counts: a folder can be added as well as a file.
void CPlaylistDlg::OnSelChangedDirTree() {
    const bool usable = Exists(ui_->IDC_DIRTREE->SelectedPath());
    const bool rows = ui_->IDC_PLAYLIST->rowCount() > 0;
    ui_->IDC_VIDEO_NEW->setEnabled(usable);
    ui_->IDC_AUDIO_REPLACE->setEnabled(usable && rows);
    ui_->IDC_VIDEO_REPLACE->setEnabled(usable && rows);
}

void CPlaylistDlg::OnVideoNew() {
    const QString path = ui_->IDC_DIRTREE->SelectedPath();
    if (!Exists(path)) {
        return;
    }
    const int row = ui_->IDC_PLAYLIST->rowCount();
    InsertRow(row, path, QString());
    SelectRow(row);
    SetButtonStates();
}

void CPlaylistDlg::OnReplace(int column) {
    const QString path = ui_->IDC_DIRTREE->SelectedPath();
    const int row = SelectedRow();
    if (Exists(path) && row >= 0) {
        ui_->IDC_PLAYLIST->item(row, column)->setText(path);
    }
}

void CPlaylistDlg::OnDelete() {
    QTableWidget* list = ui_->IDC_PLAYLIST;
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    list->removeRow(row);
    if (list->rowCount() > 0) {
        SelectRow(std::min(row, list->rowCount() - 1));
    }
    SetButtonStates();
}

void CPlaylistDlg::OnDeleteAll() {
    ui_->IDC_PLAYLIST->setRowCount(0);
    SetButtonStates();
}

// Up is a negative change; a move past either end does nothing.
void CPlaylistDlg::OnDeltaposSpin(int delta) {
    QTableWidget* list = ui_->IDC_PLAYLIST;
    const int row = SelectedRow();
    const int target = delta < 0 ? row - 1 : row + 1;
    if (row < 0 || target < 0 || target >= list->rowCount()) {
        return;
    }
    const QString video = list->item(row, kVideoColumn)->text();
    const QString audio = list->item(row, kAudioColumn)->text();
    list->removeRow(row);
    InsertRow(target, video, audio);
    SelectRow(target);
}

// Taken as they come, without a test.
void CPlaylistDlg::OnDropFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        const int row = ui_->IDC_PLAYLIST->rowCount();
        InsertRow(row, path, QString());
        SelectRow(row);
    }
    SetButtonStates();
}

bool CPlaylistDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->IDC_PLAYLIST->viewport()) {
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls()) {
                if (url.isLocalFile()) {
                    paths << url.toLocalFile();
                }
            }
            OnDropFiles(paths);
            drop->acceptProposedAction();
            return true;
        }
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void CPlaylistDlg::TakeOverList() {
    const QTableWidget* list = ui_->IDC_PLAYLIST;
    entries_->clear();
    if (IsNewMode()) {
        fileName_->clear();
    }
    for (int row = 0; row < list->rowCount(); ++row) {
        entries_->push_back({list->item(row, kVideoColumn)->text().toStdString(),
                             list->item(row, kAudioColumn)->text().toStdString()});
    }
}

void CPlaylistDlg::OnButtonOk() {
    TakeOverList();
    *dirTree_ = ui_->IDC_DIRTREE->SelectedPath().toStdString();
    done(IDOK);
}

// Closes as saved also when the name was not given: the list is handed over either way.
void CPlaylistDlg::OnButtonSave(bool askName) {
    TakeOverList();
    if (askName) {
        SavePlaylistAs(this, *entries_, *fileName_);
    } else {
        SavePlaylist(this, *entries_, *fileName_);
    }
    done(kSaved);
}

void CPlaylistDlg::reject() {
    done(IDCANCEL);
}

int CPlaylistDlg::SelectedRow() const {
    const QModelIndexList rows = ui_->IDC_PLAYLIST->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CPlaylistDlg::SelectRow(int row) {
    ui_->IDC_PLAYLIST->setCurrentCell(row, kVideoColumn);
    ui_->IDC_PLAYLIST->selectRow(row);
}

void CPlaylistDlg::InsertRow(int row, const QString& video, const QString& audio) {
    QTableWidget* list = ui_->IDC_PLAYLIST;
    list->insertRow(row);
    list->setItem(row, kVideoColumn, new QTableWidgetItem(video));
    list->setItem(row, kAudioColumn, new QTableWidgetItem(audio));
}
