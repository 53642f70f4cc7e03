// The symbol table: how it reads a header, and what it finds in ours.
#include "i18n/CResourceSymbols.h"

#include <gtest/gtest.h>

#include <QFile>

#include <map>

namespace {

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

TEST(ResourceSymbolsTest, ReadsDefinesWhereverTheyStandAndTakesTheLastNumber) {
    const CResourceSymbols symbols(
        QByteArrayLiteral("// comment line\n"
                          "#define IDD_BOOKMARK                    288\r\n"
                          "   #define   IDC_SPACED   \t  1013   \n"
                          "#ifdef X // #define IDC_IN_COMMENT 77\n"
                          "#define IDC_TWO_VALUES 5 6\n"
                          "#define IDC_NOVALUE\n"
                          "#define IDC_WORD value\n"
                          "#undef IDC_GONE 9\n"
                          "#  define IDC_SPLIT 10\n"));
    EXPECT_EQ(symbols.GetId(Q("IDD_BOOKMARK")), 288);
    EXPECT_EQ(symbols.GetId(Q("IDC_SPACED")), 1013);
    EXPECT_EQ(symbols.GetId(Q("IDC_IN_COMMENT")), 77);
    EXPECT_EQ(symbols.GetId(Q("IDC_TWO_VALUES")), 6);
    EXPECT_EQ(symbols.GetId(Q("IDC_NOVALUE")), 0);
    EXPECT_EQ(symbols.GetId(Q("IDC_WORD")), 0);
    EXPECT_EQ(symbols.GetId(Q("IDC_GONE")), -1);
    EXPECT_EQ(symbols.GetId(Q("IDC_SPLIT")), -1);
    EXPECT_EQ(symbols.GetCount(), 6);
}

TEST(ResourceSymbolsTest, LastLineWithoutLineFeedIsNotRead) {
    const CResourceSymbols symbols(QByteArrayLiteral("#define A 1\n#define B 2"));
    EXPECT_EQ(symbols.GetId(Q("A")), 1);
    EXPECT_EQ(symbols.GetId(Q("B")), -1);
}

TEST(ResourceSymbolsTest, LaterDefinitionWinsByNameAndById) {
    const CResourceSymbols symbols(
        QByteArrayLiteral("#define SHARED_FIRST 7\n#define NAME 1\n#define SHARED_LAST 7\n"
                          "#define name 2\n"));
    EXPECT_EQ(symbols.GetName(7), Q("SHARED_LAST"));
    EXPECT_EQ(symbols.GetId(Q("SHARED_FIRST")), 7);
    EXPECT_EQ(symbols.GetId(Q("Name")), 2);
    EXPECT_EQ(symbols.GetName(3), QString());
    EXPECT_EQ(symbols.GetId(Q("")), -1);
}

TEST(ResourceSymbolsTest, EmptyHeaderGivesAnEmptyTable) {
    const CResourceSymbols symbols(QByteArray{});
    EXPECT_EQ(symbols.GetCount(), 0);
    EXPECT_EQ(symbols.GetId(Q("IDD_BOOKMARK")), -1);
    EXPECT_EQ(symbols.GetName(288), QString());
}

// The program's own header, carried as resource 240.

TEST(ProgramSymbolsTest, SharedTimerIdIsNamedAfterTheLaterDefinition) {
    const CResourceSymbols symbols;
    EXPECT_EQ(symbols.GetName(115), Q("ID_Update_Timer"));
    EXPECT_EQ(symbols.GetId(Q("ID_Playlist")), 115);
    EXPECT_EQ(symbols.GetId(Q("idd_bookmark")), 288);
    EXPECT_EQ(symbols.GetId(Q("IDC_X")), -1);
}

TEST(ProgramSymbolsTest, NumbersFixedForTheProgramAreKept) {
    const CResourceSymbols symbols;
    const std::map<const char*, int> fixed = {
        {"ID_Clock_Timer", 104},
        {"ID_Shutdown_Timer", 114},
        {"ID_MouseMove_Timer", 143},
        {"IDC_HANDPOINT", 162},
        {"IDB_TOOLBARNORMAL", 220},
        {"IDB_TOOLBARHOVER", 222},
        {"IDB_TOOLBARGRAYED", 224},
        {"IDR_DELETE", 283},
        {"IDR_ADD", 284},
        {"IDR_LNG_GERMAN", 248},
        {"IDR_LNG_ENGLISH", 250},
        {"IDR_LNG_FRANCAIS", 256},
        {"IDR_LNG_ESPANOL", 258},
        {"IDR_LNG_ITALIANO", 261},
        {"IDR_LNG_SLOVAK", 262},
        {"IDR_LNG_GALEGO", 263},
        {"IDR_LNG_RUSSIAN", 267},
        {"IDR_LNG_MAGYAR", 268},
        {"IDR_LNG_HESSISCH", 276},
        {"IDR_LNG_BAYERISCH", 277},
        {"IDR_LNG_NEDERLANDS", 280},
        {"IDR_LNG_POLSKI", 286},
        {"IDR_LNG_ELLENIKA", 303},
        {"IDTBB_PLAY", 2115},
        {"IDTBB_PAUSE", 2116},
        {"IDTBB_SEP", 2117},
        {"IDTBB_OPEN", 2119},
        {"IDTBB_PREVTRACKCHAPTER", 2120},
        {"IDTBB_STOP", 2121},
        {"IDTBB_RESUME", 2122},
        {"IDTBB_LOOP", 2125},
        {"IDTBB_JUMPLASTPOSITION", 2126},
        {"IDTBB_NEXTTRACKCHAPTER", 2127},
        {"IDTBB_MUTE", 2128},
        {"IDTBB_SHUTDOWN", 2129},
        {"IDTBB_ONTOP", 2130},
        {"IDTBB_CLIPPING", 2134},
        {"IDTBB_SCREENSHOT", 2136},
        {"IDTBB_QUIT", 2140},
        {"IDTBB_FASTBACKWARD", 2141},
        {"IDTBB_FASTFORWARD", 2142},
        {"IDTBB_ROOTMENU", 2143},
        {"IDM_PLAYLIST_OEFFNEN", 40028},
        {"IDM_PLAYLIST_NEU", 40030},
        {"IDM_PLAYLIST_BEARBEITEN", 40031},
        {"IDM_PLAYLIST_SPEICHERN", 40032},
        {"IDM_PLAYLIST_ERSTERTITEL", 40033},
        {"IDM_PLAYLIST_NAECHSTERTITEL", 40034},
        {"IDM_PLAYLIST_LETZTERTITEL", 40035},
        {"IDM_PLAYLIST_SPEICHERNUNTER", 40040},
        {"IDM_PLAYLIST_VORHERIGERTITEL", 40041},
        {"IDM_HILFE_UPDATE", 40055},
        {"IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF", 61999},
        {"IDR_RESOURCE_HEADER", 240},
    };
    for (const auto& [name, id] : fixed) {
        EXPECT_EQ(symbols.GetId(Q(name)), id) << name;
    }
}

// Translation goes from a control's name to its number and back, so two
// names on one number would lose the earlier one's texts; and menu items
// with numbers of the run-time ranges would be taken for history, filter,
// stream or drive entries.
TEST(ProgramSymbolsTest, EveryNumberNamesOneSymbolOutsideTheRunTimeRanges) {
    QFile header(QStringLiteral(":/TEXT/240"));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    std::map<int, QStringList> names;
    for (const QByteArray& line : header.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() == 3 && words[0] == "#define") {
            names[words[2].toInt()].append(QString::fromLatin1(words[1]));
        }
    }
    EXPECT_GT(names.size(), 200u);
    for (const auto& [id, symbols] : names) {
        if (id == 115) {
            EXPECT_EQ(symbols, (QStringList{Q("ID_Playlist"), Q("ID_Update_Timer")}));
            continue;
        }
        EXPECT_EQ(symbols.size(), 1) << symbols.join(u' ').toStdString();
        if (id != 61999) {
            EXPECT_FALSE(id >= 58000 && id <= 64999) << symbols.join(u' ').toStdString();
        }
    }
}

}  // namespace
