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
// The icon buttons: IDR_ADD and IDR_DELETE (the bookmark editor and the
// association pages), IDR_SELECT_ALL and IDR_DESELECT_ALL (the association
// pages), and the general page's folder button.
QIcon AddIcon(const QStyle* style);
QIcon DeleteIcon(const QStyle* style);
QIcon SelectAllIcon(const QStyle* style);
QIcon DeselectAllIcon(const QStyle* style);
QIcon FolderIcon(const QStyle* style);
