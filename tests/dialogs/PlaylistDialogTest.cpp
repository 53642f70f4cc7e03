// The playlist editor driven through its controls over real files: filling,
// the buttons' states, editing the rows, dropping files, and what each way of
// closing leaves; its folder tree over real folders; the file dialogs' filters.
#include "DialogFixture.h"
#include "controls/CDirTreeCtrl.h"
#include "dialogs/CPlaylistDlg.h"
#include "dialogs/FileDialogFilter.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;
using Entries = std::vector<velvaro::docs::PlaylistEntry>;

// '1' or '0' for OK, Save, Save as, the arrows, replace audio, replace video, add.
std::string Enabled(const QWidget& dialog) {
    std::string states;
    for (const char* name :
         {"IDC_BUTTON_OK", "IDC_BUTTON_SPEICHERN", "IDC_BUTTON_SPEICHERNUNTER", "IDC_SPIN_PLAYLIST",
          "IDC_AUDIO_REPLACE", "IDC_VIDEO_REPLACE", "IDC_VIDEO_NEW"}) {
        states += Find<QWidget>(dialog, name)->isEnabled() ? '1' : '0';
    }
    return states;
}

// The children's texts joined by '|', "+" after each with a dummy child,
// "<dummy>" for one.
std::string Children(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        const bool dummy = child->childCount() == 1 && CDirTreeCtrl::IsDummy(child->child(0));
        texts << (CDirTreeCtrl::IsDummy(child) ? u"<dummy>"_s
                                               : child->text(0) + (dummy ? u"+"_s : QString()));
    }
    return texts.join(u'|').toStdString();
}

// Expands as a click on the arrow does and waits for the folder's rows.
void Expand(const CDirTreeCtrl& tree, QTreeWidgetItem* item) {
    item->setExpanded(true);
    ASSERT_TRUE(RunEventsUntil([&] { return !tree.IsReadingAny(); }, 60000));
}

class PlaylistDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        Make({"a.mkv", "b.mkv", "c.mkv", "sound.mp3"});
    }

    // "x/" makes a folder, anything else an empty file; parents as needed.
    void Make(std::initializer_list<const char*> paths) const {
        for (const char* name : paths) {
            const QString path = temp.filePath(QString::fromUtf8(name));
            ASSERT_TRUE(QDir().mkpath(path.endsWith(u'/') ? path : QFileInfo(path).path()));
            ASSERT_TRUE(path.endsWith(u'/') || QFile(path).open(QIODevice::WriteOnly)) << name;
        }
    }

    std::string Path(const char* name) const {
        return temp.filePath(QString::fromLatin1(name)).toStdString();
    }

    // Selects the temporary folder's `name` ("" for the folder) in `tree`.
    QTreeWidgetItem* Select(CDirTreeCtrl& tree, const char* name) const {
        EXPECT_TRUE(tree.SelectPath(temp.filePath(QString::fromUtf8(name)))) << name;
        return tree.currentItem();
    }

    // Runs the editor with `act` as the person at it; returns its result.
    int Run(const char* mode, const std::function<void(CPlaylistDlg&)>& act) {
        CPlaylistDlg dialog;
        ModalDialogWatcher<CPlaylistDlg> user([&](CPlaylistDlg& open) {
            act(open);
            if (open.isVisible()) {
                open.reject();
            }
        });
        return dialog.Run(QString::fromLatin1(mode), entries, fileName, dirTree, &english);
    }

    // "video|audio" per row without the folder, "*" before the selected one.
    std::string Rows(const QWidget& dialog) const {
        const auto* list = Find<QTableWidget>(dialog, "IDC_PLAYLIST");
        QStringList rows;
        for (int row = 0; row < list->rowCount(); ++row) {
            const bool selected = list->selectionModel()->isRowSelected(row, {});
            rows << QString((selected ? u"*"_s : QString()) + list->item(row, 0)->text() + u'|' +
                            list->item(row, 1)->text())
                        .remove(temp.path() + u'/');
        }
        return rows.join(u", "_s).toStdString();
    }

    // Opens the temporary folder in the tree and selects one of its files.
    void SelectInTree(const QWidget& dialog, const char* name) const {
        auto* tree = Find<CDirTreeCtrl>(dialog, "IDC_DIRTREE");
        Expand(*tree, Select(*tree, ""));
        const auto found =
            tree->findItems(QString::fromLatin1(name), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << name;
        tree->setCurrentItem(found[0]);
        tree->scrollToItem(found[0]);
    }

    QTemporaryDir temp;
    Entries entries;
    std::string fileName;
    std::string dirTree = temp.path().toStdString();
};

// Missing videos are left out, missing audio blanked; the buttons, a double
// click in the tree and dropped local files edit the rows.
TEST_F(PlaylistDialogTest, EditModeLeavesOutMissingFilesAndEditsRowsThroughTheButtons) {
    entries = {{Path("a.mkv"), Path("sound.mp3")},
               {Path("gone.mkv"), Path("sound.mp3")},
               {Path("b.mkv"), Path("gone.mp3")}};
    Run("BEARBEITEN", [&](CPlaylistDlg& dialog) {
        SelectInTree(dialog, "c.mkv");
        auto* tree = Find<CDirTreeCtrl>(dialog, "IDC_DIRTREE");
        DoubleClick(tree->viewport(), tree->visualItemRect(tree->currentItem()).center());
        SelectInTree(dialog, "sound.mp3");
        Press(dialog, "IDC_AUDIO_REPLACE");
        Find<QTableWidget>(dialog, "IDC_PLAYLIST")->selectRow(0);
        Press(dialog, "IDC_VIDEO_REPLACE");
        // Up at the top does nothing; down walks the row to the second place.
        for (const char* arrow : {"spinUp", "spinDown"}) {
            Press(dialog, arrow);
        }
        EXPECT_EQ(Rows(dialog), "b.mkv|, *sound.mp3|sound.mp3, c.mkv|sound.mp3");
        // Deleting selects the row that took the place, or the new last one.
        Press(dialog, "IDC_DELETE");
        Press(dialog, "IDC_DELETE");
        EXPECT_EQ(Rows(dialog), "*b.mkv|");
        Press(dialog, "IDC_DELETEALL");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(temp.filePath(u"b.mkv"_s)), QUrl(u"http://x/y.mkv"_s),
                      QUrl::fromLocalFile(u"/not/there.avi"_s)});
        QWidget* target = Find<QTableWidget>(dialog, "IDC_PLAYLIST")->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        EXPECT_EQ(Rows(dialog), "b.mkv|, */not/there.avi|");
    });
}

// Save needs a name and mode BEARBEITEN, adding a tree item that exists. OK
// hands over rows and tree item; the saves hand over the rows and write them,
// Save falling back to Save as when its file cannot be written.
TEST_F(PlaylistDialogTest, ButtonStatesAndWhatEachClosingLeaves) {
    constexpr int kSaved = CPlaylistDlg::kSaved;
    const char *const kEdit = "BEARBEITEN", *const kNew = "NEU";
    // Mode, button without its "IDC_BUTTON_", the file name before ("" for
    // none), the answer to the file dialog ("" cancels, null: not asked), the
    // result, the file name after, the buttons at the start and after adding.
    const std::tuple<const char*, const char*, const char*, const char*, int, const char*,
                     const char*, const char*>
        cases[] = {
            {kEdit, "OK", "old.vpp", nullptr, IDOK, "old.vpp", "1111110", "1111111"},
            {kNew, "OK", "old.vpp", nullptr, IDOK, nullptr, "0000000", "1011111"},
            {kEdit, "SPEICHERN", "old.vpp", nullptr, kSaved, "old.vpp", "1111110", "1111111"},
            {kEdit, "SPEICHERN", "no/dir/x.vpp", "other", kSaved, "other.vpp", "1111110",
             "1111111"},
            {kNew, "SPEICHERNUNTER", "old.vpp", "new.vpp", kSaved, "new.vpp", "0000000", "1011111"},
            {kEdit, "SPEICHERNUNTER", "", "", kSaved, nullptr, "1011110", "1011111"},
            {kEdit, "ABBRECHEN", "old.vpp", nullptr, IDCANCEL, "old.vpp", "1111110", "1111111"},
        };
    const Entries before = {{Path("a.mkv"), Path("sound.mp3")}};
    for (const auto& [mode, button, name, chosen, expected, nameAfter, atStart, afterAdding] :
         cases) {
        SCOPED_TRACE(std::string(mode) + " " + button + " " + name);
        // A new playlist starts empty.
        Entries after = mode == kNew ? Entries() : before;
        after.push_back({Path("c.mkv"), ""});
        entries = before;
        fileName = *name ? Path(name) : "";
        dirTree = "/no/such/folder";
        QFile::remove(QString::fromStdString(Path("old.vpp")));
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& files) {
            Answer(files,
                   chosen && *chosen ? temp.filePath(QString::fromLatin1(chosen)) : QString());
        });
        const int result = Run(mode, [&](CPlaylistDlg& dialog) {
            EXPECT_EQ(Enabled(dialog), atStart);
            SelectInTree(dialog, "c.mkv");
            Press(dialog, "IDC_VIDEO_NEW");
            EXPECT_EQ(Enabled(dialog), afterAdding);
            Press(dialog, ("IDC_BUTTON_" + std::string(button)).c_str());
        });
        EXPECT_EQ(result, expected);
        EXPECT_EQ(user.Count(), chosen ? 1 : 0);
        EXPECT_EQ(entries, result == IDCANCEL ? before : after);
        EXPECT_EQ(fileName, nameAfter ? Path(nameAfter) : "");
        EXPECT_EQ(dirTree, result == IDOK ? Path("c.mkv") : "/no/such/folder");
        if (result == CPlaylistDlg::kSaved && !(chosen && !*chosen)) {
            EXPECT_EQ(velvaro::docs::LoadPlaylistFile(fileName), after);
        }
    }
}

using DirTreeTest = PlaylistDialogTest;

// Folders first, then files, each without regard to case; hidden files are
// listed but give a folder no dummy, a subfolder always does.
TEST_F(DirTreeTest, ReadsFoldersFirstWithoutRegardToCaseAndDummiesWhereThereIsContent) {
    Make({"list/beta/.only-hidden", "list/Alpha/sub/", "list/gamma/x.mkv", "list/b.mkv",
          "list/A.avi", "list/.hidden", "list/C.txt", "list/.dot/"});
    CDirTreeCtrl tree;
    tree.DisplayTree(true);
    // Selecting walks down from the root, opening every folder on the way.
    QTreeWidgetItem* list = Select(tree, "list//");
    EXPECT_EQ(tree.SelectedPath(), temp.filePath(u"list"_s));
    EXPECT_TRUE(list->parent()->isExpanded());
    EXPECT_EQ(Children(list), "<dummy>");
    // Opened by the user, a folder is read on a pool thread, not on this one.
    list->setExpanded(true);
    EXPECT_TRUE(CDirTreeCtrl::IsReading(list->child(0)));
    Expand(tree, list);
    EXPECT_EQ(Children(list), ".dot|Alpha+|beta|gamma+|.hidden|A.avi|b.mkv|C.txt");
    // Collapsing forgets what was read and puts the dummy back, also while
    // a read is under way; a read for a tree that is gone is dropped.
    list->setExpanded(false);
    EXPECT_EQ(Children(list), "<dummy>");
    list->setExpanded(true);
    list->setExpanded(false);
    EXPECT_FALSE(tree.IsReadingAny());
    auto other = std::make_unique<CDirTreeCtrl>();
    other->DisplayTree(true);
    Select(*other, "list")->setExpanded(true);
    other.reset();
    RunEventsFor(100);
    EXPECT_EQ(Children(list), "<dummy>");
    // Without files only folders show, and only subfolders make dummies.
    tree.DisplayTree(false);
    list = Select(tree, "list");
    Expand(tree, list);
    EXPECT_EQ(Children(list), ".dot|Alpha+|beta|gamma");
}

TEST(FileDialogFilter, PairsBecomeQtFilters) {
    EXPECT_EQ(ToQtFileFilter(u"Media|*.avi;*.mkv;|Audio|*.mp3;|All files (*.*)|*.*||"_s),
              u"Media (*.avi *.mkv);;Audio (*.mp3);;All files (*.*)"_s);
    // An empty pattern list matches everything.
    EXPECT_EQ(ToQtFileFilter(u"Video||All (*.*)|*.*||"_s), u"Video (*);;All (*.*)"_s);
}

}  // namespace
