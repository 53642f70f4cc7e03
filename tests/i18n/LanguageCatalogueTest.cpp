// The list of languages offered to the user.
#include "QText.h"
#include "UserDataFolder.h"
#include "i18n/LanguageCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(LanguageCatalogueTest, BuiltInLanguagesByIdThenLanguageFilesByName) {
    const velvaro::test::UserDataFolder data;
    data.Write("zulu.lng",
               "[File]\n|Language| = |Zulu|\n|Version| = |1.2.0.0|\n"
               "|Creator| = |Someone|\n");
    data.Write("Alpha.LNG", "[File]\n|Language| = |Alpha|\n");
    data.Write("broken.lng", "no sections at all\n");
    data.Write("notes.txt", "[File]\n|Language| = |Not a language file|\n");
    const std::vector<LanguageChoice> choices = ListLanguages();

    const auto files = std::find_if(choices.begin(), choices.end(), [](const auto& c) {
        return c.source == CLanguageFile::Source::File;
    });
    EXPECT_TRUE(std::all_of(choices.begin(), files, [](const auto& c) {
        return c.source == CLanguageFile::Source::Resource;
    }));
    EXPECT_TRUE(std::is_sorted(choices.begin(), files, [](const auto& a, const auto& b) {
        return a.resourceId < b.resourceId;
    }));
    // The test's own resource 9001 is among the built-in ones.
    const auto test =
        std::find_if(choices.begin(), files, [](const auto& c) { return c.resourceId == 9001; });
    ASSERT_NE(test, files);
    EXPECT_EQ(test->language, Q("TestSprache"));

    ASSERT_EQ(choices.end() - files, 3);
    EXPECT_EQ(files[0].fileName, Q("Alpha.LNG"));
    EXPECT_EQ(files[0].language, Q("Alpha"));
    EXPECT_EQ(files[1].fileName, Q("broken.lng"));
    EXPECT_EQ(files[1].language, QString());
    EXPECT_EQ(files[2].language, Q("Zulu"));
    EXPECT_EQ(files[2].version, Q("1.2.0.0"));
    EXPECT_EQ(files[2].creator, Q("Someone"));
    EXPECT_EQ(files[2].path, QString::fromStdString((data.LanguageFolder() / "zulu.lng").string()));
}

}  // namespace
