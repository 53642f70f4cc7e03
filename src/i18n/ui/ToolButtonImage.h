// The image index a toolbar button shows, kept on its action: the toolbar
// translation finds the button's tooltip by it.
#pragma once

#include <QAction>
#include <QVariant>

inline constexpr char kButtonImageProperty[] = "velvaroButtonImage";

inline void SetButtonImageIndex(QAction* button, int image) {
    button->setProperty(kButtonImageProperty, image);
}

// 0 when the button was given no image, as for a separator.
inline int ButtonImageIndex(const QAction* button) {
    return button->property(kButtonImageProperty).toInt();
}
