// The bookmark editor on a real engine and real .vbm files, driven through
// its controls: adding, deleting, renaming, jumping, the time column, the
// file dialogs of Open and Save, and the layout on resize.
#include "DialogFixture.h"
#include "EventLoop.h"
#include "dialogs/CBookmarkDlg.h"
#include "docs/BookmarkFile.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeWidget>

#include <algorithm>
#include <fstream>

namespace {

using namespace velvaro::test;
using velvaro::docs::Bookmark;

// "a|b" as {"a", "b"}.
QStringList Words(const char* texts) {
    return QString::fromUtf8(texts).split(u'|', Qt::SkipEmptyParts);
}

class BookmarkDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Open("long.mkv");
        dialog = std::make_unique<CBookmarkDlg>();
        dialog->Create(&english);
        dialog->SetPlayer(engine.get());
        dialog->SetOpenMedia([this](const QString& path) { opened << path; });
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void TearDown() override {
        dialog.reset();
        DialogTest::TearDown();
    }

    QTreeWidget* List() const { return Find<QTreeWidget>(*dialog, "IDC_LIST_BOOKMARKS"); }
    void Click(const char* button) {
        QTest::mouseClick(Find<QPushButton>(*dialog, button), Qt::LeftButton);
    }
    void ClickRow(int row) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(List()->topLevelItem(row)).center());
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < List()->topLevelItemCount(); ++row) {
            texts << List()->topLevelItem(row)->text(column);
        }
        return texts;
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int row = 0; row < List()->topLevelItemCount(); ++row) {
            if (List()->selectionModel()->isRowSelected(row, {})) {  // every column
                rows.push_back(row);
            }
        }
        return rows;
    }
    int Position() {
        engine->WaitForState();
        return engine->GetPosition();
    }
    void AddAt(int position) {
        engine->SetPosition(position);
        ASSERT_EQ(Position(), position);
        Click("IDC_BUTTON_ADD");
    }
    // Loads a file of bookmarks on the playing medium, named "b0", "b1", ...
    void LoadRows(std::vector<std::int32_t> times) {
        std::vector<Bookmark> bookmarks;
        for (std::int32_t time : times) {
            bookmarks.push_back({"b" + std::to_string(bookmarks.size()), time, Media("long.mkv")});
        }
        ASSERT_TRUE(Load(bookmarks));
    }
    bool Load(const std::vector<Bookmark>& bookmarks) {
        const std::string path = folder() / "rows.vbm";
        return velvaro::docs::SaveBookmarkFile(path, bookmarks, "1.0") &&
               dialog->LoadBookmarkFile(QString::fromStdString(path));
    }
    // Double-clicks the row the way the window system delivers it (press,
    // release, double click, release) and types into the editor that opens.
    void Rename(int row, const QString& text, Qt::Key end) {
        QWidget* viewport = List()->viewport();
        const QPoint point = List()->visualItemRect(List()->topLevelItem(row)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
        QMouseEvent dblClick(QEvent::MouseButtonDblClick, point, viewport->mapToGlobal(point),
                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dblClick);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, point);
        QLineEdit* editor = nullptr;
        for (QLineEdit* edit : List()->viewport()->findChildren<QLineEdit*>()) {
            editor = edit->isVisible() ? edit : editor;
        }
        ASSERT_NE(editor, nullptr) << "no editor on row " << row;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, end);
        QCoreApplication::processEvents();  // the view commits a Return later
    }

    // Types the path where a person would and presses the Save or Open button.
    // (selectFile leaves the name box alone while it has the focus.)
    static void Choose(QFileDialog& box, const QString& path) {
        auto* name = box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        static_cast<QDialog&>(box).accept();
    }

    std::unique_ptr<CBookmarkDlg> dialog;
    QStringList opened;
};

TEST_F(BookmarkDialogTest, IsAModelessToolWindowWithTheLanguagesTexts) {
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(Texts(*dialog, {"", "IDC_BUTTON_OPEN", "IDC_BUTTON_SAVE"}),
              QStringLiteral("Bookmark Editor|&Open|&Save"));
    EXPECT_EQ(Find<QPushButton>(*dialog, "IDC_BUTTON_ADD")->toolTip(), QStringLiteral("Add"));
    EXPECT_EQ(Find<QPushButton>(*dialog, "IDC_BUTTON_DELETE")->toolTip(), QStringLiteral("Delete"));
    EXPECT_FALSE(Find<QPushButton>(*dialog, "IDC_BUTTON_ADD")->icon().isNull());
    const QTreeWidgetItem* header = List()->headerItem();
    EXPECT_EQ(QStringList({header->text(0), header->text(1)}), Words("Description|Time"));
    EXPECT_EQ(List()->header()->sectionSize(1), 80);
    EXPECT_EQ(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(BookmarkDialogTest, AddingWhileRowsAreSelectedLeavesOnlyTheNewRowSelected) {
    AddAt(500);
    AddAt(1000);
    List()->selectAll();
    AddAt(1525);
    EXPECT_EQ(Column(0), Words("New|New|New"));
    EXPECT_EQ(Column(1), Words("00:00:05.00|00:00:10.00|00:00:15.25"));
    EXPECT_EQ(Selected(), std::vector{2});
    EXPECT_EQ(List()->currentItem(), List()->topLevelItem(2));
    EXPECT_EQ(Position(), 1525);
    EXPECT_TRUE(opened.isEmpty());

    dialog->SetPlayer(nullptr);
    Click("IDC_BUTTON_ADD");  // nothing playing, nothing to mark
    EXPECT_EQ(dialog->RowCount(), 3);
}

TEST_F(BookmarkDialogTest, DeleteSelectsTheRowBeforeTheLastDeleted) {
    struct Case {
        int rows;
        std::vector<int> selected;
        QStringList left;
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        {5, {2, 3}, Words("b0|b1|b4"), {1}},
        {5, {0, 4}, Words("b1|b2|b3"), {2}},  // 4 has become 3 when it goes
        {5, {0}, Words("b1|b2|b3|b4"), {0}},
        {1, {0}, {}, {}},
        {5, {}, Words("b0|b1|b2|b3|b4"), {}},
    };
    for (const Case& c : cases) {
        LoadRows(std::vector<std::int32_t>(c.rows, 100));
        List()->clearSelection();
        for (int row : c.selected) {
            List()->topLevelItem(row)->setSelected(true);
        }
        Click("IDC_BUTTON_DELETE");
        EXPECT_EQ(Column(0), c.left) << c.rows << " rows, " << c.selected.size() << " selected";
        EXPECT_EQ(Selected(), c.selectedAfter) << c.rows << " rows";
    }
}

TEST_F(BookmarkDialogTest, DoubleClickRenamesInPlaceAndEscapeKeepsTheOldText) {
    LoadRows({100, 200});
    Rename(1, QStringLiteral("Chapter two"), Qt::Key_Return);
    EXPECT_EQ(Column(0), Words("b0|Chapter two"));
    Rename(1, QStringLiteral("Lost"), Qt::Key_Escape);
    Rename(0, QStringLiteral("Lost too"), Qt::Key_Escape);
    EXPECT_EQ(Column(0), Words("b0|Chapter two"));
    EXPECT_TRUE(dialog->isVisible()) << "Escape ended the edit, not the editor";
}

TEST_F(BookmarkDialogTest, TheTimeColumnShowsHoursBeyondTwoDigits) {
    LoadRows({0, 366125, 36000000});
    EXPECT_EQ(Column(1), Words("00:00:00.00|01:01:01.25|100:00:00.00"));
}

TEST_F(BookmarkDialogTest, SaveAndOpenGoThroughTheFileDialogsAndRoundTrip) {
    AddAt(250);
    AddAt(1234);
    Rename(1, QStringLiteral("Zweite Stelle"), Qt::Key_Return);
    const QString proposed = QString::fromStdString(folder() / "proposed.vbm");
    const QString saved = QString::fromStdString(folder() / "saved.vbm");
    dialog->SetBookmarkFile(proposed);
    QStringList seen;
    {
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& box) {
            seen << box.selectedFiles().value(0) << box.nameFilters().join(u'|');
            Choose(box, saved);
        });
        Click("IDC_BUTTON_SAVE");
        EXPECT_EQ(user.Count(), 1);
    }
    EXPECT_EQ(seen,
              (QStringList{proposed, QStringLiteral("VV Bookmark Files (*.vbm)|All Files (*.*)")}));
    EXPECT_EQ(dialog->BookmarkFile(), saved);
    const std::vector<Bookmark> expected{{"New", 250, Media("long.mkv")},
                                         {"Zweite Stelle", 1234, Media("long.mkv")}};
    EXPECT_EQ(velvaro::docs::LoadBookmarkFile(saved.toStdString()), expected);

    List()->selectAll();
    Click("IDC_BUTTON_DELETE");
    ASSERT_EQ(dialog->RowCount(), 0);
    engine->SetPosition(2000);
    dialog->SetBookmarkFile(QString());
    {
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& box) { Choose(box, saved); });
        Click("IDC_BUTTON_OPEN");
        EXPECT_EQ(user.Count(), 1);
    }
    EXPECT_EQ(Column(0), Words("New|Zweite Stelle"));
    EXPECT_EQ(Column(1), Words("00:00:02.50|00:00:12.34"));
    EXPECT_EQ(dialog->BookmarkFile(), saved);
    EXPECT_EQ(Selected(), std::vector{0});
    EXPECT_EQ(Position(), 250) << "loading jumps to the first bookmark";
}

TEST_F(BookmarkDialogTest, WhatIsNoBookmarkFileLeavesTheListAlone) {
    LoadRows({100, 200});
    const QString before = dialog->BookmarkFile();
    const std::string rootOnly = folder() / "root-only.vbm";
    std::ofstream(rootOnly) << "<velvaro build=\"1\"/>\r\n";
    for (const std::string& path :
         {Media("audio.wav"), rootOnly, folder() / "missing.vbm", std::string()}) {
        EXPECT_FALSE(dialog->LoadBookmarkFile(QString::fromStdString(path))) << path;
    }
    EXPECT_EQ(Column(0), Words("b0|b1"));
    EXPECT_EQ(dialog->BookmarkFile(), before);
}

TEST_F(BookmarkDialogTest, SelectingJumpsInTheSameFileOrAsksForTheOtherOne) {
    AddAt(300);
    AddAt(900);
    engine->SetPosition(0);
    for (int row : {0, 1, 0}) {
        ClickRow(row);
        EXPECT_EQ(Position(), row == 0 ? 300 : 900) << row;
    }
    EXPECT_TRUE(opened.isEmpty());

    ASSERT_TRUE(Load({{"Other", 150, Media("audio.wav")}, {"Here", 700, Media("long.mkv")}}));
    EXPECT_EQ(opened, QStringList{QString::fromStdString(Media("audio.wav"))});
    EXPECT_EQ(Position(), 150) << "the window did not switch, so the seek lands here";
    ClickRow(1);
    EXPECT_EQ(Position(), 700);
    EXPECT_EQ(opened.size(), 1);

    dialog->SetPlayer(nullptr);
    ClickRow(0);
    ClickRow(1);
    EXPECT_EQ(opened.size(), 3) << "nothing playing: every jump opens";
}

TEST_F(BookmarkDialogTest, ResizingKeepsButtonsAboveTheBottomAndLetsTheListFill) {
    for (const QSize size : {QSize(520, 400), QSize(300, 180)}) {
        dialog->resize(size);
        int buttonTop = size.height();
        for (const char* name :
             {"IDC_BUTTON_ADD", "IDC_BUTTON_DELETE", "IDC_BUTTON_OPEN", "IDC_BUTTON_SAVE"}) {
            const QRect button = Find<QPushButton>(*dialog, name)->geometry();
            EXPECT_EQ(button.y() + button.height(), size.height() - 10) << name;
            buttonTop = std::min(buttonTop, button.y());
        }
        EXPECT_EQ(List()->geometry(), QRect(7, 7, size.width() - 14, buttonTop - 14));
        EXPECT_EQ(List()->header()->sectionSize(0), size.width() - 14 - 80 - 30);
    }
    EXPECT_EQ(Find<QPushButton>(*dialog, "IDC_BUTTON_SAVE")->x(), 151) << "left edges stay";
}

}  // namespace
