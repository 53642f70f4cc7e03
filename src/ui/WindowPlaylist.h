// The window's playlist: the runtime list, and how the window plays, loads,
// saves and edits it. Every open of files from the user goes through here.
#pragma once

#include "session/RuntimePlaylist.h"

#include "platform/BackgroundWork.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

struct ViewParts;
struct WindowOpens;
class CPlaylistDlg;
class FullscreenView;
class PlayerSession;
namespace velvaro::docs {
struct PlaylistEntry;
}

class WindowPlaylist : public RuntimePlaylist {
public:
    // Items open through opens.medium, with opens.soundTrack for their sound.
    WindowPlaylist(const ViewParts& parts, FullscreenView& fullscreen, const WindowOpens& opens);
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
    // first after it that opens; `then` learns whether one did. When none
    // from there on opens, the status bar says why. Another walk, an open
    // from elsewhere or the end of the list drops the walk and its `then`.
    void PlayItem(int number, std::function<void(bool played)> then = {});
    // Empties the list, and stops a walk under way.
    void End();
    // Looking for the next item whose file is there.
    bool Walking() const { return scan_ != nullptr; }

    // The playlist menu's commands.
    void AddCommands(PlayerSession& session);

    std::vector<velvaro::docs::PlaylistEntry> Entries() const;
    void SetEntries(const std::vector<velvaro::docs::PlaylistEntry>& entries);

private:
    void OnOpen();
    void OnSave(bool asNewFile);
    void RunEditor(const char* mode);
    void UpdateSaveCommand();
    void StopWalk();
    // Opens the first item from `item` on whose file is there, or goes on
    // past it when it does not open; `asked` is the item the walk began at.
    void TryFrom(int item, unsigned walk, std::function<void(bool)> then, int asked);
    void NothingPlays(int asked, const std::function<void(bool)>& then);
    // Opens the item after the current one ahead of its turn, so that it
    // follows without a gap; only a file that would start at its beginning,
    // without a sound track of its own.
    void PrepareNext();

    const ViewParts& parts_;
    FullscreenView& fullscreen_;
    const WindowOpens& opens_;
    std::unique_ptr<CPlaylistDlg> editor_;
    std::unique_ptr<velvaro::platform::BackgroundWork> scan_;
    unsigned walk_ = 0;  // the walk under way; a stale answer finds another
};
