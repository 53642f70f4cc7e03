// The folder tree over real folders: its roots, the order and placeholders
// of what it reads, collapsing, selecting a deep folder and a folder too big
// to read while the window waits.
#include "EventLoop.h"
#include "QtPrinting.h"
#include "controls/CDirTreeCtrl.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <iostream>
#include <memory>

namespace {

using velvaro::test::RunEventsFor;
using velvaro::test::RunEventsUntil;

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names) {
        list << QString::fromUtf8(name);
    }
    return list;
}

// The children's texts, "+" after each with a dummy child, "<dummy>" for one.
QStringList Children(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        const bool dummy = child->childCount() == 1 && CDirTreeCtrl::IsDummy(child->child(0));
        texts << (CDirTreeCtrl::IsDummy(child)
                      ? QStringLiteral("<dummy>")
                      : child->text(0) + (dummy ? QStringLiteral("+") : QString()));
    }
    return texts;
}

class DirTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        tree.DisplayTree(true);
    }

    // "x/" makes a folder, anything else an empty file; parents as needed.
    void Make(std::initializer_list<const char*> paths) const {
        for (const char* name : paths) {
            const QString path = temp.filePath(QString::fromUtf8(name));
            ASSERT_TRUE(QDir().mkpath(path.endsWith(u'/') ? path : QFileInfo(path).path()));
            QFile file(path);
            ASSERT_TRUE(path.endsWith(u'/') || file.open(QIODevice::WriteOnly)) << name;
        }
    }

    QTreeWidgetItem* Select(const char* name, CDirTreeCtrl& in) const {
        EXPECT_TRUE(in.SelectPath(temp.filePath(QString::fromUtf8(name)))) << name;
        return in.currentItem();
    }
    QTreeWidgetItem* Select(const char* name) { return Select(name, tree); }

    // Expands as a click on the arrow does and waits for the folder's rows.
    void Expand(QTreeWidgetItem* item) {
        item->setExpanded(true);
        ASSERT_TRUE(RunEventsUntil([&] { return !tree.IsReadingAny(); }, 60000));
    }

    QTemporaryDir temp;
    CDirTreeCtrl tree;
};

TEST_F(DirTreeTest, RootsAreSlashHomeAndRealVolumes) {
    QStringList roots;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        roots << tree.topLevelItem(i)->text(0);
    }
    ASSERT_GE(roots.size(), 2);
    EXPECT_EQ(roots.mid(0, 2), (QStringList{QStringLiteral("/"), QDir::homePath()}));
    EXPECT_EQ(roots.removeDuplicates(), 0);
    for (const QString& root : roots.mid(2)) {
        const QByteArray type = QStorageInfo(root).fileSystemType();
        EXPECT_TRUE(type != "proc" && type != "tmpfs" && !type.startsWith("cgroup")) << type.data();
    }
    // The longest root that begins the path is where the walk starts.
    EXPECT_TRUE(tree.SelectPath(QDir::homePath() + u'/'));
    EXPECT_EQ(tree.currentItem(), tree.topLevelItem(1));
    EXPECT_EQ(tree.SelectedPath(), QDir::homePath());
}

// Folders first, then files, each without regard to case; hidden files are
// listed but give a folder no dummy, a subfolder always does.
TEST_F(DirTreeTest, ReadsFoldersFirstWithoutRegardToCaseAndDummiesWhereThereIsContent) {
    Make({"list/beta/.only-hidden", "list/Alpha/sub/", "list/gamma/x.mkv", "list/b.mkv",
          "list/A.avi", "list/.hidden", "list/C.txt", "list/.dot/"});
    QTreeWidgetItem* list = Select("list");
    EXPECT_EQ(tree.SelectedPath(), temp.filePath(QStringLiteral("list")));
    EXPECT_EQ(Children(list), Names({"<dummy>"}));
    Expand(list);
    EXPECT_EQ(Children(list),
              Names({".dot", "Alpha+", "beta", "gamma+", ".hidden", "A.avi", "b.mkv", "C.txt"}));
    EXPECT_EQ(tree.GetFullPath(list->child(5)), temp.filePath(QStringLiteral("list/A.avi")));
    // Collapsing forgets what was read and puts the dummy back.
    list->setExpanded(false);
    EXPECT_EQ(Children(list), Names({"<dummy>"}));
    // Without files only folders show, and only subfolders make dummies.
    tree.DisplayTree(false);
    list = Select("list");
    Expand(list);
    EXPECT_EQ(Children(list), Names({".dot", "Alpha+", "beta", "gamma"}));
}

TEST_F(DirTreeTest, SelectsADeepFolderAndRefusesWhatIsNoFolder) {
    Make({"a/b/c/Deep/file.mkv", "a/b/other/"});
    QTreeWidgetItem* item = Select("a/b/c/Deep//");
    const QString deep = temp.filePath(QStringLiteral("a/b/c/Deep"));
    EXPECT_EQ(tree.SelectedPath(), deep);
    EXPECT_FALSE(item->isExpanded());
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) {
        EXPECT_TRUE(up->isExpanded()) << up->text(0).toStdString();
    }
    EXPECT_EQ(Children(item->parent()->parent()), Names({"c", "other"}));
    for (const QString& refused : {deep + QStringLiteral("/file.mkv"), deep + QStringLiteral("/no"),
                                   QStringLiteral("relative/path"), QString()}) {
        EXPECT_FALSE(tree.SelectPath(refused)) << refused.toStdString();
    }
    EXPECT_EQ(tree.SelectedPath(), deep);
}

// A read still on its way when its folder closes, or the tree goes, is dropped.
TEST_F(DirTreeTest, CollapseOrDestructionDuringAReadIsSafe) {
    Make({"many/f0", "many/f1", "many/f2"});
    QTreeWidgetItem* many = Select("many");
    many->setExpanded(true);
    EXPECT_TRUE(CDirTreeCtrl::IsReading(many->child(0)));
    many->setExpanded(false);
    EXPECT_FALSE(tree.IsReadingAny());
    auto other = std::make_unique<CDirTreeCtrl>();
    other->DisplayTree(true);
    Select("many", *other)->setExpanded(true);
    other.reset();
    RunEventsFor(100);
    EXPECT_EQ(Children(many), Names({"<dummy>"}));
}

TEST_F(DirTreeTest, TwentyThousandFilesArriveWhileTheWindowKeepsAnswering) {
    Make({"big/"});
    for (int i = 0; i < 20000; ++i) {
        QFile file(temp.filePath(QStringLiteral("big/file%1.mkv").arg(i, 5, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTreeWidgetItem* big = Select("big");
    tree.show();
    QElapsedTimer clock;
    qint64 longestPause = 0;
    qint64 lastTick = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &ticks, [&] {
        longestPause = std::max(longestPause, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    ticks.start(5);
    clock.start();
    big->setExpanded(true);
    const qint64 returned = lastTick = clock.elapsed();
    EXPECT_TRUE(CDirTreeCtrl::IsReading(big->child(0)));  // not read on this thread
    ASSERT_TRUE(RunEventsUntil([&] { return big->childCount() == 20000; }, 60000));
    const qint64 arrived = clock.elapsed();
    RunEventsFor(50);  // the first paint of the new rows counts too
    EXPECT_EQ(big->child(19999)->text(0), QStringLiteral("file19999.mkv"));
    std::cout << "20000 files: expand returned after " << returned << " ms, rows after " << arrived
              << " ms, longest pause of the event loop " << longestPause << " ms\n";
}

}  // namespace
