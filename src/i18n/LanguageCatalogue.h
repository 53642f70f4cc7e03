// The languages the user can choose from: the built-in ones, then the
// language files beside the program and in the user's data folder.
#pragma once

#include "CLanguageFile.h"

#include <QString>

#include <vector>

struct LanguageChoice {
    CLanguageFile::Source source = CLanguageFile::Source::None;
    int resourceId = 0;  // built-in languages
    QString fileName;    // language files: the name LoadFile takes
    QString path;        // language files: where it was found
    // The values of the file's "File" section.
    QString language;
    QString version;
    QString creator;
};

// Built-in languages by ascending id, then the *.lng files (any case) of the
// program's folder and of the user's data folder, each by name. A file name
// found in both folders is listed once, for the folder LoadFile reads first.
std::vector<LanguageChoice> ListLanguages();
