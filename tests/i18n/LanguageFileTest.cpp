// The language file format and both loaders, through CLanguageFile's
// public operations on real files and resources.
#include "UserDataFolder.h"
#include "i18n/CLanguageFile.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QString>

#include <unistd.h>

#include <filesystem>
#include <utility>
#include <vector>

namespace {

using velvaro::test::UserDataFolder;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

// The entries of the first section of that name, as stored.
std::vector<std::pair<QString, QString>> Entries(const CLanguageFile& language,
                                                 const char* section) {
    std::vector<std::pair<QString, QString>> entries;
    for (const LanguageSection& s : language.GetSections()) {
        if (s.name == Q(section)) {
            for (const LanguageEntry& e : s.entries) {
                entries.emplace_back(e.key, e.value);
            }
            break;
        }
    }
    return entries;
}

std::vector<QString> SectionNames(const CLanguageFile& language) {
    std::vector<QString> names;
    for (const LanguageSection& section : language.GetSections()) {
        names.push_back(section.name);
    }
    return names;
}

class LanguageFileTest : public ::testing::Test {
protected:
    // Loads the text as a language file of the user's data folder.
    CLanguageFile& Load(const std::string& text) {
        data_.Write("test.lng", text);
        EXPECT_EQ(language_.LoadFile(QStringLiteral("test.lng")), 0);
        return language_;
    }

    UserDataFolder data_;
    CLanguageFile language_;
};

using Pair = std::pair<QString, QString>;

TEST_F(LanguageFileTest, EntryLinesAreCutAtTheBars) {
    Load(
        "[S]\n"
        "|Key| = |Value|\n"
        "|Pipe|=|a|b|\n"
        "|Empty| = ||\n"
        "|Alone|\n"
        "|Open| = |\n"
        "| a | = | b |\n"
        "<Angle| ignored |Bracket>\n"
        "«Guillemet| = |Wert»\n"
        "🎬Film| = |Kino🎬\n");
    EXPECT_EQ(Entries(language_, "S"), (std::vector<Pair>{{Q("Key"), Q("Value")},
                                                          {Q("Pipe"), Q("a|b")},
                                                          {Q("Empty"), Q("")},
                                                          {Q(" a "), Q(" b ")},
                                                          {Q("Angle"), Q("Bracket")},
                                                          {Q("Guillemet"), Q("Wert")},
                                                          {Q("Film"), Q("Kino")}}));
}

TEST_F(LanguageFileTest, SectionNameDropsFirstAndLastCharacterWhateverTheyAre) {
    Load("[Code\n|ERROR2| = |Fehler|\n[MainMenu]\n[]\n[\n[Film🎬\n");
    EXPECT_EQ(SectionNames(language_),
              (std::vector<QString>{Q("Cod"), Q("MainMenu"), Q(""), Q(""), Q("Film")}));
    EXPECT_EQ(language_.GetText(Q("Cod"), Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), QString());
}

TEST_F(LanguageFileTest, CommentsBlankLinesAndLinesBeforeTheFirstSectionAreIgnored) {
    Load(
        "|Early| = |ignored|\n"
        "Language file of a test\n"
        "   [File]   \n"
        "\t# |Commented| = |out|\n"
        "\n"
        "   \t\n"
        "  |Language| = |Deutsch|  \n");
    EXPECT_EQ(SectionNames(language_), std::vector<QString>{Q("File")});
    EXPECT_EQ(Entries(language_, "File"), (std::vector<Pair>{{Q("Language"), Q("Deutsch")}}));
}

TEST_F(LanguageFileTest, LookupIgnoresCaseOfSectionAndKey) {
    Load("[Code]\n|ERROR2| = |Fehler|\n[MainMenu]\n|IDM_DATEI_ÖFFNEN| = |Öffnen|\n");
    EXPECT_EQ(language_.GetText(Q("code"), Q("error2")), Q("Fehler"));
    EXPECT_EQ(language_.GetCodeText(Q("Error2")), Q("Fehler"));
    EXPECT_EQ(language_.GetText(Q("MAINMENU"), Q("idm_datei_öffnen")), Q("Öffnen"));
    EXPECT_EQ(language_.GetText(Q("Code"), Q("ERROR")), QString());
    EXPECT_EQ(language_.GetText(Q("Missing"), Q("ERROR2")), QString());
}

TEST_F(LanguageFileTest, EscapesBecomeTabAndLineBreakOnlyWhenLookedUp) {
    Load("[Code]\n|ERROROPENING| = |Line 1\\nLine 2\\tend|\n");
    EXPECT_EQ(language_.GetCodeText(Q("ERROROPENING")), Q("Line 1\nLine 2\tend"));
    EXPECT_EQ(Entries(language_, "Code").front().second, Q("Line 1\\nLine 2\\tend"));
}

TEST_F(LanguageFileTest, LaterDefinitionsWinAndEarlierSectionsStillAnswer) {
    Load(
        "[Code]\n|A| = |first|\n|ONLYFIRST| = |kept|\n|A| = |second|\n"
        "[MainMenu]\n|A| = |menu|\n"
        "[code]\n|A| = |third|\n");
    EXPECT_EQ(language_.GetCodeText(Q("A")), Q("third"));
    EXPECT_EQ(language_.GetCodeText(Q("ONLYFIRST")), Q("kept"));

    std::vector<QString> order;
    language_.ForEachEntry(Q("CODE"), [&](const LanguageEntry& e) { order.push_back(e.value); });
    EXPECT_EQ(order, (std::vector<QString>{Q("third"), Q("second"), Q("kept"), Q("first")}));
}

TEST_F(LanguageFileTest, FileLoadRecordsItsSourceAndReplacesEverySection) {
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
    Load("[Code]\n|OLD| = |old|\n");
    data_.Write("second.lng", "[Code]\n|NEW| = |new|\n");
    ASSERT_EQ(language_.LoadFile(Q("second.lng")), 0);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
    EXPECT_EQ(language_.GetFileName(), Q("second.lng"));
    EXPECT_EQ(language_.GetCodeText(Q("NEW")), Q("new"));
    EXPECT_EQ(language_.GetCodeText(Q("OLD")), QString());
}

TEST_F(LanguageFileTest, MissingFileOrFolderKeepsTheCurrentLanguage) {
    Load("[Code]\n|ERROR2| = |Fehler|\n");
    std::filesystem::create_directory(data_.LanguageFolder() / "dir.lng");
    EXPECT_EQ(language_.LoadFile(Q("missing.lng")), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.LoadFile(Q("dir.lng")), CLanguageFile::kLoadFailed);
    EXPECT_EQ(CLanguageFile::kLoadFailed, static_cast<std::int32_t>(0x80004005u));
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
    EXPECT_EQ(language_.GetFileName(), Q("test.lng"));
}

TEST_F(LanguageFileTest, UnknownResourceKeepsTheCurrentLanguage) {
    Load("[Code]\n|ERROR2| = |Fehler|\n");
    // The header names this language, but no resource exists for it.
    EXPECT_EQ(language_.LoadResource(276), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.LoadResource(-1), CLanguageFile::kLoadFailed);
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
}

TEST_F(LanguageFileTest, ResourceDropsEveryCarriageReturnAndReadsTheLastLine) {
    // data/line_ends.lng, built into the tests as resource 9001.
    ASSERT_EQ(language_.LoadResource(9001), 0);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::Resource);
    EXPECT_EQ(language_.GetResourceId(), 9001);
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("TestSprache"));
    EXPECT_EQ(language_.GetCodeText(Q("ERROR2")), Q("Fehler"));
    EXPECT_EQ(language_.GetCodeText(Q("LAST")), Q("no line feed"));
}

TEST_F(LanguageFileTest, FileKeepsACarriageReturnInsideALine) {
    data_.Write("ends.lng", "[File]\r\n|Language| = |Test\rSprache|\r\n[Code]\n|LAST| = |end|");
    ASSERT_EQ(language_.LoadFile(Q("ends.lng")), 0);
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("Test\rSprache"));
    EXPECT_EQ(language_.GetCodeText(Q("LAST")), Q("end"));
}

TEST_F(LanguageFileTest, FileThatIsNotUtf8IsReadAsWindows1252) {
    Load(
        "[Code]\n|SIZE| = |Gr\xF6\xDF"
        "e \x80 \x93x\x94|\n");
    EXPECT_EQ(language_.GetCodeText(Q("SIZE")), Q("Größe € “x”"));
    Load("[Code]\n|SIZE| = |Größe €|\n");
    EXPECT_EQ(language_.GetCodeText(Q("SIZE")), Q("Größe €"));
}

TEST_F(LanguageFileTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    Load("\xEF\xBB\xBF[File]\n|Language| = |English|\n");
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q("English"));
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
