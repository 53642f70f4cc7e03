// Texts of the tests: QStrings from UTF-8, languages from text, and the
// symbols of the program's resource header.
#pragma once

#include "UserDataFolder.h"
#include "i18n/CLanguageFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>

#include <string>
#include <utility>
#include <vector>

inline QString Q(const char* text) {
    return QString::fromUtf8(text);
}

namespace velvaro::test {

// A language loaded from text written for the test, through LoadFile.
inline CLanguageFile LanguageFromText(const std::string& text,
                                      CLanguageFile language = CLanguageFile()) {
    const UserDataFolder data;
    data.Write("from-text.lng", text);
    EXPECT_EQ(language.LoadFile(QStringLiteral("from-text.lng")), 0);
    return language;
}

// Every "#define NAME number" of the resource header, in its order.
inline std::vector<std::pair<QString, int>> HeaderDefines() {
    QFile header(QStringLiteral(":/TEXT/240"));
    EXPECT_TRUE(header.open(QIODevice::ReadOnly));
    std::vector<std::pair<QString, int>> defines;
    for (const QByteArray& line : header.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() == 3 && words[0] == "#define") {
            defines.emplace_back(QString::fromLatin1(words[1]), words[2].toInt());
        }
    }
    return defines;
}

}  // namespace velvaro::test
