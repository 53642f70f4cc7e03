// The window's discs: the DVD player and how the window opens a disc or a
// disc folder, navigates a DVD's menus and follows its news.
#pragma once

#include "platform/PlayerMessages.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>

class CDvdPlayer;
class CPlayerDlg;

class WindowDisc {
public:
    explicit WindowDisc(CPlayerDlg& window);
    ~WindowDisc();

    CDvdPlayer* Player() const { return player_.get(); }

    // A folder, a disc image or a drive's device: what the window opens as
    // a disc place rather than as a file.
    static bool IsPlace(const QString& path);
    // A DVD, a Video CD or the media files of a folder.
    void OpenPlace(const QString& path);
    // The DVD open sequence for a VIDEO_TS folder, a folder holding
    // VIDEO_TS.IFO, a disc image or a drive's device.
    void OpenDvd(const QString& path);
    // Keeps volume and balance in the settings and lets the player go.
    void Close();

    // The navigation commands and the toolbar's chapter buttons with a DVD;
    // false for other ids.
    bool OnCommand(int id);
    // Domain, angle and operation news from the DVD player.
    void OnEvent(long code, std::intptr_t param1);
    // Enter, and the arrows with Ctrl, on a disc's menu; false when the key
    // is not the disc's.
    bool OnKey(UINT key, bool control);
    // Points in client coordinates. True when a menu button took the click.
    bool OnClick(QPoint point);
    void OnHover(QPoint point);

private:
    QPoint ToVideo(QPoint point) const;
    void ShowHandCursor(bool hand);

    CPlayerDlg& window_;
    std::unique_ptr<CDvdPlayer> player_;
    bool handShown_ = false;
};
