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

    std::vector<QStringList> found;
    for (auto c = files; c != choices.end(); ++c) {
        found.push_back({c->fileName, c->language, c->version, c->creator});
    }
    EXPECT_EQ(found,
              (std::vector<QStringList>{{Q("Alpha.LNG"), Q("Alpha"), {}, {}},
                                        {Q("broken.lng"), {}, {}, {}},
                                        {Q("zulu.lng"), Q("Zulu"), Q("1.2.0.0"), Q("Someone")}}));
    EXPECT_EQ(choices.back().path,
              QString::fromStdString((data.LanguageFolder() / "zulu.lng").string()));
}

}  // namespace
