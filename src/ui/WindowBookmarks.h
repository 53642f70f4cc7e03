// The window's side of the bookmark editor: made once with the window,
// given each medium's bookmark file, hidden when the medium goes.
#pragma once

#include <QString>

class QWidget;

class CBookmarkDlg;
class CPlayerDlg;
struct ViewParts;

class WindowBookmarks {
public:
    WindowBookmarks(CPlayerDlg& window, const ViewParts& parts) : window_(window), parts_(parts) {}

    void Create();
    // Null until made; tests and the window place it as a plain window.
    QWidget* Editor() const;
    // The medium's own bookmark file (its name with ".vbm") is the editor's
    // file; when it exists, it is loaded and the editor shown.
    void OnMediumOpened(const QString& mediumPath);
    void OnMediumClosed();
    // A bookmark file named on the command line; false when it could not be
    // loaded (the status bar says so).
    bool LoadNamedFile(const QString& path);
    // Beside the window, on its left, the window keeping the focus.
    void ShowEditor(bool show);
    void ToggleEditor();

private:
    // A jump to a bookmark of another medium opens that medium first.
    void OpenBookmarkedMedium(const QString& path, std::function<void()> opened);

    CPlayerDlg& window_;
    const ViewParts& parts_;
    CBookmarkDlg* editor_ = nullptr;  // owned by the window as its child
};
