#include "ui/PlayerClientArea.h"

#include "engine/CFilePlayer.h"
#include "resource.h"
#include "ui/CPlayerDlg.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

PlayerClientArea::PlayerClientArea(CPlayerDlg* window) : QWidget(window), window_(window) {
    setObjectName(QStringLiteral("ClientArea"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PlayerClientArea::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type()) {
        return QCoreApplication::sendEvent(window_, event);
    }
    return QWidget::event(event);
}

void PlayerClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    window_->OnPaint(painter);
}

void PlayerClientArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
    } else if (event->button() == Qt::MiddleButton) {
        SendMessage(window_, WM_MBUTTONDOWN, 0, 0);
    } else if (event->button() == Qt::BackButton) {
        SendMessage(window_, WM_PARENTNOTIFY, kExtraButton1Down, 0);
    } else if (event->button() == Qt::ForwardButton) {
        SendMessage(window_, WM_PARENTNOTIFY, kExtraButton2Down, 0);
    }
    QWidget::mousePressEvent(event);
}

// A click on the empty window opens a file; on a video it switches
// fullscreen; on a picture-less medium it does nothing.
void PlayerClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && leftPressed_) {
        leftPressed_ = false;
        if (!window_->Player()) {
            window_->OnFileOpen();
        } else if (window_->Player()->HasVideo() == S_OK) {
            SendMessage(window_, WM_COMMAND, IDM_ANSICHT_VOLLBILD, 0);
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void PlayerClientArea::contextMenuEvent(QContextMenuEvent* event) {
    if (QMenu* menu = window_->ContextMenu()) {
        menu->exec(event->globalPos() - QPoint(8, 8));
    }
}
