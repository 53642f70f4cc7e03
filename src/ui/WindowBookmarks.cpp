#include "ui/WindowBookmarks.h"

#include "dialogs/CBookmarkDlg.h"
#include "engine/CFilePlayer.h"
#include "ui/CPlayerDlg.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/ViewParts.h"

#include <QFileInfo>

void WindowBookmarks::Create() {
    editor_ = new CBookmarkDlg(&window_);
    editor_->Create(&parts_.language);
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
        ShowEditor(true);
    }
}

void WindowBookmarks::OnMediumClosed() {
    if (editor_) {
        ShowEditor(false);
        editor_->SetPlayer(nullptr);
    }
}

bool WindowBookmarks::LoadNamedFile(const QString& path) {
    if (editor_ && editor_->LoadBookmarkFile(path)) {
        ShowEditor(true);
        return true;
    }
    parts_.bars.ShowNotice(QStringLiteral("%1 is not a bookmark file that can be read.").arg(path));
    return false;
}

void WindowBookmarks::OpenBookmarkedMedium(const QString& path, std::function<void()> opened) {
    const bool shown = editor_->isVisible();
    window_.OpenMedia(path, false, [this, shown, opened = std::move(opened)](bool open) {
        if (shown && window_.Session().FilePlayer() && !editor_->isVisible()) {
            ShowEditor(true);
        }
        if (open && opened) {
            opened();
        }
    });
}

void WindowBookmarks::ShowEditor(bool show) {
    if (!editor_) {
        return;
    }
    if (!show) {
        editor_->hide();
        window_.activateWindow();
        return;
    }
    if (!window_.Session().FilePlayer()) {
        return;
    }
    // Shown first: a window's frame is only known once it is on the screen.
    editor_->show();
    const int editorWidth = editor_->frameGeometry().width();
    QRect window = window_.frameGeometry();
    int x = window.left() - editorWidth;
    if (x < 0) {
        window_.move(editorWidth, window.top());
        window = window_.frameGeometry();
        x = 0;
    }
    // The editor's own frame counts into the height it shares with the window.
    const int editorFrameHeight = editor_->frameGeometry().height() - editor_->height();
    editor_->move(x, window.top());
    editor_->resize(editor_->width(), window.height() - editorFrameHeight);
    window_.activateWindow();
}

void WindowBookmarks::ToggleEditor() {
    if (editor_) {
        ShowEditor(!editor_->isVisible());
    }
}
