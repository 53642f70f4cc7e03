#include "DiscPlace.h"

#include "platform/OpticalDrives.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

using velvaro::platform::IsoVolumeId;
using velvaro::platform::MountedVolumeName;

bool IsBlockDevice(const QString& path) {
    struct stat status {};
    return stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISBLK(status.st_mode);
}

bool IsIsoImage(const QFileInfo& info) {
    return info.isFile() && info.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0;
}

bool IsVideoTs(const QString& name) {
    return name.compare(QStringLiteral("VIDEO_TS"), Qt::CaseInsensitive) == 0;
}

// Discs written on other systems spell their folders in either case.
QString ChildFolder(const QDir& folder, const QString& name) {
    const QStringList found = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : found) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return folder.filePath(entry);
        }
    }
    return {};
}

QStringList FilesWithSuffix(const QString& folder, const QString& suffix) {
    if (folder.isEmpty() || suffix.isEmpty()) {
        return {};
    }
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.") + suffix});
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    QStringList files;
    for (const QString& name : dir.entryList()) {
        files.append(dir.filePath(name));
    }
    return files;
}

// The files "*.<extension>" of each media entry of `associations`, in list
// order, each extension's in name order. One reading of the folder, not one
// per extension: a folder of thousands of files is read in milliseconds.
QStringList MediaFiles(const QDir& folder,
                       const std::forward_list<FileAssociationEntry>& associations) {
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    const QStringList names = dir.entryList();
    QHash<QString, QStringList> bySuffix;  // lower-case text after the last dot
    for (const QString& name : names) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0) {
            bySuffix[name.mid(dot + 1).toLower()].append(dir.filePath(name));
        }
    }
    QStringList files;
    for (const FileAssociationEntry& entry : associations) {
        if (!(entry.flags & (ASSOC_VIDEO | ASSOC_AUDIO | ASSOC_PLAYLIST)) ||
            entry.extension.empty()) {
            continue;
        }
        const QString suffix = QString::fromStdString(entry.extension).toLower();
        if (!suffix.contains(u'.')) {
            files.append(bySuffix.value(suffix));
            continue;
        }
        for (const QString& name : names) {
            if (name.endsWith(u'.' + suffix, Qt::CaseInsensitive)) {
                files.append(dir.filePath(name));
            }
        }
    }
    return files;
}

// The path without trailing slashes, "/" staying itself.
QString Trimmed(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/')) {
        trimmed.chop(1);
    }
    return trimmed;
}

}  // namespace

DiscPlaceContents ResolveDiscPlace(const QString& path,
                                   const std::forward_list<FileAssociationEntry>& associations) {
    DiscPlaceContents contents;
    if (path.isEmpty()) {
        return contents;
    }
    const QString place = Trimmed(path);
    const QFileInfo info(place);
    if (IsBlockDevice(place) || IsIsoImage(info)) {
        contents.dvd = place;
        return contents;
    }
    if (!info.isDir()) {
        return contents;
    }
    const QDir folder(place);
    if (const QString videoTs = ChildFolder(folder, QStringLiteral("VIDEO_TS"));
        !videoTs.isEmpty()) {
        contents.dvd = videoTs;
        return contents;
    }
    const QStringList ifo =
        folder.entryList({QStringLiteral("VIDEO_TS.IFO")}, QDir::Files | QDir::Hidden);
    if (!ifo.isEmpty()) {
        contents.dvd = place;
        return contents;
    }
    contents.files =
        FilesWithSuffix(ChildFolder(folder, QStringLiteral("MPEGAV")), QStringLiteral("dat"));
    if (contents.files.isEmpty()) {
        contents.files =
            FilesWithSuffix(ChildFolder(folder, QStringLiteral("MPEG2")), QStringLiteral("mpg"));
    }
    if (contents.files.isEmpty()) {
        contents.files = MediaFiles(folder, associations);
    }
    return contents;
}

QString DiscName(const QString& path) {
    const QString place = Trimmed(path);
    const QFileInfo info(place);
    if (IsIsoImage(info)) {
        const QString id = IsoVolumeId(place);
        return id.isEmpty() ? info.fileName() : id;
    }
    if (IsBlockDevice(place)) {
        const QString id = IsoVolumeId(place);
        return id.isEmpty() ? path : id;
    }
    const bool videoTs = IsVideoTs(info.fileName());
    const QString volume = videoTs ? info.path() : place;
    if (!volume.isEmpty() && !info.isRelative()) {
        const QString canonical = QFileInfo(volume).canonicalFilePath();
        const QString name = MountedVolumeName(canonical.isEmpty() ? volume : canonical);
        if (!name.isEmpty()) {
            return name;
        }
        // A volume without a name goes by its path, as the folder's name
        // would be the mount point's, which says nothing of the disc.
        if (!canonical.isEmpty() && velvaro::platform::IsMountPoint(canonical)) {
            return path;
        }
    }
    const QString name = QFileInfo(volume).fileName();
    return name.isEmpty() ? path : name;
}
