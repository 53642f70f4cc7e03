// The list of languages offered to the user.
#include "UserDataFolder.h"
#include "i18n/LanguageCatalogue.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>

namespace {

using velvaro::test::UserDataFolder;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

std::vector<LanguageChoice> Files(const std::vector<LanguageChoice>& choices) {
    std::vector<LanguageChoice> files;
    std::copy_if(choices.begin(), choices.end(), std::back_inserter(files),
                 [](const LanguageChoice& c) { return c.source == CLanguageFile::Source::File; });
    return files;
}

TEST(LanguageCatalogueTest, BuiltInLanguagesComeFirstByIdWithTheirFileSection) {
    const UserDataFolder data;
    data.Write("aaa.lng", "[File]\n|Language| = |First file|\n");
    const std::vector<LanguageChoice> choices = ListLanguages();

    ASSERT_FALSE(choices.empty());
    EXPECT_EQ(choices.front().source, CLanguageFile::Source::Resource);
    const auto firstFile = std::find_if(choices.begin(), choices.end(), [](const auto& c) {
        return c.source == CLanguageFile::Source::File;
    });
    ASSERT_NE(firstFile, choices.end());
    EXPECT_TRUE(std::all_of(firstFile, choices.end(),
                            [](const auto& c) { return c.source == CLanguageFile::Source::File; }));
    EXPECT_TRUE(std::is_sorted(choices.begin(), firstFile, [](const auto& a, const auto& b) {
        return a.resourceId < b.resourceId;
    }));

    // The test's own resource 9001 stands among them with its texts.
    const auto test = std::find_if(choices.begin(), firstFile,
                                   [](const auto& c) { return c.resourceId == 9001; });
    ASSERT_NE(test, firstFile);
    EXPECT_EQ(test->language, Q("TestSprache"));
    for (auto it = choices.begin(); it != firstFile; ++it) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/LNG/") + QString::number(it->resourceId)));
    }
}

TEST(LanguageCatalogueTest, LanguageFilesAreListedByNameWithLanguageVersionAndCreator) {
    const UserDataFolder data;
    data.Write("zulu.lng",
               "[File]\n|Language| = |Zulu|\n|Version| = |1.2.0.0|\n"
               "|Creator| = |Someone|\n");
    data.Write("Alpha.LNG", "[File]\n|Language| = |Alpha|\n");
    data.Write("broken.lng", "no sections at all\n");
    data.Write("notes.txt", "[File]\n|Language| = |Not a language file|\n");

    const std::vector<LanguageChoice> files = Files(ListLanguages());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].fileName, Q("Alpha.LNG"));
    EXPECT_EQ(files[0].language, Q("Alpha"));
    EXPECT_EQ(files[1].fileName, Q("broken.lng"));
    EXPECT_EQ(files[1].language, QString());
    EXPECT_EQ(files[2].fileName, Q("zulu.lng"));
    EXPECT_EQ(files[2].language, Q("Zulu"));
    EXPECT_EQ(files[2].version, Q("1.2.0.0"));
    EXPECT_EQ(files[2].creator, Q("Someone"));
    EXPECT_EQ(files[2].path, QString::fromStdString((data.LanguageFolder() / "zulu.lng").string()));

    // What the catalogue lists, LoadFile loads.
    CLanguageFile language;
    ASSERT_EQ(language.LoadFile(files[2].fileName), 0);
    EXPECT_EQ(language.GetText(Q("file"), Q("language")), Q("Zulu"));
}

}  // namespace
