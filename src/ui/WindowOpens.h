// How the views ask the window to open or close a medium: its open sequence
// holds back input and ties the bars, menus and editors to the new engine,
// so the views go through it rather than through the session.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct WindowOpens {
    // Starts opening `path`; `then` learns, once the open has settled,
    // whether a medium opened, unless another open or a close drops it.
    std::function<void(const QString& path, bool fromPlaylist, std::function<void(bool)> then)>
        medium;
    // The DVD open sequence for a volume.
    std::function<void(const QString& dvd, bool fromPlaylist, std::function<void(bool)> then)> dvd;
    // Files from a place, a drop or the open dialog, as the playlist opens them.
    std::function<void(const QStringList& files)> files;
    // Lets the medium go, with what shows it.
    std::function<void()> close;
    // Adds `path` as the film's sound.
    std::function<void(const QString& path)> soundTrack;
    // The window without a medium.
    std::function<void()> idle;
};
