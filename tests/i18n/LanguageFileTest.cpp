// The language file format and both loaders, through CLanguageFile's
// public operations on real files and resources.
#include "QText.h"
#include "UserDataFolder.h"
#include "i18n/CLanguageFile.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <unistd.h>

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

TEST_F(LanguageFileTest, LookupIgnoresCaseAndTurnsEscapesIntoCharacters) {
    Load(
        "[Code]\n|ERROR2| = |Fehler|\n|ERROROPENING| = |Line 1\\nLine 2\\tend|\n"
        "[MainMenu]\n|IDM_DATEI_ÖFFNEN| = |Öffnen|\n");
    EXPECT_EQ(language_.GetText(Q("code"), Q("error2")), Q("Fehler"));
    EXPECT_EQ(language_.GetText(Q("MAINMENU"), Q("idm_datei_öffnen")), Q("Öffnen"));
    EXPECT_EQ(language_.GetText(Q("Code"), Q("ERROR")), QString());
    EXPECT_EQ(language_.GetText(Q("Missing"), Q("ERROR2")), QString());
    EXPECT_EQ(language_.GetCodeText(Q("ERROROPENING")), Q("Line 1\nLine 2\tend"));
    EXPECT_EQ(language_.GetSections().front().entries.back().value, Q("Line 1\\nLine 2\\tend"));
}

TEST_F(LanguageFileTest, LaterDefinitionsWinAndEarlierSectionsStillAnswer) {
    Load(
        "[Code]\n|A| = |first|\n|ONLYFIRST| = |kept|\n|A| = |second|\n"
        "[MainMenu]\n|A| = |menu|\n|A| = |menu again|\n"
        "[code]\n|A| = |third|\n");
    EXPECT_EQ(language_.GetCodeText(Q("A")), Q("third"));
    EXPECT_EQ(language_.GetText(Q("MainMenu"), Q("A")), Q("menu again"));
    EXPECT_EQ(language_.GetCodeText(Q("ONLYFIRST")), Q("kept"));

    std::vector<QString> order;
    language_.ForEachEntry(Q("CODE"), [&](const LanguageEntry& e) { order.push_back(e.value); });
    EXPECT_EQ(order, (std::vector<QString>{Q("third"), Q("second"), Q("kept"), Q("first")}));
}

TEST_F(LanguageFileTest, FileLoadReplacesTheLanguageAndAFailedOneKeepsIt) {
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
    Load("[Code]\n|OLD| = |old|\n");
    data_.Write("second.lng", "[Code]\n|NEW| = |new|\n");
    ASSERT_EQ(language_.LoadFile(Q("second.lng")), 0);
    EXPECT_EQ(language_.GetCodeText(Q("OLD")), QString());

    std::filesystem::create_directory(data_.LanguageFolder() / "dir.lng");
    EXPECT_EQ(language_.LoadFile(Q("missing.lng")), static_cast<std::int32_t>(0x80004005u));
    EXPECT_EQ(language_.LoadFile(Q("dir.lng")), CLanguageFile::kLoadFailed);
    // The header names this language, but no resource exists for it.
    EXPECT_EQ(language_.LoadResource(276), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.GetCodeText(Q("NEW")), Q("new"));
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
    EXPECT_EQ(language_.GetFileName(), Q("second.lng"));
}

TEST_F(LanguageFileTest, ResourceDropsEveryCarriageReturnAndAFailedLoadKeepsIt) {
    // data/line_ends.lng, built into the tests as resource 9001.
    ASSERT_EQ(language_.LoadResource(9001), 0);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::Resource);
    EXPECT_EQ(language_.GetResourceId(), 9001);
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("TestSprache"));
    EXPECT_EQ(language_.GetCodeText(Q("LAST")), Q("no line feed"));

    EXPECT_EQ(language_.LoadResource(-1), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.LoadFile(Q("missing.lng")), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetResourceId(), 9001);
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

}  // namespace
