// Applying a language's ToolBar section to the tooltip table and the
// toolbar's buttons.
#include "QText.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/ToolButtonImage.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QToolBar>

namespace {

using velvaro::test::LanguageFromText;

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
