#include "dialogs/PlaylistSaving.h"

#include "dialogs/FileDialogFilter.h"
#include "platform/ProductVersion.h"

#include <QFileDialog>

namespace {

bool Write(const std::string& path, const std::vector<velvaro::docs::PlaylistEntry>& entries) {
    return velvaro::docs::SavePlaylistFile(path, entries, GetProductVersion().toStdString());
}

}  // namespace

bool SavePlaylist(QWidget* parent, const std::vector<velvaro::docs::PlaylistEntry>& entries,
                  std::string& fileName) {
    if (!fileName.empty() && Write(fileName, entries)) {
        return true;
    }
    fileName.clear();
    return SavePlaylistAs(parent, entries, fileName);
}

// An instance rather than the static helper, which cannot add the default suffix
// before the overwrite question is asked.
bool SavePlaylistAs(QWidget* parent, const std::vector<velvaro::docs::PlaylistEntry>& entries,
                    std::string& fileName) {
    QFileDialog dialog(
        parent, QString(), QStringLiteral("playlist"),
        ToQtFileFilter(QStringLiteral("Velvaro-Playlist (*.vpp)|*.vpp|Alle Dateien (*.*)|*.*||")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("vpp"));
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string chosen = dialog.selectedFiles().front().toStdString();
        if (Write(chosen, entries)) {
            fileName = chosen;
            return true;
        }
    }
    return false;
}
