// The symbol table: how it reads a header, and what it finds in ours.
#include "QText.h"
#include "i18n/CResourceSymbols.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(ResourceSymbolsTest, ReadsDefinesWhereverTheyStandAndTakesTheLastNumber) {
    const CResourceSymbols symbols(
        QByteArrayLiteral("// comment line\n"
                          "#define IDD_BOOKMARK                    288\r\n"
                          "   #define   IDC_SPACED   \t  1013   \n"
                          "#ifdef X // #define IDC_IN_COMMENT 77\n"
                          "#define IDC_TWO_VALUES 5 6\n"
                          "#define IDC_WORD value\n"
                          "#undef IDC_GONE 9\n"
                          "#  define IDC_SPLIT 10\n"
                          "#define IDC_LAST 2"));
    EXPECT_EQ(symbols.GetId(Q("IDD_BOOKMARK")), 288);
    EXPECT_EQ(symbols.GetId(Q("IDC_SPACED")), 1013);
    EXPECT_EQ(symbols.GetId(Q("IDC_IN_COMMENT")), 77);
    EXPECT_EQ(symbols.GetId(Q("IDC_TWO_VALUES")), 6);
    EXPECT_EQ(symbols.GetId(Q("IDC_WORD")), 0);
    EXPECT_EQ(symbols.GetId(Q("IDC_GONE")), -1);
    EXPECT_EQ(symbols.GetId(Q("IDC_SPLIT")), -1);
    // A last line without a line feed is not read.
    EXPECT_EQ(symbols.GetId(Q("IDC_LAST")), -1);
    EXPECT_EQ(symbols.GetCount(), 5);
}

TEST(ResourceSymbolsTest, LaterDefinitionWinsByNameAndById) {
    const CResourceSymbols symbols(QByteArrayLiteral(
        "#define SHARED_FIRST 7\n#define NAME 1\n#define SHARED_LAST 7\n#define name 2\n"));
    EXPECT_EQ(symbols.GetName(7), Q("SHARED_LAST"));
    EXPECT_EQ(symbols.GetId(Q("SHARED_FIRST")), 7);
    EXPECT_EQ(symbols.GetId(Q("Name")), 2);
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
