// What a person sees on the virtual display: the root window's picture and
// the share of its pixels that look a certain way.
#pragma once

#include "RunProgram.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <filesystem>

namespace velvaro::test {

inline QImage ScreenShot(const std::string& display, const std::filesystem::path& file) {
    RunProgram("/usr/bin/import", {"-window", "root", file.string()}, {{"DISPLAY", display}});
    return QImage(QString::fromStdString(file.string()));
}

// Pixels of `screen` inside `area` that pass `test`, in per mille.
inline int Share(const QImage& screen, QRect area, bool (*test)(QColor)) {
    area &= screen.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test(screen.pixelColor(x, y));
        }
    }
    return area.isEmpty() ? 0 : count * 1000 / (area.width() * area.height());
}

// The smallest rectangle holding every row with at least `run` pixels that
// pass `test`; icons and text have shorter rows.
inline QRect Bounds(const QImage& screen, bool (*test)(QColor), int run = 100) {
    QRect bounds;
    for (int y = 0; y < screen.height(); ++y) {
        int left = screen.width(), right = -1, count = 0;
        for (int x = 0; x < screen.width(); ++x) {
            if (test(screen.pixelColor(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                ++count;
            }
        }
        if (count >= run) {
            bounds |= QRect(left, y, right - left + 1, 1);
        }
    }
    return bounds;
}

inline bool Yellow(QColor c) {
    return c.red() > 200 && c.green() > 200 && c.blue() < 90;
}

}  // namespace velvaro::test
