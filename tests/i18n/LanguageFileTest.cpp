// The language file format and both loaders, through CLanguageFile's
// public operations on real files and resources; the list of languages
// offered to the user; the symbol table, and what it finds in ours.
#include "QText.h"
#include "UserDataFolder.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CResourceSymbols.h"
#include "i18n/LanguageCatalogue.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

class LanguageFileTest : public ::testing::Test {
protected:
    // Loads the text as a language file of the user's data folder.
    void Load(const std::string& text) {
        data_.Write("test.lng", text);
        ASSERT_EQ(language_.LoadFile(QStringLiteral("test.lng")), 0);
    }

    // Each section's name and its entries as stored, in reading order.
    QStringList Sections() const {
        QStringList sections;
        for (const LanguageSection& section : language_.GetSections()) {
            sections.append(u'[' + section.name + u']');
            for (const LanguageEntry& e : section.entries) {
                sections.append(e.key + u'=' + e.value);
            }
        }
        return sections;
    }

    velvaro::test::UserDataFolder data_;
    CLanguageFile language_;
};

TEST_F(LanguageFileTest, SectionsCommentsStrayLinesAndEntriesCutAtTheBars) {
    Load(
        "|Early| = |ignored|\n"
        "Language file of a test\n"
        "   [File]   \n"
        "\t# |Commented| = |out|\n"
        "\n   \t\n"
        "  |Language| = |Deutsch|  \n"
        "[S]\n|Key| = |Value|\n|Pipe|=|a|b|\n|Empty| = ||\n|Alone|\n|Open| = |\n| a | = | b |\n"
        "<Angle| ignored |Bracket>\n«Guillemet| = |Wert»\n🎬Film| = |Kino🎬\n"
        "[Code\n|ERROR2| = |Fehler|\n[]\n[\n[Film🎬\n");
    EXPECT_EQ(Sections(), (QStringList{Q("[File]"), Q("Language=Deutsch"), Q("[S]"), Q("Key=Value"),
                                       Q("Pipe=a|b"), Q("Empty="), Q(" a = b "), Q("Angle=Bracket"),
                                       Q("Guillemet=Wert"), Q("Film=Kino"), Q("[Cod]"),
                                       Q("ERROR2=Fehler"), Q("[]"), Q("[]"), Q("[Film]")}));
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), QString());
}

// Later definitions win, also from a later section of the same name, and
// entries are walked from the most recently read backwards, as stored.
TEST_F(LanguageFileTest, LookupIgnoresCaseTurnsEscapesIntoCharactersAndTheLastDefinitionWins) {
    Load(
        "[Code]\n|ERROR2| = |Fehler|\n|ERROROPENING| = |Line 1\\nLine 2\\tend|\n|A| = |first|\n"
        "|ONLYFIRST| = |kept|\n|A| = |second|\n"
        "[MainMenu]\n|IDM_DATEI_ÖFFNEN| = |Öffnen|\n|A| = |menu|\n|A| = |menu again|\n"
        "[code]\n|A| = |third|\n");
    EXPECT_EQ(language_.GetText(Q("code"), Q("error2")), Q("Fehler"));
    EXPECT_EQ(language_.GetText(Q("MAINMENU"), Q("idm_datei_öffnen")), Q("Öffnen"));
    EXPECT_EQ(language_.GetText(Q("Code"), Q("ERROR")), QString());
    EXPECT_EQ(language_.GetText(Q("Missing"), Q("ERROR2")), QString());
    EXPECT_EQ(language_.GetCodeText(Q("ERROROPENING")), Q("Line 1\nLine 2\tend"));
    EXPECT_EQ(language_.GetCodeText(Q("A")), Q("third"));
    EXPECT_EQ(language_.GetText(Q("MainMenu"), Q("A")), Q("menu again"));
    EXPECT_EQ(language_.GetCodeText(Q("ONLYFIRST")), Q("kept"));

    std::vector<QString> order;
    language_.ForEachEntry(Q("CODE"), [&](const LanguageEntry& e) { order.push_back(e.value); });
    EXPECT_EQ(order, (std::vector<QString>{Q("third"), Q("second"), Q("kept"), Q("first"),
                                           Q("Line 1\\nLine 2\\tend"), Q("Fehler")}));
}

// data/line_ends.lng, built into the tests as resource 9001, has every kind
// of line end.
TEST_F(LanguageFileTest, ResourceDropsEveryCarriageReturnAndOnlyASuccessfulLoadReplacesIt) {
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
    ASSERT_EQ(language_.LoadResource(9001), 0);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::Resource);
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("TestSprache"));
    EXPECT_EQ(language_.GetCodeText(Q("LAST")), Q("no line feed"));

    std::filesystem::create_directory(data_.LanguageFolder() / "dir.lng");
    // The header names language 276, but no resource exists for it.
    EXPECT_EQ((std::vector{language_.LoadResource(-1), language_.LoadResource(276),
                           language_.LoadFile(Q("missing.lng")), language_.LoadFile(Q("dir.lng"))}),
              std::vector(4, CLanguageFile::kLoadFailed));
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetResourceId(), 9001);

    Load("[Code]\n|NEW| = |new|\n");
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), QString());
    EXPECT_EQ(std::pair(language_.GetSource(), language_.GetFileName()),
              std::pair(CLanguageFile::Source::File, Q("test.lng")));
}

TEST_F(LanguageFileTest, FileKeepsACarriageReturnInsideALineAndReadsOtherThanUtf8As1252) {
    Load("[File]\r\n|Language| = |Test\rSprache|\r\n[Code]\n|LAST| = |end|");
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("Test\rSprache"));
    EXPECT_EQ(language_.GetCodeText(Q("LAST")), Q("end"));
    // Not UTF-8: read as Windows-1252.
    Load(
        "[Code]\n|SIZE| = |Gr\xF6\xDF"
        "e \x80 \x93x\x94|\n");
    EXPECT_EQ(language_.GetCodeText(Q("SIZE")), Q("Größe € “x”"));
    Load("\xEF\xBB\xBF[Code]\n|SIZE| = |Größe €|\n");
    EXPECT_EQ(language_.GetCodeText(Q("SIZE")), Q("Größe €"));
}

TEST_F(LanguageFileTest, ProgramFolderComesBeforeTheUserDataFolder) {
    const std::string name = "velvaro-test-" + std::to_string(::getpid()) + ".lng";
    const std::filesystem::path besideProgram =
        std::filesystem::path(velvaro::platform::ProgramFolder()) / name;
    data_.Write(name, "[Code]\n|WHERE| = |user data|\n");
    ASSERT_EQ(language_.LoadFile(QString::fromStdString(name)), 0);
    EXPECT_EQ(language_.GetCodeText(Q("WHERE")), Q("user data"));

    std::ofstream(besideProgram, std::ios::binary) << "[Code]\n|WHERE| = |program|\n";
    const int result = language_.LoadFile(QString::fromStdString(name));
    std::filesystem::remove(besideProgram);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(language_.GetCodeText(Q("WHERE")), Q("program"));
}

// Built-in languages by id, then the user's language files by name, damaged
// ones too; other files are not offered.
TEST_F(LanguageFileTest, CatalogueListsBuiltInLanguagesByIdThenLanguageFilesByName) {
    data_.Write("zulu.lng",
                "[File]\n|Language| = |Zulu|\n|Version| = |1.2.0.0|\n|Creator| = |Someone|\n");
    data_.Write("Alpha.LNG", "[File]\n|Language| = |Alpha|\n");
    data_.Write("broken.lng", "no sections at all\n");
    data_.Write("notes.txt", "[File]\n|Language| = |Not a language file|\n");
    std::vector<std::pair<int, QString>> builtIn;
    std::vector<QStringList> files;
    for (const LanguageChoice& c : ListLanguages()) {
        if (c.source == CLanguageFile::Source::Resource) {
            EXPECT_TRUE(files.empty()) << "built in, after the files: " << c.resourceId;
            builtIn.emplace_back(c.resourceId, c.language);
        } else {
            files.push_back({c.fileName, c.language, c.version, c.creator, c.path});
        }
    }
    EXPECT_TRUE(std::is_sorted(builtIn.begin(), builtIn.end()));
    // The test's own resource is among the built-in ones.
    EXPECT_NE(std::find(builtIn.begin(), builtIn.end(), std::pair(9001, Q("TestSprache"))),
              builtIn.end());
    const auto path = [&](const char* name) {
        return QString::fromStdString((data_.LanguageFolder() / name).string());
    };
    EXPECT_EQ(files,
              (std::vector<QStringList>{
                  {Q("Alpha.LNG"), Q("Alpha"), {}, {}, path("Alpha.LNG")},
                  {Q("broken.lng"), {}, {}, {}, path("broken.lng")},
                  {Q("zulu.lng"), Q("Zulu"), Q("1.2.0.0"), Q("Someone"), path("zulu.lng")}}));
}

TEST(ResourceSymbolsTest, ReadsDefinesWhereverTheyStandAndTheLastDefinitionWins) {
    const CResourceSymbols symbols(
        QByteArrayLiteral("// comment line\n"
                          "#define IDD_BOOKMARK                    288\r\n"
                          "   #define   IDC_SPACED   \t  1013   \n"
                          "#ifdef X // #define IDC_IN_COMMENT 77\n"
                          "#define IDC_TWO_VALUES 5 6\n"
                          "#define IDC_WORD value\n"
                          "#undef IDC_GONE 9\n"
                          "#  define IDC_SPLIT 10\n"
                          "#define SHARED_FIRST 7\n#define NAME 1\n#define SHARED_LAST 7\n"
                          "#define name 2\n"
                          "#define IDC_LAST 2"));
    // The last line, without a line feed, is not read.
    const std::pair<const char*, int> ids[] = {
        {"IDD_BOOKMARK", 288}, {"IDC_SPACED", 1013}, {"IDC_IN_COMMENT", 77}, {"IDC_TWO_VALUES", 6},
        {"IDC_WORD", 0},       {"IDC_GONE", -1},     {"IDC_SPLIT", -1},      {"SHARED_FIRST", 7},
        {"Name", 2},           {"IDC_LAST", -1}};
    for (const auto& [name, id] : ids) {
        EXPECT_EQ(symbols.GetId(Q(name)), id) << name;
    }
    EXPECT_EQ(symbols.GetName(7), Q("SHARED_LAST"));
    EXPECT_EQ(symbols.GetName(3), QString());
    EXPECT_EQ(CResourceSymbols(QByteArray()).GetId(Q("NAME")), -1);
}

// Translation goes from a control's name to its number and back, so two
// names on one number would lose the earlier one's texts; and menu items
// with numbers of the run-time ranges would be taken for history, filter,
// stream or drive entries.
TEST(ProgramSymbolsTest, EveryNumberNamesOneSymbolOutsideTheRunTimeRanges) {
    std::map<int, QStringList> names;
    for (const auto& [name, id] : velvaro::test::HeaderDefines()) {
        names[id].append(name);
    }
    EXPECT_GT(names.size(), 200u);
    for (const auto& [id, symbols] : names) {
        const std::string list = symbols.join(u' ').toStdString();
        if (id == 115) {
            EXPECT_EQ(symbols, (QStringList{Q("ID_Playlist"), Q("ID_Update_Timer")}));
            continue;
        }
        EXPECT_EQ(symbols.size(), 1) << list;
        EXPECT_TRUE(id == 61999 || id < 58000 || id > 64999) << list;
    }
}

}  // namespace
