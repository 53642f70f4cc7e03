#include "LanguageCatalogue.h"

#include "LanguageFolders.h"

#include <QDir>
#include <QSet>

namespace {

void DescribeLanguage(const CLanguageFile& language, LanguageChoice& choice) {
    const QString section = QStringLiteral("File");
    choice.language = language.GetText(section, QStringLiteral("Language"));
    choice.version = language.GetText(section, QStringLiteral("Version"));
    choice.creator = language.GetText(section, QStringLiteral("Creator"));
}

}  // namespace

std::vector<LanguageChoice> ListLanguages() {
    std::vector<LanguageChoice> choices;
    for (const int id : velvaro::i18n::BuiltInLanguageIds()) {
        CLanguageFile language;
        LanguageChoice choice;
        choice.source = CLanguageFile::Source::Resource;
        choice.resourceId = id;
        language.LoadResource(id);
        DescribeLanguage(language, choice);
        choices.push_back(choice);
    }
    QSet<QString> listed;
    for (const QString& folderPath : velvaro::i18n::LanguageFileFolders()) {
        const QDir folder(folderPath);
        const QStringList names =
            folder.entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& name : names) {
            if (listed.contains(name)) {
                continue;
            }
            listed.insert(name);
            CLanguageFile language;
            LanguageChoice choice;
            choice.source = CLanguageFile::Source::File;
            choice.fileName = name;
            choice.path = folder.filePath(name);
            language.LoadFile(name);
            DescribeLanguage(language, choice);
            choices.push_back(choice);
        }
    }
    return choices;
}
