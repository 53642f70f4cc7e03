#include "BookmarkIcons.h"

#include "art/ArtResources.h"
#include "resource.h"

#include <QFile>
#include <QStyle>

namespace {

QIcon IconOr(int id, QStyle::StandardPixmap fallback, const QStyle* style) {
    const QString resource = velvaro::art::IconResource(id);
    if (QFile::exists(resource)) {
        const QIcon icon(resource);
        if (!icon.isNull()) {
            return icon;
        }
    }
    return style->standardIcon(fallback);
}

}  // namespace

QIcon BookmarkAddIcon(const QStyle* style) {
    return IconOr(IDR_ADD, QStyle::SP_FileDialogNewFolder, style);
}

QIcon BookmarkDeleteIcon(const QStyle* style) {
    return IconOr(IDR_DELETE, QStyle::SP_DialogDiscardButton, style);
}
