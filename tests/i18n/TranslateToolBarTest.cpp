// The toolbar text table, and applying a language's ToolBar section to it
// and to the toolbar's buttons; the art tests check its standard entries
// against the strips.
#include "QText.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/ToolButtonImage.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QToolBar>

namespace {

using velvaro::test::LanguageFromText;

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

class TranslateToolBarTest : public ::testing::Test {
protected:
    TranslateToolBarTest() { AddStandardToolButtons(table_); }

    QAction* AddButton(int id, const char* imageKey, const char* tooltipKey) {
        QAction* button = toolBar_.addAction(QString());
        SetCommandId(button, id);
        SetButtonImageIndex(button, table_.GetImage(Q(imageKey)));
        button->setToolTip(table_.GetTooltip(Q(tooltipKey)));
        return button;
    }

    static constexpr const char* kEnglish =
        "[ToolBar]\n"
        "|Play| = |Play|\n"
        "|play| = |lower case|\n"
        "|Open| = |Open...|\n"
        "|FastRewind| = |Fast Backward|\n"
        "|Loop| = |Loop On|\n"
        "|NoLoop| = |Loop Off|\n"
        "|Quit| = ||\n";

    QToolBar toolBar_;
    CToolButtonTable table_;
};

// Of two definitions the earliest is applied last.
TEST_F(TranslateToolBarTest, TableTakesTheTextsOfKeysItKnowsExactly) {
    LanguageFromText(std::string(kEnglish) +
                     "[ToolBar]\n|Stop| = |first|\n[ToolBar]\n|Stop| = |second|\n")
        .TranslateToolBar(nullptr, table_);
    EXPECT_EQ(table_.GetTooltip(Q("Stop")), Q("first"));
    EXPECT_EQ(table_.GetTooltip(Q("Play")), Q("Play"));
    EXPECT_EQ(table_.GetTooltip(Q("Loop")), Q("Loop On"));
    EXPECT_EQ(table_.GetTooltip(Q("FastBackward")), Q("Schnelles Zurückspulen"));
    EXPECT_EQ(table_.GetTooltip(Q("Quit")), Q("Beenden"));
    EXPECT_EQ(table_.GetCount(), 27);
}

// A button's tooltip is the table's text for the image it shows.
TEST_F(TranslateToolBarTest, ButtonsTakeTheTooltipOfTheImageTheyShow) {
    QAction* open = AddButton(IDTBB_OPEN, "Open", "Open");
    QAction* separator = toolBar_.addSeparator();
    separator->setToolTip(Q("separator"));
    QAction* play = AddButton(IDTBB_PLAY, "Play", "Play");
    QAction* loop = AddButton(IDTBB_LOOP, "NoLoop", "Loop");
    QAction* fastBackward = AddButton(IDTBB_FASTBACKWARD, "FastBackward", "FastBackward");
    QAction* plain = toolBar_.addAction(Q("no command"));
    plain->setToolTip(Q("own tip"));

    LanguageFromText(kEnglish).TranslateToolBar(&toolBar_, table_);
    EXPECT_EQ(open->toolTip(), Q("Open..."));
    EXPECT_EQ(play->toolTip(), Q("Play"));
    EXPECT_EQ(loop->toolTip(), Q("Loop Off"));
    EXPECT_EQ(fastBackward->toolTip(), Q("Schnelles Zurückspulen"));
    EXPECT_EQ(separator->toolTip(), Q("separator"));
    EXPECT_EQ(plain->toolTip(), Q("own tip"));
}

}  // namespace
