// The window's discs: the DVD player and how the window opens a disc or a
// disc folder, navigates a DVD's menus and follows its news.
#pragma once

#include "platform/BackgroundWork.h"
#include "platform/OpticalDrives.h"
#include "platform/PlayerMessages.h"
#include "ui/WindowOpens.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CDvdPlayer;
class FullscreenView;
class VideoArea;
struct ViewParts;
class PlayerSession;
class QMenu;

class WindowDisc {
public:
    // What a place holds opens through opens.dvd or opens.files.
    WindowDisc(const ViewParts& parts, VideoArea& videoArea, FullscreenView& fullscreen,
               const WindowOpens& opens);
    ~WindowDisc();

    CDvdPlayer* Player() const;

    // A folder, a disc image or a drive's device: what the window opens as
    // a disc place rather than as a file.
    static bool IsPlace(const QString& path);
    // A DVD, a Video CD or the media files of a folder. What the place holds
    // is read off the window's thread (a folder may hold thousands of
    // files); then `nothing` hears when it holds none of them, else `then`
    // hears whether it opened: a DVD's once its open has settled. `done`
    // comes once the reading is answered or dropped.
    void OpenPlace(const QString& path, bool fromPlaylist = false,
                   std::function<void(bool opened)> then = {}, std::function<void()> nothing = {},
                   std::function<void()> done = {});
    // A place still being read opens nothing when its reading ends.
    void DropPendingPlace();
    // "Choose Dir": a folder from the folder browser, opened as a place.
    void ChooseFolder();
    // The drive items of the CD/DVD popup, after its first two.
    void RebuildDrivePopup(QMenu* popup);
    // Where the drives come from: the system's, unless a test stands in
    // for drives the machine does not have.
    void SetDriveSource(std::function<std::vector<velvaro::platform::OpticalDrive>()> source) {
        driveSource_ = std::move(source);
    }
    // The disc's engine is about to go.
    void Close();

    // The folder and drive commands, and with a DVD the navigation commands,
    // the disc keys and the toolbar's chapter buttons.
    void AddCommands(PlayerSession& session);
    // Domain, angle and operation news from the DVD player.
    void OnEvent(long code, std::intptr_t param1);
    // Points in client coordinates. True when a menu button took the click.
    bool OnClick(QPoint point);
    void OnHover(QPoint point);

private:
    QPoint ToVideo(QPoint point) const;
    void ShowHandCursor(bool hand);

    const ViewParts& parts_;
    VideoArea& videoArea_;
    FullscreenView& fullscreen_;
    const WindowOpens& opens_;
    bool handShown_ = false;
    std::unique_ptr<velvaro::platform::BackgroundWork> placeReading_;
    std::function<void()> placeDone_;
    // What each drive item opens, by its place after 64000.
    std::vector<QString> drivePlaces_;
    std::function<std::vector<velvaro::platform::OpticalDrive>()> driveSource_ = [] {
        return velvaro::platform::ListOpticalDrives();
    };
};
