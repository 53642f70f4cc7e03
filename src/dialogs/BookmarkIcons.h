// The pictures of the bookmark editor's add and delete buttons. Kept apart
// from the editor, whose template names its members after the same symbols
// that resource.h defines as numbers.
#pragma once

#include <QIcon>

class QStyle;

// IDR_ADD and IDR_DELETE at 16 x 16; a picture of the style when the
// built-in one is missing.
QIcon BookmarkAddIcon(const QStyle* style);
QIcon BookmarkDeleteIcon(const QStyle* style);
