// The toolbar text table; the art tests check its standard entries against
// the strips.
#include "QText.h"
#include "i18n/CToolButtonTable.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolButtonTableTest, KeysAreMatchedExactlyAndTheFirstEntryAnswers) {
    CToolButtonTable table;
    table.Add(Q("Play"), Q("Wiedergabe"), 2);
    table.Add(Q("Play"), Q("second"), 5);
    table.Add(Q("Again"), Q("same image"), 2);
    EXPECT_EQ(table.GetImage(Q("Play")), 2);
    EXPECT_EQ(table.GetImage(Q("play")), 0);
    EXPECT_EQ(table.GetTooltip(Q("play")), QString());
    EXPECT_EQ(table.GetTooltipByImage(2), Q("Wiedergabe"));
    EXPECT_EQ(table.GetTooltipByImage(7), QString());

    table.SetTooltip(Q("Play"), Q("Play it"));
    table.SetTooltip(Q("Absent"), Q("nothing"));
    EXPECT_EQ(table.GetTooltip(Q("Play")), Q("Play it"));
    EXPECT_EQ(table.GetTooltipByImage(5), Q("second"));
    EXPECT_EQ(table.GetCount(), 3);

    for (int i = 0; i < 105; ++i) {
        table.Add(QString::number(i), QString::number(i), i);
    }
    EXPECT_EQ(table.GetCount(), CToolButtonTable::kMaxEntries);
    EXPECT_EQ(table.GetImage(Q("96")), 96);
    EXPECT_EQ(table.GetImage(Q("97")), 0);
}

}  // namespace
