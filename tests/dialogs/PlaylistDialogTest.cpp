// The playlist editor driven through its controls over real files: filling,
// the buttons' states, editing the rows, dropping files, and what each way of
// closing leaves in the window's playlist, its file name and the tree setting.
#include "DialogFixture.h"
#include "EventLoop.h"
#include "controls/CDirTreeCtrl.h"
#include "dialogs/CPlaylistDlg.h"
#include "dialogs/DialogSupport.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>

namespace {

using namespace velvaro::test;
using Entries = std::vector<velvaro::docs::PlaylistEntry>;

void Click(const QWidget& dialog, const char* name) {
    QTest::mouseClick(Find<QAbstractButton>(dialog, name), Qt::LeftButton);
}

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

class PlaylistDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        for (const char* name : {"a.mkv", "b.mkv", "c.mkv", "sound.mp3"}) {
            ASSERT_TRUE(QFile(temp.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
        }
    }

    std::string Path(const char* name) const {
        return temp.filePath(QString::fromLatin1(name)).toStdString();
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
            rows << QString((selected ? QStringLiteral("*") : QString()) +
                            list->item(row, 0)->text() + u'|' + list->item(row, 1)->text())
                        .remove(temp.path() + u'/');
        }
        return rows.join(QStringLiteral(", ")).toStdString();
    }

    // Opens the temporary folder in the tree and selects one of its files.
    void SelectInTree(const QWidget& dialog, const char* name) const {
        auto* tree = Find<CDirTreeCtrl>(dialog, "IDC_DIRTREE");
        ASSERT_TRUE(tree->SelectPath(temp.path()));
        tree->currentItem()->setExpanded(true);
        ASSERT_TRUE(RunEventsUntil([&] { return !tree->IsReadingAny(); }));
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
        // A window system sends a click before the double click.
        auto* tree = Find<CDirTreeCtrl>(dialog, "IDC_DIRTREE");
        const QPoint place = tree->visualItemRect(tree->currentItem()).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, place);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, place);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, place);
        SelectInTree(dialog, "sound.mp3");
        Click(dialog, "IDC_AUDIO_REPLACE");
        Find<QTableWidget>(dialog, "IDC_PLAYLIST")->selectRow(0);
        Click(dialog, "IDC_VIDEO_REPLACE");
        // Up at the top does nothing; down walks the row to the second place.
        for (const char* arrow : {"spinUp", "spinDown"}) {
            Click(dialog, arrow);
        }
        EXPECT_EQ(Rows(dialog), "b.mkv|, *sound.mp3|sound.mp3, c.mkv|sound.mp3");
        // Deleting selects the row that took the place, or the new last one.
        Click(dialog, "IDC_DELETE");
        Click(dialog, "IDC_DELETE");
        EXPECT_EQ(Rows(dialog), "*b.mkv|");
        Click(dialog, "IDC_DELETEALL");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(temp.filePath(QStringLiteral("b.mkv"))),
                      QUrl(QStringLiteral("http://x/y.mkv")),
                      QUrl::fromLocalFile(QStringLiteral("/not/there.avi"))});
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
    const struct {
        const char *mode, *button;
        const char* name;    // the playlist's file name before, "" for none
        const char* chosen;  // the answer to the file dialog: "" cancels, null: not asked
        int result;
        const char* nameAfter;
        const char *atStart, *afterAdding;  // as Enabled() gives them
    } cases[] = {
        {"BEARBEITEN", "IDC_BUTTON_OK", "old.vpp", nullptr, IDOK, "old.vpp", "1111110", "1111111"},
        {"NEU", "IDC_BUTTON_OK", "old.vpp", nullptr, IDOK, nullptr, "0000000", "1011111"},
        {"BEARBEITEN", "IDC_BUTTON_SPEICHERN", "old.vpp", nullptr, kSaved, "old.vpp", "1111110",
         "1111111"},
        {"BEARBEITEN", "IDC_BUTTON_SPEICHERN", "no/dir/x.vpp", "other", kSaved, "other.vpp",
         "1111110", "1111111"},
        {"NEU", "IDC_BUTTON_SPEICHERNUNTER", "old.vpp", "new.vpp", kSaved, "new.vpp", "0000000",
         "1011111"},
        {"BEARBEITEN", "IDC_BUTTON_SPEICHERNUNTER", "", "", kSaved, nullptr, "1011110", "1011111"},
        {"BEARBEITEN", "IDC_BUTTON_ABBRECHEN", "old.vpp", nullptr, IDCANCEL, "old.vpp", "1111110",
         "1111111"},
    };
    const Entries before = {{Path("a.mkv"), Path("sound.mp3")}};
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.mode) + " " + test.button + " " + test.name);
        // A new playlist starts empty.
        Entries after = std::string(test.mode) == "NEU" ? Entries() : before;
        after.push_back({Path("c.mkv"), ""});
        entries = before;
        fileName = *test.name ? Path(test.name) : "";
        dirTree = "/no/such/folder";
        QFile::remove(QString::fromStdString(Path("old.vpp")));
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& files) {
            // Typed where a person would: selectFile leaves the name box
            // alone once it has the focus.
            files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(temp.filePath(QString::fromLatin1(test.chosen ? test.chosen : "")));
            if (test.chosen && *test.chosen) {
                static_cast<QDialog&>(files).accept();  // its own override runs
            } else {
                files.reject();
            }
        });
        const int result = Run(test.mode, [&](CPlaylistDlg& dialog) {
            EXPECT_EQ(Enabled(dialog), test.atStart);
            SelectInTree(dialog, "c.mkv");
            Click(dialog, "IDC_VIDEO_NEW");
            EXPECT_EQ(Enabled(dialog), test.afterAdding);
            Click(dialog, test.button);
        });
        EXPECT_EQ(result, test.result);
        EXPECT_EQ(user.Count(), test.chosen ? 1 : 0);
        EXPECT_EQ(entries, result == IDCANCEL ? before : after);
        EXPECT_EQ(fileName, test.nameAfter ? Path(test.nameAfter) : "");
        EXPECT_EQ(dirTree, result == IDOK ? Path("c.mkv") : "/no/such/folder");
        if (result == CPlaylistDlg::kSaved && !(test.chosen && !*test.chosen)) {
            EXPECT_EQ(velvaro::docs::LoadPlaylistFile(fileName), after);
        }
    }
}

}  // namespace
