// The shell's association-changed notification on the freedesktop desktop:
// the HKEY_CLASSES_ROOT hive of the registry is projected onto a desktop
// entry, its icons and the user's mimeapps.list. Failures are silent.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace velvaro::platform {

// What the desktop entry names; set once at start by the application.
struct DesktopIdentity {
    QString programPath;  // Exec; empty means the running program
    QList<QImage> icons;  // square, each written at its own size
};

void SetDesktopIdentity(const DesktopIdentity& identity);
// More such icons, read from their files only when the icons are written
// rather than at every start.
void SetDesktopIconFiles(const QStringList& files);

// Writes the desktop entry for the MIME types of `knownExtensions` (the
// association list's extensions, without dot) and of every extension the
// program owns in HKEY_CLASSES_ROOT, the icons, and makes the program the
// default application of exactly the owned extensions' types.
void NotifyShellAssociationsChanged(const std::vector<std::string>& knownExtensions);

// Takes the desktop entry, the icons and every mimeapps.list mention away.
void RemoveDesktopProjection();

}  // namespace velvaro::platform
