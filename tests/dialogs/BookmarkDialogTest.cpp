// The bookmark editor on a real engine and real .vbm files, driven through
// its controls: adding, deleting, renaming, jumping, the time column, the
// file dialogs of Open and Save, and the layout on resize.
#include "DialogFixture.h"
#include "dialogs/CBookmarkDlg.h"
#include "docs/BookmarkFile.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;
using velvaro::docs::Bookmark;

class BookmarkDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Open("long.mkv");
        dialog = std::make_unique<CBookmarkDlg>();
        dialog->Create(&english);
        dialog->SetPlayer(engine.get());
        dialog->SetOpenMedia([this](const QString& path, const std::function<void()>& seek) {
            opened << path;
            seek();
        });
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void TearDown() override {
        dialog.reset();
        DialogTest::TearDown();
    }

    QTreeWidget* List() const { return Find<QTreeWidget>(*dialog, "IDC_LIST_BOOKMARKS"); }
    QPoint RowCenter(int row) const {
        return List()->visualItemRect(List()->topLevelItem(row)).center();
    }
    // The texts of one column joined by '|', "*" before each row selected in
    // every column.
    std::string Column(int column) const {
        QStringList texts;
        for (int row = 0; row < List()->topLevelItemCount(); ++row) {
            const bool selected = List()->selectionModel()->isRowSelected(row, {});
            texts << (selected ? u"*"_s : QString()) + List()->topLevelItem(row)->text(column);
        }
        return texts.join(u'|').toStdString();
    }
    int Position() {
        engine->WaitForState();
        return engine->GetPosition();
    }
    void AddAt(int position) {
        engine->SetPosition(position);
        ASSERT_EQ(Position(), position);
        Press(*dialog, "IDC_BUTTON_ADD");
    }
    // Loads a file of `bookmarks` and more on the playing medium at `times`,
    // named "b0", "b1", ...
    void Load(std::vector<std::int32_t> times, std::vector<Bookmark> bookmarks = {}) {
        for (std::int32_t time : times) {
            bookmarks.push_back({"b" + std::to_string(bookmarks.size()), time, Media("long.mkv")});
        }
        const std::string path = folder() / "rows.vbm";
        ASSERT_TRUE(velvaro::docs::SaveBookmarkFile(path, bookmarks, "1.0"));
        ASSERT_TRUE(dialog->LoadBookmarkFile(QString::fromStdString(path)));
    }
    // Double-clicks the row and types into the editor that opens.
    void Rename(int row, const QString& text, Qt::Key end) {
        DoubleClick(List()->viewport(), RowCenter(row));
        auto* editor = qobject_cast<QLineEdit*>(List()->indexWidget(List()->currentIndex()));
        ASSERT_NE(editor, nullptr) << "no editor on row " << row;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, end);
        QCoreApplication::processEvents();  // the view commits a Return later
    }
    // Runs `button`'s file dialog, answering `path`.
    void Choose(const char* button, const QString& path) {
        SCOPED_TRACE(button);
        RunModal<QFileDialog>([&](QFileDialog& box) { Answer(box, path); },
                              [&] {
                                  Press(*dialog, button);
                                  return 0;
                              });
    }

    std::unique_ptr<CBookmarkDlg> dialog;
    QStringList opened;
};

// Deleting 0 and 4 selects 2: 4 has become 3 when it goes.
TEST_F(BookmarkDialogTest, DeleteSelectsTheRowBeforeTheLastDeleted) {
    // Rows, the selected ones, the first column after deleting.
    const std::tuple<int, std::vector<int>, const char*> cases[] = {
        {5, {2, 3}, "b0|*b1|b4"},  {5, {0, 4}, "b1|b2|*b3"}, {5, {0}, "*b1|b2|b3|b4"}, {1, {0}, ""},
        {5, {}, "b0|b1|b2|b3|b4"},
    };
    for (const auto& [rows, selected, after] : cases) {
        SCOPED_TRACE(testing::Message() << rows << " rows, " << selected.size() << " selected");
        Load(std::vector<std::int32_t>(rows, 100));
        List()->clearSelection();
        for (int row : selected) {
            List()->topLevelItem(row)->setSelected(true);
        }
        Press(*dialog, "IDC_BUTTON_DELETE");
        EXPECT_EQ(Column(0), after);
    }
}

// A rename in place, where Escape keeps the old text and the editor open, is
// saved to the real file; opening it again jumps to its first bookmark, and
// what is no bookmark file leaves the list alone. Hours go beyond two digits.
TEST_F(BookmarkDialogTest, RenamesSavesOpensAndShowsTimes) {
    AddAt(250);
    AddAt(1234);
    Rename(1, u"Zweite Stelle"_s, Qt::Key_Return);
    Rename(1, u"Lost"_s, Qt::Key_Escape);
    Rename(0, u"Lost too"_s, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    const QString saved = QString::fromStdString(folder() / "saved.vbm");
    Choose("IDC_BUTTON_SAVE", saved);
    const std::vector<Bookmark> expected{{"New", 250, Media("long.mkv")},
                                         {"Zweite Stelle", 1234, Media("long.mkv")}};
    EXPECT_EQ(velvaro::docs::LoadBookmarkFile(saved.toStdString()), expected);

    List()->selectAll();
    Press(*dialog, "IDC_BUTTON_DELETE");
    Choose("IDC_BUTTON_OPEN", saved);
    EXPECT_EQ(Column(0), "*New|Zweite Stelle");
    EXPECT_EQ(Position(), 250);

    for (const std::string& path : {Media("audio.wav"), folder() / "missing.vbm", std::string()}) {
        EXPECT_FALSE(dialog->LoadBookmarkFile(QString::fromStdString(path))) << path;
    }
    EXPECT_EQ(Column(0), "*New|Zweite Stelle");
    EXPECT_EQ(dialog->BookmarkFile(), saved);

    Load({0, 366125, 36000000});
    EXPECT_EQ(Column(1), "*00:00:00.00|01:01:01.25|100:00:00.00");
}

// A new row is the only one selected; selecting a row seeks in the playing
// file and asks the window to open any other one.
TEST_F(BookmarkDialogTest, AddsWhileRowsAreSelectedAndJumpsToTheSelectedRow) {
    AddAt(300);
    AddAt(900);
    List()->selectAll();
    AddAt(1525);
    EXPECT_EQ(Column(1), "00:00:03.00|00:00:09.00|*00:00:15.25");
    for (int row : {0, 1, 0}) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCenter(row));
        EXPECT_EQ(Position(), row == 0 ? 300 : 900) << row;
    }

    Load({}, {{"Other", 150, Media("audio.wav")}, {"Here", 700, Media("long.mkv")}});
    EXPECT_EQ(opened, QStringList{QString::fromStdString(Media("audio.wav"))});
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCenter(1));
    EXPECT_EQ(Position(), 700);

    dialog->SetPlayer(nullptr);
    for (int row : {0, 1}) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCenter(row));
    }
    EXPECT_EQ(opened.size(), 3) << "nothing playing: every jump opens";
    Press(*dialog, "IDC_BUTTON_ADD");
    EXPECT_EQ(dialog->RowCount(), 2) << "nothing playing, nothing to mark";
}

// The list and its first column take what the dialog gains; the buttons
// keep to its bottom.
TEST_F(BookmarkDialogTest, ResizingLetsTheListFillAboveTheButtons) {
    const auto add = [&] { return Find<QPushButton>(*dialog, "IDC_BUTTON_ADD")->geometry(); };
    const QRect list = List()->geometry(), button = add();
    const int column = List()->header()->sectionSize(0);
    dialog->resize(dialog->size() + QSize(100, 50));
    EXPECT_EQ(List()->geometry(), list.adjusted(0, 0, 100, 50));
    EXPECT_EQ(add(), button.translated(0, 50));
    EXPECT_EQ(List()->header()->sectionSize(0), column + 100);
}

}  // namespace
