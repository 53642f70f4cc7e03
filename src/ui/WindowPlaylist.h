// The window's playlist: the runtime list, and how the window plays, loads,
// saves and edits it. Every open of files from the user goes through here.
#pragma once

#include "ui/core/RuntimePlaylist.h"

#include <QStringList>

#include <memory>
#include <vector>

class CPlayerDlg;
class CPlaylistDlg;
namespace velvaro::docs {
struct PlaylistEntry;
}

class WindowPlaylist : public RuntimePlaylist {
public:
    explicit WindowPlaylist(CPlayerDlg& window);
    ~WindowPlaylist();

    // Files from the open dialog, a drop or a disc folder, sorted by path in
    // byte order. One is tried as a playlist first; several become a
    // playlist without a file.
    void OpenFiles(QStringList paths);
    // False, with nothing changed, when the file is not a playlist; a
    // playlist document that cannot be read says why in the status bar.
    bool LoadFile(const QString& path);
    // Menu states, zoom back to 1, item 1.
    void Start();
    // Closes the medium and opens item `number` (wrapping around), or the
    // first after it that opens. False, and why in the status bar, when none
    // from there on would.
    bool PlayItem(int number);

    // The playlist commands, by menu id; false for other ids.
    bool OnCommand(int id);

    std::vector<velvaro::docs::PlaylistEntry> Entries() const;
    void SetEntries(const std::vector<velvaro::docs::PlaylistEntry>& entries);

private:
    void OnOpen();
    void OnSave(bool asNewFile);
    void RunEditor(const char* mode);
    void UpdateSaveCommand();

    CPlayerDlg& window_;
    std::unique_ptr<CPlaylistDlg> editor_;
};
