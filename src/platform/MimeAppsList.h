// Edits the text of a freedesktop mimeapps.list for one application while
// every byte it does not need to change stays as it was: other
// applications' entries, comments, other sections, their order, blank lines
// and line endings. Damaged text is edited as far as it can be read.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace velvaro::platform {

// `desktopId` becomes the default application of each of `ownedTypes`, put
// first in that type's [Default Applications] list with the earlier entries
// kept after it, and listed under [Added Associations]; for every other type
// it is taken out of both sections. A missing section is added at the end.
QByteArray MakeDefaultFor(const QByteArray& text, const QByteArray& desktopId,
                          const QStringList& ownedTypes);

// Takes `desktopId` out of every entry of every section.
QByteArray RemoveApplication(const QByteArray& text, const QByteArray& desktopId);

}  // namespace velvaro::platform
