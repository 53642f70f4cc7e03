// A language loaded from text written for the test, through LoadFile.
#pragma once

#include "QText.h"
#include "UserDataFolder.h"
#include "i18n/CLanguageFile.h"

#include <gtest/gtest.h>

#include <string>

namespace velvaro::test {

inline CLanguageFile LanguageFromText(const std::string& text,
                                      CLanguageFile language = CLanguageFile()) {
    const UserDataFolder data;
    data.Write("from-text.lng", text);
    EXPECT_EQ(language.LoadFile(QStringLiteral("from-text.lng")), 0);
    return language;
}

}  // namespace velvaro::test
