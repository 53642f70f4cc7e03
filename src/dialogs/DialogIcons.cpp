#include "DialogIcons.h"

#include "art/ArtResources.h"
#include "resource.h"

#include <QFile>
#include <QPixmap>
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

QIcon ProgramIcon(const QStyle* style) {
    return IconOr(velvaro::art::IconResource(IDR_MAINFRAME), QStyle::SP_ComputerIcon, style);
}

QCursor HandCursor() {
    const QPixmap hand(velvaro::art::CursorResource(IDC_HANDPOINT));
    if (hand.isNull()) {
        return QCursor(Qt::PointingHandCursor);
    }
    return QCursor(hand, velvaro::art::kHandCursorHotspotX, velvaro::art::kHandCursorHotspotY);
}
