#include "CUpdateDlg.h"

#include "DialogSupport.h"
#include "UpdateSupport.h"
#include "UpdateWorker.h"
#include "i18n/CLanguageFile.h"
#include "ui_IDD_UPDATE_DIALOG.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>

#include <algorithm>
#include <limits>

struct CUpdateDlg::Controls : Ui::IDD_UPDATE_DIALOG {};

namespace {

constexpr const char* kWorkerTextKeys[] = {
    "CONNECT_VV",
    "CONNECT_ESTABLISHED",
    "GET_CURRENT_VERSION",
    "VERSION_INFO",
    "YES",
    "STATUS_DOWNLOAD",
    "STATUS_VV_UP2DATE",
    "ERROR_VERSIONINFO_NOT_FOUND",
    "ERROR_PATH_NOT_FOUND",
    "ERROR_FILE_NOT_FOUND",
    "ERROR_TEMPFILE",
    "ERROR",
    "ID_BUTTON_OK",
    "UPDATE_PACKAGE_MANAGER",
};

// The list's columns: BUILD, TYPE, DETAILS.
constexpr int kColumnWidths[] = {50, 70, 2000};
constexpr const char* kColumnKeys[] = {"BUILD", "TYPE", "DETAILS"};

int ToProgress(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

CUpdateDlg::CUpdateDlg(const CLanguageFile* language, QWidget* parent)
    : QDialog(parent), language_(language), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    poll_.setObjectName(QStringLiteral("ID_Update_Timer"));
    QObject::connect(&poll_, &QTimer::timeout, this, &CUpdateDlg::OnTimer);
    QObject::connect(ui_->IDC_BUTTON_ABBRECHEN, &QPushButton::clicked, this, &CUpdateDlg::OnButton);
}

CUpdateDlg::~CUpdateDlg() {
    shared_.running = false;
    shared_.answer = kCancelled;
    WaitForWorker();
}

int CUpdateDlg::DoModal() {
    return exec();
}

void CUpdateDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CUpdateDlg::OnInitDialog() {
    QTableWidget* list = ui_->IDC_LIST_HISTORY;
    list->setColumnCount(static_cast<int>(std::size(kColumnWidths)));
    QStringList headers;
    for (const char* key : kColumnKeys) {
        headers << (language_ ? language_->GetCodeText(QString::fromLatin1(key))
                              : QString::fromLatin1(key));
    }
    list->setHorizontalHeaderLabels(headers);
    for (int column = 0; column < list->columnCount(); ++column) {
        list->setColumnWidth(column, kColumnWidths[column]);
    }
    list->horizontalHeader()->setStretchLastSection(false);
    ui_->IDC_TXT_STATUS->clear();
    if (language_) {
        language_->TranslateDialog(this, QStringLiteral("IDD_UPDATE_DIALOG"));
    }
}

void CUpdateDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        StartWorker();
    }
}

void CUpdateDlg::StartWorker() {
    if (worker_ || closing_) {
        return;
    }
    velvaro::update::WorkerTexts texts;
    for (const char* key : kWorkerTextKeys) {
        const QString name = QString::fromLatin1(key);
        texts.code.insert(name, language_ ? language_->GetCodeText(name) : QString());
    }
    texts.cancelButton = ui_->IDC_BUTTON_ABBRECHEN->text();
    if (language_) {
        texts.language = language_->GetText(QStringLiteral("File"), QStringLiteral("Language"));
    }
    shared_.running = true;
    worker_.reset(QThread::create([this, texts = std::move(texts)] {
        velvaro::update::RunUpdateWorker(*this, shared_, texts);
    }));
    worker_->start();
    poll_.start(40);
}

bool CUpdateDlg::WorkerFinished() const {
    return worker_ && worker_->isFinished();
}

void CUpdateDlg::WaitForWorker() {
    if (worker_) {
        worker_->wait();
    }
}

void CUpdateDlg::OnTimer() {
    if (shared_.launched.exchange(false)) {
        shared_.running = false;
        WaitForWorker();
        done(IDOK);
        return;
    }
    if (shared_.declined.exchange(false)) {
        Cancel();
    }
}

// The one button answers the question while there is one, else cancels.
void CUpdateDlg::OnButton() {
    if (shared_.answer != kNoAnswer) {
        shared_.answer = kYes;
        return;
    }
    Cancel();
}

void CUpdateDlg::Cancel() {
    shared_.answer = kCancelled;
    shared_.running = false;
    WaitForWorker();
    done(IDCANCEL);
}

void CUpdateDlg::reject() {
    if (closing_) {
        return;
    }
    Cancel();
}

void CUpdateDlg::done(int result) {
    if (closing_) {
        return;
    }
    closing_ = true;
    shared_.running = false;
    WaitForWorker();
    poll_.stop();
    QDialog::done(result);
}

QString CUpdateDlg::StatusText() const {
    return ui_->IDC_TXT_STATUS->text();
}

QString CUpdateDlg::ButtonText() const {
    return ui_->IDC_BUTTON_ABBRECHEN->text();
}

QStringList CUpdateDlg::HistoryRows() const {
    QStringList rows;
    const QTableWidget* list = ui_->IDC_LIST_HISTORY;
    for (int row = 0; row < list->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column) {
            const QTableWidgetItem* item = list->item(row, column);
            cells << (item ? item->text() : QString());
        }
        rows << cells.join(u'|');
    }
    return rows;
}

int CUpdateDlg::ProgressMaximum() const {
    return ui_->IDC_PROGRESS1->maximum();
}

int CUpdateDlg::ProgressValue() const {
    return ui_->IDC_PROGRESS1->value();
}

void CUpdateDlg::PostStatus(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { ui_->IDC_TXT_STATUS->setText(text); }, Qt::QueuedConnection);
}

void CUpdateDlg::PostButtonText(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { ui_->IDC_BUTTON_ABBRECHEN->setText(text); }, Qt::QueuedConnection);
}

void CUpdateDlg::PostProgressRange(qint64 maximum) {
    QMetaObject::invokeMethod(
        this, [this, maximum] { ui_->IDC_PROGRESS1->setRange(0, ToProgress(maximum)); },
        Qt::QueuedConnection);
}

void CUpdateDlg::PostProgress(qint64 position) {
    QMetaObject::invokeMethod(
        this, [this, position] { ui_->IDC_PROGRESS1->setValue(ToProgress(position)); },
        Qt::QueuedConnection);
}

void CUpdateDlg::PostHistoryRow(const QString& build) {
    QMetaObject::invokeMethod(
        this,
        [this, build] {
            QTableWidget* list = ui_->IDC_LIST_HISTORY;
            const int row = list->rowCount();
            list->insertRow(row);
            list->setItem(row, 0, new QTableWidgetItem(build));  // the list owns it
        },
        Qt::QueuedConnection);
}

void CUpdateDlg::PostHistoryCell(int column, const QString& text) {
    QMetaObject::invokeMethod(
        this,
        [this, column, text] {
            QTableWidget* list = ui_->IDC_LIST_HISTORY;
            if (list->rowCount() > 0 && column < list->columnCount()) {
                list->setItem(list->rowCount() - 1, column, new QTableWidgetItem(text));
            }
        },
        Qt::QueuedConnection);
}
