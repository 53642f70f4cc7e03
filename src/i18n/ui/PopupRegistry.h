// The popups of the main menu and the context menu by name: each name leads
// to the popup's place in both menus, so its item can be renamed, greyed and
// refilled in both.
#pragma once

#include <QString>

#include <array>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The popups the main window registers: the top-level menus, then the inner
// popups.
inline constexpr std::array<std::string_view, 19> kRegisteredPopups = {
    "IDM_DATEI",
    "IDM_WIEDERGABE",
    "IDM_NAVIGATION",
    "IDM_ANSICHT",
    "IDM_EXTRAS",
    "IDM_HILFE",
    "IDM_DATEI_CDDVDABSPIELEN",
    "IDM_DATEI_ZULETZTGEOEFFNET",
    "IDM_WIEDERGABE_STREAMS",
    "IDM_WIEDERGABE_STREAMS_AUDIO",
    "IDM_WIEDERGABE_STREAMS_SUBTITLE",
    "IDM_WIEDERGABE_STREAMS_ANGLE",
    "IDM_WIEDERGABE_STREAMS_CHAPTER",
    "IDM_WIEDERGABE_ABSPIELGESCHWINDIGKEIT",
    "IDM_WIEDERGABE_AUDIO",
    "IDM_NAVIGATION_MARKIERUNG",
    "IDM_ANSICHT_ZOOM",
    "IDM_EXTRAS_PLAYLIST",
    "IDM_EXTRAS_DSFILTER",
};

// A popup's parent (the menu bar or a popup) and its position among the
// parent's items, separators counted. The menus must outlive the registry.
struct MenuPlace {
    QWidget* menu = nullptr;
    int position = -1;

    // The popup's host item there; null when the place does not exist.
    QAction* Item() const;
};

class PopupRegistry {
public:
    struct Entry {
        QString name;
        MenuPlace inMenuBar;
        MenuPlace inContextMenu;
    };

    void Register(const QString& name, MenuPlace inMenuBar, MenuPlace inContextMenu);
    // Registers each of kRegisteredPopups where the two menus hold it.
    void RegisterStandardPopups(QMenuBar* menuBar, QMenu* contextMenu);

    // Names are compared without regard to case; null when not registered.
    const Entry* Find(const QString& name) const;

    // Greys or enables the popup's host item in both menus.
    void EnablePopup(const QString& name, bool enabled) const;
    // The popup itself; null when it is not registered or not in that menu.
    QMenu* MenuBarPopup(const QString& name) const;
    QMenu* ContextPopup(const QString& name) const;

private:
    std::vector<Entry> entries_;
};
