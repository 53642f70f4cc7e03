// The media properties dialog: duration text, the list of filters that have
// property pages, and opening those pages, on a real engine and without one.
#include "EngineFixture.h"
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "dialogs/CCodecDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

using velvaro::test::ModalDialogWatcher;

QPushButton* Button(const QWidget& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

QString Label(const QWidget& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// The property pages that open over the dialog: their captions, each closed.
class PropertyPages {
public:
    PropertyPages()
        : watcher_([this](QDialog& pages) {
              if (!dynamic_cast<CCodecDlg*>(&pages)) {
                  captions << pages.windowTitle();
                  pages.reject();
              }
          }) {}
    QStringList captions;

private:
    ModalDialogWatcher<QDialog> watcher_;
};

using CodecDialogTest = velvaro::test::EngineDialogTest;

TEST(CodecDurationTest, HoursMinutesSecondsAndAlwaysZeroThousandths) {
    EXPECT_EQ(CCodecDlg::DurationText(9012345), QStringLiteral("25:02:03,000"));
    EXPECT_EQ(CCodecDlg::DurationText(0), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(CCodecDlg::DurationText(99), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(CCodecDlg::DurationText(366199), QStringLiteral("01:01:01,000"));
}

TEST_F(CodecDialogTest, ShowsTheDurationAndTheFiltersWithPropertyPages) {
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
    ASSERT_FALSE(withPages.isEmpty());

    CCodecDlg dialog;
    QStringList listed;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Media Properties"));
        EXPECT_EQ(open.Duration(), QStringLiteral("00:00:06,000"));
        EXPECT_EQ(Label(open, "IDC_TXT_DURATION"), QStringLiteral("Duration:"));
        EXPECT_EQ(Button(open, "IDC_BUTTON_EIGENSCHAFTEN")->text(), QStringLiteral("&Properties"));
        EXPECT_EQ(Button(open, "IDC_BUTTON_SCHLIESSEN")->text(), QStringLiteral("&Close"));
        for (int row = 0; row < open.FilterList()->count(); ++row) {
            listed << open.FilterList()->item(row)->text();
        }
        EXPECT_EQ(open.FilterList()->currentRow(), 0);
        QTest::mouseClick(Button(open, "IDC_BUTTON_SCHLIESSEN"), Qt::LeftButton);
    });
    dialog.Show(engine.get(), &english);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(listed, withPages);
}

TEST_F(CodecDialogTest, ThePropertiesButtonAndADoubleClickOpenTheSelectedFiltersPages) {
    Open("multi.mkv");
    CCodecDlg dialog;
    PropertyPages pages;
    QStringList chosen;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        QListWidget* list = open.FilterList();
        ASSERT_GE(list->count(), 2);
        list->setCurrentRow(1);
        chosen << list->item(1)->text();
        const QRect row = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());

        list->setCurrentRow(0);
        chosen << list->item(0)->text();
        QTest::mouseClick(Button(open, "IDC_BUTTON_EIGENSCHAFTEN"), Qt::LeftButton);
        open.accept();
    });
    dialog.Show(engine.get(), &english);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(pages.captions, chosen);
}

TEST_F(CodecDialogTest, WithoutAnEngineOnlyTheCaptionIsSet) {
    CLanguageFile german;
    ASSERT_EQ(german.LoadResource(IDR_LNG_GERMAN), 0);
    CCodecDlg dialog;
    PropertyPages pages;
    ModalDialogWatcher<CCodecDlg> user([](CCodecDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Medieneigenschaften"));
        EXPECT_EQ(Label(open, "IDC_TXT_DURATION"), QStringLiteral("Dauer:"));
        EXPECT_EQ(open.Duration(), QString());
        EXPECT_EQ(open.FilterList()->count(), 0);
        QTest::mouseClick(Button(open, "IDC_BUTTON_EIGENSCHAFTEN"), Qt::LeftButton);
        open.accept();
    });
    dialog.Show(nullptr, &german);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_TRUE(pages.captions.isEmpty());
}

TEST_F(CodecDialogTest, ShownAgainForAnotherMediumItStartsAfresh) {
    CCodecDlg dialog;
    QStringList shown;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        shown << open.Duration() + u'|' + QString::number(open.FilterList()->count());
        open.accept();
    });
    QStringList expected;
    for (const char* name : {"multi.mkv", "mpeg2-169.mpg"}) {
        Open(name);
        QListWidget filters;
        engine->FillFilterList(&filters, FILTERLIST_LISTBOX);
        expected << CCodecDlg::DurationText(engine->GetDuration()) + u'|' +
                        QString::number(filters.count());
        dialog.Show(engine.get(), &english);
    }
    engine.reset();
    dialog.Show(nullptr, &english);
    expected << QStringLiteral("|0");
    EXPECT_EQ(shown, expected);
    EXPECT_NE(expected[0], expected[1]);
}

}  // namespace
