#include "CAboutDlg.h"

#include "DialogIcons.h"
#include "DialogSupport.h"
#include "controls/CHyperLink.h"
#include "platform/ProductAddresses.h"
#include "platform/ProductVersion.h"
#include "ui_IDD_INFO.h"

#include <QKeyEvent>
#include <QPushButton>

struct CAboutDlg::Controls : Ui::IDD_INFO {};

namespace {

bool PassesThrough(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Space;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Controls>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    QObject::connect(ui_->IDC_BUTTON_OK, &QPushButton::clicked, this, [this] { done(IDOK); });
    OnInitDialog();
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return exec();
}

QString CAboutDlg::VersionText() const {
    return ui_->IDC_PROGRAMMING->text();
}

CHyperLink* CAboutDlg::HomepageLink() const {
    return ui_->IDS_HOMEPAGE;
}

CHyperLink* CAboutDlg::EmailLink() const {
    return ui_->IDS_EMAIL;
}

void CAboutDlg::reject() {
    done(IDCANCEL);
}

void CAboutDlg::OnInitDialog() {
    ui_->IDC_PROGRAM_ICON->setPixmap(ProgramIcon(style()).pixmap(32, 32));
    ui_->IDC_PROGRAMMING->setText(
        QStringLiteral("Version\t: 1.0\nBuild\t: ") + GetProductVersion() +
        QStringLiteral("\n\nVelvaro is free software, built on Qt and GStreamer."));
    const QCursor hand = HandCursor();
    ui_->IDS_HOMEPAGE->SetUp(QString::fromLatin1(velvaro::kHomepageUrl), hand);
    ui_->IDS_EMAIL->SetUp(QString::fromLatin1(velvaro::kSupportMailUrl), hand);
    // Every key reaches a child first; the box itself watches them all.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

// Only Enter, Escape and Space do anything here; other keys, with their
// shortcuts (Alt and a mnemonic letter), are swallowed.
bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        if (!PassesThrough(static_cast<QKeyEvent*>(event)->key())) {
            // An accepted override keeps the shortcut map from acting.
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
