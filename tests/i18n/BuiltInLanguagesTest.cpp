// Every built-in language file: its sections, and that each of its keys
// names something the program has.
#include "MainMenus.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CToolButtonTable.h"

#include <gtest/gtest.h>

#include <QFile>

#include <utility>
#include <vector>

namespace {

using velvaro::test::MainMenus;

struct BuiltInLanguage {
    const char* file;
    int id;
    const char* language;
};

constexpr BuiltInLanguage kBuiltIn[] = {
    {"german", 248, "Deutsch"},        {"english", 250, "English"},   {"francais", 256, "Français"},
    {"espanol", 258, "Español"},       {"italiano", 261, "Italiano"}, {"slovak", 262, "Slovak"},
    {"galego", 263, "Galego"},         {"russian", 267, "Rusiian"},   {"magyar", 268, "Magyar"},
    {"nederlands", 280, "Nederlands"}, {"polski", 286, "Polski"},     {"ellenika", 303, "Ellenika"},
};

class BuiltInLanguageTest : public ::testing::TestWithParam<BuiltInLanguage> {
protected:
    void SetUp() override {
        const QString source =
            QStringLiteral(VELVARO_LANGUAGE_DIR "/") + Q(GetParam().file) + QStringLiteral(".lng");
        if (!QFile::exists(source)) {
            GTEST_SKIP() << "no " << GetParam().file << ".lng yet";
        }
        ASSERT_EQ(language_.LoadResource(GetParam().id), 0)
            << GetParam().file << ".lng is not built in";
    }

    CLanguageFile language_;
};

// Each section's name and number of entries.
std::vector<std::pair<QString, int>> Outline(const CLanguageFile& language) {
    std::vector<std::pair<QString, int>> outline;
    for (const LanguageSection& section : language.GetSections()) {
        outline.emplace_back(section.name, static_cast<int>(section.entries.size()));
    }
    return outline;
}

// Every language has the sections and entries of English, whose keys the
// next test checks against the program.
TEST_P(BuiltInLanguageTest, HoldsTheSectionsOfEnglishAndDescribesItself) {
    CLanguageFile english;
    ASSERT_EQ(english.LoadResource(250), 0);
    EXPECT_EQ(Outline(language_), Outline(english));
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q(GetParam().language));
    EXPECT_FALSE(language_.GetText(Q("File"), Q("Version")).isEmpty());
    EXPECT_FALSE(language_.GetText(Q("File"), Q("Creator")).isEmpty());
}

// "FastRewind" (the button is called "FastBackward") and "Vollbild" (no
// button has that image) have always been in the files and change nothing.
TEST_P(BuiltInLanguageTest, KeysNameMenuItemsControlsAndButtons) {
    const MainMenus menus;
    const CResourceSymbols& symbols = language_.GetSymbols();
    CToolButtonTable buttons;
    AddStandardToolButtons(buttons);
    for (const LanguageSection& section : language_.GetSections()) {
        for (const LanguageEntry& entry : section.entries) {
            const std::string where = (section.name + u':' + entry.key).toStdString();
            if (section.name == Q("MainMenu")) {
                EXPECT_FALSE(entry.value.isEmpty()) << where;
                const int id = symbols.GetId(entry.key);
                EXPECT_TRUE(menus.popups.Find(entry.key) ||
                            (menus.InBar(id) && menus.InContext(id)))
                    << where;
            } else if (section.name.startsWith(Q("IDD_"))) {
                EXPECT_NE(symbols.GetId(section.name), -1) << where;
                EXPECT_TRUE(entry.key == Q("ID_CAPTION") || symbols.GetId(entry.key) != -1)
                    << where;
            } else if (section.name == Q("ToolBar")) {
                EXPECT_TRUE(entry.key == Q("FastRewind") || entry.key == Q("Vollbild") ||
                            !buttons.GetTooltip(entry.key).isEmpty())
                    << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, BuiltInLanguageTest, ::testing::ValuesIn(kBuiltIn),
                         [](const auto& info) { return std::string(info.param.file); });

}  // namespace
