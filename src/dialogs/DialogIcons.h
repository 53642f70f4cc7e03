// The pictures dialogs put on rows and buttons. Kept apart from the dialogs,
// whose templates name their members after the same symbols that resource.h
// defines as numbers.
#pragma once

#include <QIcon>

class QStyle;

// Each at 16 x 16; a picture of the style when the built-in one is missing.
// The language list: IDR_MAINFRAME for built-in languages, IDR_TEXTFILE for
// language files.
QIcon BuiltInLanguageIcon(const QStyle* style);
QIcon LanguageFileIcon(const QStyle* style);
// The bookmark editor's buttons: IDR_ADD and IDR_DELETE.
QIcon BookmarkAddIcon(const QStyle* style);
QIcon BookmarkDeleteIcon(const QStyle* style);
