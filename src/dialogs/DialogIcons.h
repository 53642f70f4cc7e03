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
// The bookmark editor's buttons: IDR_ADD and IDR_DELETE.
QIcon BookmarkAddIcon(const QStyle* style);
QIcon BookmarkDeleteIcon(const QStyle* style);
