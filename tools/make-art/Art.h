// The pictures make-art draws, each into a fresh image.
#pragma once

#include <QImage>

namespace velvaro::make_art {

// Toolbar image `index` (0..33) on a transparent 16 x 16 image. The hover look
// is the same glyph in lighter colours on a light rounded backdrop.
QImage ToolbarGlyph(int index, bool hover);
// All 34 images laid onto opaque magenta, ready to be saved as a 24-bit bitmap.
QImage ToolbarStrip(bool hover);

QImage Splash();
QImage AppIcon(int size);
QImage TextFileIcon();
QImage DeleteIcon();
QImage AddIcon();
QImage SelectAllIcon();
QImage DeselectAllIcon();
QImage HandCursor();

}  // namespace velvaro::make_art
