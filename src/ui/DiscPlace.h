// What a disc or a folder chosen to be played holds, and the name it goes by
// in the title: DVD-Video, a Video CD or Super Video CD, or the media files
// in its root.
#pragma once

#include "settings/CSettings.h"

#include <QString>
#include <QStringList>

#include <forward_list>

// With `dvd` set the place opens as a DVD; otherwise `files` (maybe none)
// open as one file or as a temporary playlist.
struct DiscPlaceContents {
    QString dvd;
    QStringList files;
};

// A VIDEO_TS subfolder (any case) gives dvd = that folder; a folder holding
// VIDEO_TS.IFO gives dvd = the folder; a block device or an `.iso` file gives
// dvd = the path. Else the Video CD files MPEGAV/*.dat, else the Super Video
// CD files MPEG2/*.mpg, else the files *.<ext> of every association entry
// flagged video, audio or playlist, in list order. Names match in any case;
// the files of one pattern come in name order.
DiscPlaceContents ResolveDiscPlace(const QString& path,
                                   const std::forward_list<FileAssociationEntry>& associations);

// The mount point of a volume, or its VIDEO_TS: the volume's label (the path
// when it has none); an `.iso` image: its ISO 9660 volume id, else its file
// name; a device: its volume id when readable, else the path; otherwise the
// last component, or the one before a trailing VIDEO_TS.
QString DiscName(const QString& path);
