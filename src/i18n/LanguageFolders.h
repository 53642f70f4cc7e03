// Where language files are found: the built-in ones in the Qt resources, the
// others in the program's folder and in the user's data folder.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace velvaro::i18n {

// The program's folder, then $XDG_DATA_HOME/velvaro/ (default
// ~/.local/share/velvaro/); each ends with '/'.
QStringList LanguageFileFolders();

// The Qt resource path of the built-in language with that id.
QString LanguageResourcePath(int id);

// Ids of the built-in languages, ascending.
std::vector<int> BuiltInLanguageIds();

}  // namespace velvaro::i18n
