// The recent-files popups of the menu bar and the context menu, rebuilt from
// the history whenever it changes.
#include "ui/CPlayerDlg.h"

#include "CommandRanges.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"

#include <QMenu>

void CPlayerDlg::BuildRecentMenu() {
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
                       language->GetCodeText(QStringLiteral("DELLIST")));
        }
    }
    menus.popups->EnablePopup(popupName, !entries.empty());
}
