// The toolbar: 17 buttons and 4 separators over two image strips, toggle
// faces switched by key, re-creation that keeps every button's state.
#include "ui/CPlayerDlg.h"

#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/ToolButtonImage.h"
#include "resource.h"
#include "settings/CSettings.h"
#include "ui/ToolStrip.h"

#include <QAction>
#include <QBitmap>
#include <QMenu>
#include <QMenuBar>

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

QIcon ButtonIcon(const PlayerBars& bars, int image) {
    QIcon icon;
    icon.addPixmap(StripImage(bars.normalImages, image), QIcon::Normal);
    icon.addPixmap(StripImage(bars.hoverImages, image), QIcon::Active);
    return icon;
}

}  // namespace

void CPlayerDlg::CreateToolBar() {
    ToolStrip* old = bars.toolbar;
    bars.toolbar =
        new ToolStrip(QSize(kButtonWidth, kButtonHeight), QSize(kImageSize, kImageSize), client);
    bars.toolbar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));

    int position = 0;
    for (const ButtonRow& row : kButtons) {
        if (!row.imageKey) {
            InsertToolButton(row.id, position++, 0, row.state, true, QString());
        } else {
            InsertToolButton(row.id, position++,
                             bars.buttons->GetImage(QString::fromLatin1(row.imageKey)), row.state,
                             false, bars.buttons->GetTooltip(QString::fromLatin1(row.tooltipKey)));
        }
    }

    const int width = client->width();
    bars.toolbar->resize(width, bars.toolbar->heightForWidth(width));
    if (old) {
        for (QAction* button : old->actions()) {
            const int id = CommandId(button);
            if (button->isSeparator() || id == 0) {
                continue;
            }
            SetToolButtonState(id, button->isEnabled() ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
            SetToolButtonImage(id, ButtonImageIndex(button), button->toolTip());
        }
        if (old->isHidden()) {
            bars.toolbarSize = bars.toolbar->size();
            bars.toolbar->hide();
        } else {
            bars.toolbar->show();
        }
        old->hide();
        old->deleteLater();
    } else {
        bars.toolbar->show();
    }
    videoArea.PlaceControlBars();
}

void CPlayerDlg::InsertToolButton(int commandId, int position, int image, int state, bool separator,
                                  const QString& tooltip) {
    const QList<QAction*> present = bars.toolbar->actions();
    QAction* before = position < present.size() ? present.at(position) : nullptr;
    auto* item = new QAction(bars.toolbar);
    SetCommandId(item, commandId);
    if (separator) {
        item->setSeparator(true);
        bars.toolbar->insertAction(before, item);
        return;
    }
    item->setIcon(ButtonIcon(bars, image));
    SetButtonImageIndex(item, image);
    item->setToolTip(tooltip);
    item->setEnabled(state == TBSTATE_ENABLED);
    connect(item, &QAction::triggered, this, [this, commandId] { session.Execute(commandId); });
    bars.toolbar->insertAction(before, item);
    if (QWidget* face = bars.toolbar->widgetForAction(item)) {
        face->setObjectName(QString::number(commandId));
    }
}

QAction* CPlayerDlg::ToolButton(int commandId) const {
    if (!bars.toolbar) {
        return nullptr;
    }
    for (QAction* button : bars.toolbar->actions()) {
        if (!button->isSeparator() && CommandId(button) == commandId) {
            return button;
        }
    }
    return nullptr;
}

void CPlayerDlg::SetToolButtonImage(int commandId, int image, const QString& tooltip) {
    session.Commands().SetFace(commandId, image, tooltip);
}

void CPlayerDlg::SetToolButtonState(int commandId, int state) {
    session.Commands().SetEnabled(commandId, state == TBSTATE_ENABLED);
}

// The table starts from what the built menus and toolbar show; the menu
// bar's word counts where the context menu has the same command.
void CPlayerDlg::SeedCommandStates() {
    CommandStateTable& table = session.Commands();
    const std::function<void(const QWidget*)> seedMenu = [&](const QWidget* menu) {
        for (const QAction* item : menu->actions()) {
            if (const QMenu* popup = item->menu()) {
                seedMenu(popup);
            } else if (const int id = CommandId(item)) {
                table.Seed(id, item->isEnabled(), item->isChecked());
            }
        }
    };
    seedMenu(menus.context.get());
    seedMenu(menus.bar.get());
    for (const QAction* button : bars.toolbar->actions()) {
        if (const int id = button->isSeparator() ? 0 : CommandId(button)) {
            table.Seed(id, button->isEnabled(), false);
        }
    }
}

void CPlayerDlg::DrawCommand(int id, const CommandLook& look) {
    if (menus.states) {
        if (id == IDM_ANSICHT_VOLLBILD) {
            // Only the menu bar shows that fullscreen is on.
            for (QAction* item : FindCommands(menus.bar.get(), id)) {
                item->setCheckable(true);
                item->setChecked(look.checked);
            }
        } else {
            menus.states->Check(id, look.checked);
        }
        menus.states->Enable(id, look.enabled);
    }
    if (QAction* button = ToolButton(id)) {
        button->setEnabled(look.enabled);
        if (look.image >= 0) {
            button->setIcon(ButtonIcon(bars, look.image));
            SetButtonImageIndex(button, look.image);
            button->setToolTip(look.tip);
        }
    }
}

void CPlayerDlg::SetToolButtonFace(int commandId, const char* imageKey, const char* tooltipKey) {
    SetToolButtonImage(commandId, bars.buttons->GetImage(QString::fromLatin1(imageKey)),
                       bars.buttons->GetTooltip(QString::fromLatin1(tooltipKey)));
}
