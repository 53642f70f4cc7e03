#include "LanguageFolders.h"

#include "platform/Paths.h"

#include <QDir>
#include <QtGlobal>

#include <algorithm>

namespace velvaro::i18n {
namespace {

constexpr auto kResourceFolder = ":/LNG";

QString UserLanguageFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/velvaro/");
}

}  // namespace

QStringList LanguageFileFolders() {
    return {QString::fromStdString(velvaro::platform::ProgramFolder()), UserLanguageFolder()};
}

QString LanguageResourcePath(int id) {
    return QString::fromLatin1(kResourceFolder) + u'/' + QString::number(id);
}

std::vector<int> BuiltInLanguageIds() {
    std::vector<int> ids;
    const QDir folder(QString::fromLatin1(kResourceFolder));
    for (const QString& name : folder.entryList(QDir::Files)) {
        bool isNumber = false;
        const int id = name.toInt(&isNumber);
        if (isNumber) {
            ids.push_back(id);
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace velvaro::i18n
