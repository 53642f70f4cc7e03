// The row pictures of the language list. Kept apart from the page, whose
// template names its members after the same symbols that resource.h defines
// as numbers.
#pragma once

#include <QIcon>

class QStyle;

// IDR_MAINFRAME for built-in languages, IDR_TEXTFILE for language files, at
// 16 x 16; a picture of the style when the built-in one is missing.
QIcon BuiltInLanguageIcon(const QStyle* style);
QIcon LanguageFileIcon(const QStyle* style);
