// The menu bar, the context menu and the toolbar (17 buttons and 4
// separators over two image strips, toggle faces switched by key): how they
// are built, translated and drawn from the command states.
#include "ui/WindowMenus.h"

#include "CommandRanges.h"
#include "dialogs/FilterList.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "i18n/ui/ToolButtonImage.h"
#include "platform/PlayerMessages.h"
#include "resource.h"
#include "session/CommandStates.h"
#include "session/PlayerSession.h"
#include "ui/PlayerWindowState.h"
#include "ui/StreamMenus.h"
#include "ui/ToolStrip.h"
#include "ui/WindowBookmarks.h"
#include "ui/WindowDisc.h"

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

WindowMenus::WindowMenus(ViewParts parts, WindowDisc& disc, const WindowBookmarks& bookmarks)
    : parts_(std::move(parts)), disc_(disc), bookmarks_(bookmarks) {
    PlayerBars& bars = parts_.bars;
    bars.buttons = std::make_unique<CToolButtonTable>();
    AddStandardToolButtons(*bars.buttons);
    CommandStateTable& table = parts_.session.Commands();
    QObject::connect(&table, &CommandStateTable::changed, &receiver_,
                     [this](int id, const CommandLook& look) { DrawCommand(id, look); });
    table.SetFaceLookup(
        [buttons = bars.buttons.get()](const QString& imageKey, const QString& tipKey) {
            return CommandLook{.image = buttons->GetImage(imageKey),
                               .tip = buttons->GetTooltip(tipKey)};
        });
    QObject::connect(&parts_.session.History(), &MediumHistory::changed, &receiver_,
                     [this] { BuildRecentMenu(); });
}

void WindowMenus::BuildMenus() {
    PlayerMenus& menus = parts_.menus;
    menus.bar = LoadMenuBar(IDR_MENU_Framedeck);
    if (!menus.bar) {
        menus.bar = std::make_unique<QMenuBar>();
    }
    menus.bar->setParent(&parts_.window);
    menus.bar->setNativeMenuBar(false);
    menus.context = LoadPopupMenu(IDR_MENU_CONTEXT);
    if (!menus.context) {
        menus.context = std::make_unique<QMenu>();
    }
    menus.popups = std::make_unique<PopupRegistry>();
    menus.popups->RegisterStandardPopups(menus.bar.get(), menus.context.get());
    menus.streams = std::make_unique<StreamMenus>(*menus.popups, parts_.session);
    menus.states = std::make_unique<MenuStates>(menus.bar.get(), menus.context.get());
    ConnectMenus();
    menus.bar->show();
}

void WindowMenus::ConnectMenus() {
    PlayerMenus& menus = parts_.menus;
    QWidget* const window = &parts_.window;
    auto sendCommand = [&session = parts_.session](QAction* action) {
        if (const int id = CommandId(action); id != 0 && !action->menu()) {
            session.Execute(id);
        }
    };
    QObject::connect(menus.bar.get(), &QMenuBar::triggered, window, sendCommand);
    QObject::connect(menus.context.get(), &QMenu::triggered, window, sendCommand);
    QList<QMenu*> popups = menus.bar->findChildren<QMenu*>();
    popups += menus.context->findChildren<QMenu*>();
    popups.append(menus.context.get());
    for (QMenu* popup : popups) {
        QObject::connect(popup, &QMenu::aboutToShow, &receiver_,
                         [this, popup] { OnMenuSelect(popup); });
    }
}

void WindowMenus::OnMenuSelect(QMenu* popup) {
    if (!popup) {
        return;
    }
    const QString name = popup->objectName();
    if (name.compare(QStringLiteral("IDM_WIEDERGABE_STREAMS"), Qt::CaseInsensitive) == 0 ||
        name.compare(QStringLiteral("IDM_WIEDERGABE_STREAMS_CHAPTER"), Qt::CaseInsensitive) == 0) {
        parts_.session.Streams().Refresh();
    } else if (name.compare(QStringLiteral("IDM_DATEI_CDDVDABSPIELEN"), Qt::CaseInsensitive) == 0) {
        disc_.RebuildDrivePopup(popup);
    }
    if (name.compare(QStringLiteral("IDM_EXTRAS"), Qt::CaseInsensitive) == 0) {
        const bool editorShown = bookmarks_.Editor() && bookmarks_.Editor()->isVisible();
        parts_.session.Commands().SetChecked(IDM_ANSICHT_BOOKMARKEDITOR, editorShown);
    }
}

void WindowMenus::TranslateWindow() {
    PlayerMenus& menus = parts_.menus;
    parts_.language.TranslateMainMenu(menus.bar.get(), menus.context.get(), *menus.popups);
    parts_.language.TranslateToolBar(parts_.bars.toolbar, *parts_.bars.buttons);
    parts_.language.TranslateDialog(&parts_.window, QStringLiteral("IDD_FRAMEDECK_DIALOG"));
}

void WindowMenus::BuildRecentMenu() {
    PlayerMenus& menus = parts_.menus;
    const QString popupName = QStringLiteral("IDM_DATEI_ZULETZTGEOEFFNET");
    QMenu* const popups[] = {menus.popups->MenuBarPopup(popupName),
                             menus.popups->ContextPopup(popupName)};
    for (QMenu* popup : popups) {
        if (!popup) {
            continue;
        }
        const QList<QAction*> items = popup->actions();
        for (qsizetype index = items.size() - 1; index >= 0; --index) {
            QAction* item = items.at(index);
            popup->removeAction(item);
            // Later: the item may be the one whose click opened a file.
            if (item->parent() == popup) {
                item->deleteLater();
            }
        }
    }
    // Each entry's command is its number after the clear command's.
    const auto entries = MediumHistory::Entries();
    for (QMenu* popup : popups) {
        if (!popup) {
            continue;
        }
        for (const auto& [entry, name] : entries) {
            AddCommand(popup, command_range::kClearHistory + entry, name);
        }
        if (!entries.empty()) {
            popup->addSeparator();
            AddCommand(popup, command_range::kClearHistory,
                       parts_.language.GetCodeText(QStringLiteral("DELLIST")));
        }
    }
    menus.popups->EnablePopup(popupName, !entries.empty());
}

void WindowMenus::CreateToolBar() {
    PlayerBars& bars = parts_.bars;
    CommandStateTable& table = parts_.session.Commands();
    ToolStrip* old = bars.toolbar;
    bars.toolbar = new ToolStrip(QSize(kButtonWidth, kButtonHeight), QSize(kImageSize, kImageSize),
                                 &parts_.client);
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

    const int width = parts_.client.width();
    bars.toolbar->resize(width, bars.toolbar->heightForWidth(width));
    if (old) {
        for (QAction* button : old->actions()) {
            const int id = CommandId(button);
            if (button->isSeparator() || id == 0) {
                continue;
            }
            table.SetEnabled(id, button->isEnabled());
            table.SetFace(id, ButtonImageIndex(button), button->toolTip());
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
}

void WindowMenus::InsertToolButton(int commandId, int position, int image, int state,
                                   bool separator, const QString& tooltip) {
    PlayerBars& bars = parts_.bars;
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
    QObject::connect(item, &QAction::triggered, &parts_.window,
                     [&session = parts_.session, commandId] { session.Execute(commandId); });
    bars.toolbar->insertAction(before, item);
    if (QWidget* face = bars.toolbar->widgetForAction(item)) {
        face->setObjectName(QString::number(commandId));
    }
}

QAction* WindowMenus::ToolButton(int commandId) const {
    const PlayerBars& bars = parts_.bars;
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

// The table starts from what the built menus and toolbar show; the menu
// bar's word counts where the context menu has the same command.
void WindowMenus::SeedCommandStates() {
    const PlayerMenus& menus = parts_.menus;
    CommandStateTable& table = parts_.session.Commands();
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
    for (const QAction* button : parts_.bars.toolbar->actions()) {
        if (const int id = button->isSeparator() ? 0 : CommandId(button)) {
            table.Seed(id, button->isEnabled(), false);
        }
    }
}

void WindowMenus::DrawCommand(int id, const CommandLook& look) {
    const PlayerMenus& menus = parts_.menus;
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
            button->setIcon(ButtonIcon(parts_.bars, look.image));
            SetButtonImageIndex(button, look.image);
            button->setToolTip(look.tip);
        }
    }
}

void WindowMenus::FillFilterMenus() {
    const PlayerMenus& menus = parts_.menus;
    CMediaPlayer& player = *parts_.session.Player();
    if (QMenu* filters = menus.popups->MenuBarPopup(QStringLiteral("IDM_EXTRAS_DSFILTER"))) {
        filters->clear();
        if (velvaro::dialogs::FillFilterList(player, filters, FILTERLIST_MENU) > 0) {
            menus.popups->EnablePopup(QStringLiteral("IDM_EXTRAS_DSFILTER"), true);
        }
    }
    if (QMenu* filters = menus.popups->ContextPopup(QStringLiteral("IDM_EXTRAS_DSFILTER"))) {
        filters->clear();
        velvaro::dialogs::FillFilterList(player, filters, FILTERLIST_MENU);
    }
}

void WindowMenus::ApplyCommandStates(const MediumKind& medium) {
    CommandStateTable& table = parts_.session.Commands();
    for (const CommandState& command : MenuStatesFor(medium)) {
        table.SetEnabled(command.id, command.enabled);
    }
    for (const CommandState& button : ButtonStatesFor(medium)) {
        table.SetEnabled(button.id, button.enabled);
    }
}

void WindowMenus::ResetMenus(bool playlistActive) {
    const PlayerMenus& menus = parts_.menus;
    ApplyCommandStates({.playlist = playlistActive});
    parts_.session.Commands().SetChecked(IDM_AUDIO_AUDIOTRACKOEFFNEN, false);
    parts_.session.Commands().SetChecked(IDM_ANSICHT_BOOKMARKEDITOR, false);
    for (const char* popup : MediumPopups()) {
        menus.popups->EnablePopup(QString::fromLatin1(popup), false);
    }
    parts_.session.Streams().Reset();
    parts_.session.Commands().SetFace(IDTBB_CLIPPING, "FillScreen", "FillScreen");
}
