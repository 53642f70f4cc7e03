// The media properties dialog: duration text, the list of filters that have
// property pages, and opening those pages, on a real engine and without one.
#include "DialogFixture.h"
#include "dialogs/CCodecDlg.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

namespace {

using namespace velvaro::test;

// The property pages that open over the dialog: their captions, each closed.
struct PropertyPages {
    QStringList captions;
    ModalDialogWatcher<QDialog> watcher{[this](QDialog& pages) {
        if (!dynamic_cast<CCodecDlg*>(&pages)) {
            captions << pages.windowTitle();
            pages.reject();
        }
    }};
};

using CodecDialogTest = DialogTest;

TEST(CodecDurationTest, HoursMinutesSecondsAndAlwaysZeroThousandths) {
    EXPECT_EQ(CCodecDlg::DurationText(9012345), QStringLiteral("25:02:03,000"));
    EXPECT_EQ(CCodecDlg::DurationText(99), QStringLiteral("00:00:00,000"));
}

TEST_F(CodecDialogTest, ListsTheFiltersWithPagesAndTheButtonOrADoubleClickOpensTheirPages) {
    Open("multi.mkv");
    // The filters with pages, in graph order, as the filter menu has them.
    QMenu menu;
    engine->FillFilterList(&menu, FILTERLIST_MENU);
    QStringList withPages;
    for (const QAction* item : menu.actions()) {
        if (item->isEnabled()) {
            withPages << item->text();
        }
    }
    ASSERT_GE(withPages.size(), 2);

    CCodecDlg dialog;
    PropertyPages pages;
    QStringList listed;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        EXPECT_EQ(Texts(open, {"", "IDC_TXT_DURATION", "IDC_BUTTON_EIGENSCHAFTEN",
                               "IDC_BUTTON_SCHLIESSEN"}),
                  QStringLiteral("Media Properties|Duration:|&Properties|&Close"));
        EXPECT_EQ(open.Duration(), QStringLiteral("00:00:06,000"));
        QListWidget* list = open.FilterList();
        for (int row = 0; row < list->count(); ++row) {
            listed << list->item(row)->text();
        }
        EXPECT_EQ(list->currentRow(), 0);
        list->setCurrentRow(1);
        const QRect row = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
        list->setCurrentRow(0);
        Press(open, "IDC_BUTTON_EIGENSCHAFTEN");
        Press(open, "IDC_BUTTON_SCHLIESSEN");
    });
    dialog.Show(engine.get(), &english);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(listed, withPages);
    EXPECT_EQ(pages.captions, (QStringList{withPages[1], withPages[0]}));
}

TEST_F(CodecDialogTest, ShownAgainWithoutAMediumItStartsAfresh) {
    CCodecDlg dialog;
    PropertyPages pages;
    QStringList shown;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        shown << Texts(open, {"", "IDC_TXT_DURATION"}) << open.Duration()
              << QString::number(open.FilterList()->count());
        Press(open, "IDC_BUTTON_EIGENSCHAFTEN");
        open.accept();
    });
    Open("multi.mkv");
    dialog.Show(engine.get(), &english);
    engine.reset();
    dialog.Show(nullptr, &german);
    EXPECT_EQ(shown.mid(3), (QStringList{QStringLiteral("Medieneigenschaften|Dauer:"), QString(),
                                         QStringLiteral("0")}));
    EXPECT_NE(shown[1], shown[4]);
    EXPECT_EQ(pages.captions.size(), 1) << "no pages without an engine";
}

}  // namespace
