// The menu bar, the context menu and the toolbar: built from their
// resources, translated, and drawn from the session's command states. A
// click on any of them goes to the session's Execute.
#pragma once

#include "ui/ViewParts.h"

#include <QObject>

class QAction;
class QMenu;
class WindowBookmarks;
class WindowDisc;
struct CommandLook;
struct MediumKind;

class WindowMenus {
public:
    // `disc` and `bookmarks` are only used once the window runs.
    WindowMenus(ViewParts parts, WindowDisc& disc, const WindowBookmarks& bookmarks);

    void BuildMenus();
    void BuildRecentMenu();
    // Made again after a settings change, keeping every button's state; the
    // caller places the bars afterwards.
    void CreateToolBar();
    // The session's table starts from what the built menus and toolbar show.
    void SeedCommandStates();
    // The menus, the toolbar's tips and the window's own words in the
    // language of the moment.
    void TranslateWindow();
    // A popup is about to show: the parts that change with the medium are
    // brought up to date.
    void OnMenuSelect(QMenu* popup);

    // Null before the toolbar is made.
    QAction* ToolButton(int commandId) const;

    // The commands of `medium`, and of none.
    void ApplyCommandStates(const MediumKind& medium);
    void ResetMenus(bool playlistActive);
    void FillFilterMenus();

private:
    void ConnectMenus();
    void InsertToolButton(int commandId, int position, int image, int state, bool separator,
                          const QString& tooltip);
    void DrawCommand(int id, const CommandLook& look);

    ViewParts parts_;
    WindowDisc& disc_;
    const WindowBookmarks& bookmarks_;
    // What is connected to this class goes with it.
    QObject receiver_;
};
