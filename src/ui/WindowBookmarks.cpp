#include "ui/WindowBookmarks.h"

#include "CommandRanges.h"
#include "dialogs/CBookmarkDlg.h"
#include "engine/CFilePlayer.h"
#include "platform/NetworkAddress.h"
#include "session/PlayerSession.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/ViewParts.h"
#include "ui/WindowOpens.h"

#include <QFileInfo>

void WindowBookmarks::Create() {
    editor_ = new CBookmarkDlg(&parts_.window);
    editor_->Create(&parts_.language);
    editor_->SetOpenMedia([this](const QString& path, std::function<void()> opened) {
        OpenBookmarkedMedium(path, std::move(opened));
    });
    editor_->SetSeek([this](std::int32_t time) {
        parts_.session.Execute(value_command::kJump, static_cast<double>(time));
    });
}

QWidget* WindowBookmarks::Editor() const {
    return editor_;
}

void WindowBookmarks::OnMediumOpened(const QString& mediumPath) {
    if (!editor_) {
        return;
    }
    editor_->SetPlayer(parts_.session.Player());
    // An address has no folder of ours: its bookmarks are offered for saving
    // under its name, and none are looked for.
    const bool address = velvaro::platform::IsNetworkAddress(mediumPath);
    const QString named = address ? velvaro::platform::AddressDisplayName(mediumPath) : mediumPath;
    const QFileInfo medium(named);
    const QString stem =
        medium.suffix().isEmpty() ? named : named.left(named.size() - medium.suffix().size() - 1);
    const QString bookmarkFile = stem + QStringLiteral(".vbm");
    editor_->SetBookmarkFile(bookmarkFile);
    if (!address && QFileInfo::exists(bookmarkFile) && editor_->LoadBookmarkFile(bookmarkFile)) {
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
    opens_.medium(path, false, [this, shown, opened = std::move(opened)](bool open) {
        if (shown && parts_.session.FilePlayer() && !editor_->isVisible()) {
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
        parts_.window.activateWindow();
        return;
    }
    if (!parts_.session.FilePlayer()) {
        return;
    }
    // Shown first: a window's frame is only known once it is on the screen.
    editor_->show();
    const int editorWidth = editor_->frameGeometry().width();
    QRect window = parts_.window.frameGeometry();
    int x = window.left() - editorWidth;
    if (x < 0) {
        parts_.window.move(editorWidth, window.top());
        window = parts_.window.frameGeometry();
        x = 0;
    }
    // The editor's own frame counts into the height it shares with the window.
    const int editorFrameHeight = editor_->frameGeometry().height() - editor_->height();
    editor_->move(x, window.top());
    editor_->resize(editor_->width(), window.height() - editorFrameHeight);
    parts_.window.activateWindow();
}

void WindowBookmarks::ToggleEditor() {
    if (editor_) {
        ShowEditor(!editor_->isVisible());
    }
}
