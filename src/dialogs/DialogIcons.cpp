#include "DialogIcons.h"

#include "art/ArtResources.h"
#include "resource.h"

#include <QFile>
#include <QStyle>

namespace {

QIcon IconOr(const QString& resource, QStyle::StandardPixmap fallback, const QStyle* style) {
    if (QFile::exists(resource)) {
        const QIcon icon(resource);
        if (!icon.isNull()) {
            return icon;
        }
    }
    return style->standardIcon(fallback);
}

}  // namespace

QIcon BuiltInLanguageIcon(const QStyle* style) {
    return IconOr(velvaro::art::SmallIconResource(IDR_MAINFRAME), QStyle::SP_ComputerIcon, style);
}

QIcon LanguageFileIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_TEXTFILE), QStyle::SP_FileIcon, style);
}

QIcon AddIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_ADD), QStyle::SP_FileDialogNewFolder, style);
}

QIcon DeleteIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_DELETE), QStyle::SP_DialogDiscardButton, style);
}

QIcon SelectAllIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_SELECT_ALL), QStyle::SP_DialogApplyButton, style);
}

QIcon DeselectAllIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_DESELECT_ALL), QStyle::SP_DialogCancelButton,
                  style);
}

QIcon FolderIcon(const QStyle* style) {
    return style->standardIcon(QStyle::SP_DirIcon);
}
