// The CLanguageFile operations that put the loaded texts onto Qt widgets.
#include "CommandRanges.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "i18n/ui/ToolButtonImage.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QWidget>

namespace {

constexpr int kClearHistoryCommand = command_range::kClearHistory;

// A control's text is whatever its kind shows as one: a label's or button's
// text, a group box's title, an editor's plain text.
void SetControlText(QWidget* control, const QString& text) {
    const QMetaObject* meta = control->metaObject();
    for (const char* name : {"text", "title", "plainText"}) {
        const int index = meta->indexOfProperty(name);
        if (index >= 0 && meta->property(index).isWritable()) {
            meta->property(index).write(control, text);
            return;
        }
    }
}

// A child named after a dialog symbol, or a window of its own, is another
// dialog that translates itself with its own section.
bool IsNestedDialog(const QWidget* widget) {
    return widget->isWindow() || widget->objectName().startsWith(QLatin1String("IDD_"));
}

void TranslateControls(const CLanguageFile& language, QWidget* parent, const QString& section) {
    const CResourceSymbols& symbols = language.GetSymbols();
    for (QObject* child : parent->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || IsNestedDialog(control)) {
            continue;
        }
        // Through the number and back, so that a control whose id another
        // symbol shares is translated under the name the table knows for it.
        const int id = symbols.GetId(control->objectName());
        if (id != -1) {
            const QString text = language.GetText(section, symbols.GetName(id));
            if (!text.isEmpty()) {
                SetControlText(control, text);
            }
        }
        TranslateControls(language, control, section);
    }
}

void RenameCommand(QWidget* menu, int id, const QString& text) {
    for (QAction* item : FindCommands(menu, id)) {
        item->setText(text);
    }
}

void RenamePopup(const MenuPlace& place, const QString& text) {
    if (QAction* item = place.Item()) {
        item->setText(text);
        item->setChecked(false);
    }
}

}  // namespace

void CLanguageFile::TranslateDialog(QWidget* dialog, const QString& section) const {
    if (!dialog) {
        return;
    }
    const QString caption = GetText(section, QStringLiteral("ID_CAPTION"));
    if (!caption.isEmpty()) {
        dialog->setWindowTitle(caption);
    }
    TranslateControls(*this, dialog, section);
}

void CLanguageFile::TranslateMainMenu(QMenuBar* menuBar, QMenu* contextMenu,
                                      const PopupRegistry& popups) const {
    ForEachEntry(QStringLiteral("MainMenu"), [&](const LanguageEntry& entry) {
        if (entry.value.isEmpty()) {
            return;
        }
        // Menus show a tab as the gap before the key; a line break has no
        // place in a menu item, so \n stays as written.
        QString text = entry.value;
        text.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
        if (const PopupRegistry::Entry* popup = popups.Find(entry.key)) {
            RenamePopup(popup->inMenuBar, text);
            RenamePopup(popup->inContextMenu, text);
            return;
        }
        const int id = symbols_.GetId(entry.key);
        if (id != -1) {
            RenameCommand(menuBar, id, text);
            RenameCommand(contextMenu, id, text);
        }
    });
    const QString clearHistory = GetCodeText(QStringLiteral("DELLIST"));
    if (!clearHistory.isEmpty()) {
        RenameCommand(menuBar, kClearHistoryCommand, clearHistory);
    }
}

void CLanguageFile::TranslateToolBar(QWidget* toolBar, CToolButtonTable& buttons) const {
    ForEachEntry(QStringLiteral("ToolBar"), [&](const LanguageEntry& entry) {
        if (!entry.value.isEmpty()) {
            buttons.SetTooltip(entry.key, entry.value);
        }
    });
    if (!toolBar) {
        return;
    }
    for (QAction* button : toolBar->actions()) {
        if (!button->isSeparator() && CommandId(button) != 0) {
            button->setToolTip(buttons.GetTooltipByImage(ButtonImageIndex(button)));
        }
    }
}
