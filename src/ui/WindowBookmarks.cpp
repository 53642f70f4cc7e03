#include "ui/WindowBookmarks.h"

#include "dialogs/CBookmarkDlg.h"
#include "engine/CFilePlayer.h"
#include "ui/CPlayerDlg.h"
#include "ui/PlayerStatusBar.h"

#include <QFileInfo>

void WindowBookmarks::Create() {
    editor_ = new CBookmarkDlg(&window_);
    editor_->Create(window_.Language());
    editor_->SetOpenMedia([this](const QString& path, std::function<void()> opened) {
        OpenBookmarkedMedium(path, std::move(opened));
    });
}

QWidget* WindowBookmarks::Editor() const {
    return editor_;
}

void WindowBookmarks::OnMediumOpened(const QString& mediumPath) {
    if (!editor_) {
        return;
    }
    editor_->SetPlayer(window_.Player());
    const QFileInfo medium(mediumPath);
    const QString stem = medium.suffix().isEmpty()
                             ? mediumPath
                             : mediumPath.left(mediumPath.size() - medium.suffix().size() - 1);
    const QString bookmarkFile = stem + QStringLiteral(".vbm");
    editor_->SetBookmarkFile(bookmarkFile);
    if (QFileInfo::exists(bookmarkFile) && editor_->LoadBookmarkFile(bookmarkFile)) {
        window_.ShowBookmarkEditor(true);
    }
}

void WindowBookmarks::OnMediumClosed() {
    if (editor_) {
        window_.ShowBookmarkEditor(false);
        editor_->SetPlayer(nullptr);
    }
}

bool WindowBookmarks::LoadNamedFile(const QString& path) {
    if (editor_ && editor_->LoadBookmarkFile(path)) {
        window_.ShowBookmarkEditor(true);
        return true;
    }
    window_.ShowNotice(QStringLiteral("%1 is not a bookmark file that can be read.").arg(path));
    return false;
}

void WindowBookmarks::OpenBookmarkedMedium(const QString& path, std::function<void()> opened) {
    const bool shown = editor_->isVisible();
    window_.OpenMedia(path, false, [this, shown, opened = std::move(opened)](bool open) {
        if (shown && window_.Session().FilePlayer() && !editor_->isVisible()) {
            window_.ShowBookmarkEditor(true);
        }
        if (open && opened) {
            opened();
        }
    });
}
