// The pictures dialogs put on rows and buttons. Kept apart from the dialogs,
// whose templates name their members after the same symbols that resource.h
// defines as numbers.
#pragma once

#include <QCursor>
#include <QIcon>

class QStyle;

// The program's own icon at 32 x 32, for the about box.
QIcon ProgramIcon(const QStyle* style);
// The program's hand cursor IDC_HANDPOINT, with its hotspot on the finger's
// tip; the system's pointing hand when the picture is missing.
QCursor HandCursor();

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
