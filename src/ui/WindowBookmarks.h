// The window's side of the bookmark editor: made once with the window,
// given each medium's bookmark file, hidden when the medium goes.
#pragma once

#include <QString>

#include <functional>

class QWidget;

class CBookmarkDlg;
struct ViewParts;
struct WindowOpens;

class WindowBookmarks {
public:
    // A bookmark of another medium opens it through opens.medium.
    WindowBookmarks(const ViewParts& parts, const WindowOpens& opens)
        : parts_(parts), opens_(opens) {}

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

    const ViewParts& parts_;
    const WindowOpens& opens_;
    CBookmarkDlg* editor_ = nullptr;  // owned by the window as its child
};
