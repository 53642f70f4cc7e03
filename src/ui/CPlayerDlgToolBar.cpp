// The toolbar: 17 buttons and 4 separators over two image strips, toggle
// faces switched by key, re-creation that keeps every button's state.
#include "ui/CPlayerDlg.h"

#include "app/CSettings.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/ToolButtonImage.h"
#include "resource.h"

#include <QAction>
#include <QBitmap>
#include <QLayout>
#include <QToolBar>
#include <QToolButton>

namespace {

struct ButtonRow {
    int id;
    const char* imageKey;  // null for a separator
    const char* tooltipKey;
    int state;
};

constexpr ButtonRow kButtons[] = {
    {IDTBB_OPEN, "Open", "Open", TBSTATE_ENABLED},
    {IDTBB_SEP, nullptr, nullptr, TBSTATE_ENABLED},
    {IDTBB_PREVTRACKCHAPTER, "PrevTrackChapter", "PrevTrackChapter", TBSTATE_INDETERMINATE},
    {IDTBB_FASTBACKWARD, "FastBackward", "FastBackward", TBSTATE_INDETERMINATE},
    {IDTBB_PLAY, "Play", "Play", TBSTATE_INDETERMINATE},
    {IDTBB_PAUSE, "Pause", "Pause", TBSTATE_INDETERMINATE},
    {IDTBB_STOP, "Stop", "Stop", TBSTATE_INDETERMINATE},
    {IDTBB_FASTFORWARD, "FastForward", "FastForward", TBSTATE_INDETERMINATE},
    {IDTBB_NEXTTRACKCHAPTER, "NextTrackChapter", "NextTrackChapter", TBSTATE_INDETERMINATE},
    {IDTBB_SEP, nullptr, nullptr, TBSTATE_ENABLED},
    {IDTBB_ROOTMENU, "RootMenu", "RootMenu", TBSTATE_INDETERMINATE},
    {IDTBB_RESUME, "Resume", "Resume", TBSTATE_INDETERMINATE},
    {IDTBB_LOOP, "NoLoop", "Loop", TBSTATE_ENABLED},
    {IDTBB_JUMPLASTPOSITION, "JumpLastPosition", "JumpLastPosition", TBSTATE_INDETERMINATE},
    {IDTBB_SEP, nullptr, nullptr, TBSTATE_ENABLED},
    {IDTBB_CLIPPING, "FillScreen", "FillScreen", TBSTATE_INDETERMINATE},
    {IDTBB_MUTE, "NoMute", "Mute", TBSTATE_INDETERMINATE},
    {IDTBB_ONTOP, "NotOnTop", "OnTop", TBSTATE_ENABLED},
    {IDTBB_SHUTDOWN, "NoShutdown", "Shutdown", TBSTATE_ENABLED},
    {IDTBB_SCREENSHOT, "Screenshot", "Screenshot", TBSTATE_INDETERMINATE},
    {IDTBB_SEP, nullptr, nullptr, TBSTATE_ENABLED},
    {IDTBB_QUIT, "Quit", "Quit", TBSTATE_ENABLED},
};

constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;
constexpr int kImageSize = 16;

QPixmap StripImage(const QPixmap& strip, int image) {
    if (strip.isNull()) {
        return {};
    }
    QPixmap cell = strip.copy(image * kImageSize, 0, kImageSize, kImageSize);
    cell.setMask(cell.createMaskFromColor(QColor(255, 0, 255), Qt::MaskInColor));
    return cell;
}

}  // namespace

QIcon CPlayerDlg::ButtonIcon(int image) const {
    QIcon icon;
    icon.addPixmap(StripImage(toolbarNormal, image), QIcon::Normal);
    icon.addPixmap(StripImage(toolbarHover, image), QIcon::Active);
    return icon;
}

void CPlayerDlg::CreateToolBar() {
    QToolBar* old = toolbar;
    toolbar = new QToolBar(client);
    toolbar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    toolbar->setMovable(false);
    toolbar->setAutoFillBackground(true);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(kImageSize, kImageSize));
    toolbar->setContentsMargins(0, 0, 0, 0);
    toolbar->layout()->setContentsMargins(2, 1, 2, 1);
    toolbar->layout()->setSpacing(0);
    connect(toolbar, &QToolBar::actionTriggered, this, [this](QAction* button) {
        if (const int id = CommandId(button); id != 0 && id != IDTBB_SEP) {
            SendMessage(this, WM_COMMAND, MakeWParam(id, 0), 0);
        }
    });

    int position = 0;
    for (const ButtonRow& row : kButtons) {
        if (!row.imageKey) {
            InsertToolButton(row.id, position++, 0, row.state, true, QString());
        } else {
            InsertToolButton(
                row.id, position++, toolbarButtons->GetImage(QString::fromLatin1(row.imageKey)),
                row.state, false, toolbarButtons->GetTooltip(QString::fromLatin1(row.tooltipKey)));
        }
    }

    if (old) {
        for (QAction* button : old->actions()) {
            const int id = CommandId(button);
            if (button->isSeparator() || id == 0) {
                continue;
            }
            SetToolButtonState(id, button->isEnabled() ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
            SetToolButtonImage(id, ButtonImageIndex(button), button->toolTip());
        }
        toolbar->resize(toolbar->sizeHint().width(), toolbar->sizeHint().height());
        if (old->isHidden()) {
            toolbarSize = toolbar->size();
            toolbar->hide();
        } else {
            toolbar->show();
        }
        old->hide();
        old->deleteLater();
    } else {
        toolbar->resize(toolbar->sizeHint());
        toolbar->show();
    }
    PlaceControlBars();
}

void CPlayerDlg::InsertToolButton(int commandId, int position, int image, int state, bool separator,
                                  const QString& tooltip) {
    const QList<QAction*> present = toolbar->actions();
    QAction* before = position < present.size() ? present.at(position) : nullptr;
    if (separator) {
        QAction* item = toolbar->insertSeparator(before);
        SetCommandId(item, commandId);
        return;
    }
    auto* button = new QAction(ButtonIcon(image), QString(), toolbar);
    SetCommandId(button, commandId);
    SetButtonImageIndex(button, image);
    button->setToolTip(tooltip);
    button->setEnabled(state == TBSTATE_ENABLED);
    toolbar->insertAction(before, button);
    if (QWidget* face = toolbar->widgetForAction(button)) {
        face->setFixedSize(kButtonWidth, kButtonHeight);
        face->setObjectName(QString::number(commandId));
    }
}

QAction* CPlayerDlg::ToolButton(int commandId) const {
    if (!toolbar) {
        return nullptr;
    }
    for (QAction* button : toolbar->actions()) {
        if (!button->isSeparator() && CommandId(button) == commandId) {
            return button;
        }
    }
    return nullptr;
}

int CPlayerDlg::ToolButtonImage(int commandId) const {
    const QAction* button = ToolButton(commandId);
    return button ? ButtonImageIndex(button) : -1;
}

void CPlayerDlg::SetToolButtonImage(int commandId, int image, const QString& tooltip) {
    if (QAction* button = ToolButton(commandId)) {
        button->setIcon(ButtonIcon(image));
        SetButtonImageIndex(button, image);
        button->setToolTip(tooltip);
    }
}

void CPlayerDlg::SetToolButtonState(int commandId, int state) {
    if (QAction* button = ToolButton(commandId)) {
        button->setEnabled(state == TBSTATE_ENABLED);
    }
}

void CPlayerDlg::SetToolButtonFace(int commandId, const char* imageKey, const char* tooltipKey) {
    SetToolButtonImage(commandId, toolbarButtons->GetImage(QString::fromLatin1(imageKey)),
                       toolbarButtons->GetTooltip(QString::fromLatin1(tooltipKey)));
}
