// The folder tree over real folders: the order and placeholders of what it
// reads, collapsing, selecting a deep folder and a folder too big to read
// while the window waits.
#include "EventLoop.h"
#include "QtPrinting.h"
#include "controls/CDirTreeCtrl.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <iostream>
#include <memory>

namespace {

using velvaro::test::RunEventsFor;
using velvaro::test::RunEventsUntil;

// The children's texts joined by '|', "+" after each with a dummy child,
// "<dummy>" for one.
std::string Children(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        const bool dummy = child->childCount() == 1 && CDirTreeCtrl::IsDummy(child->child(0));
        texts << (CDirTreeCtrl::IsDummy(child)
                      ? QStringLiteral("<dummy>")
                      : child->text(0) + (dummy ? QStringLiteral("+") : QString()));
    }
    return texts.join(u'|').toStdString();
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
            ASSERT_TRUE(path.endsWith(u'/') || QFile(path).open(QIODevice::WriteOnly)) << name;
        }
    }

    QTreeWidgetItem* Select(const char* name, CDirTreeCtrl* in = nullptr) {
        in = in ? in : &tree;
        EXPECT_TRUE(in->SelectPath(temp.filePath(QString::fromUtf8(name)))) << name;
        return in->currentItem();
    }

    // Expands as a click on the arrow does and waits for the folder's rows.
    void Expand(QTreeWidgetItem* item) {
        item->setExpanded(true);
        ASSERT_TRUE(RunEventsUntil([&] { return !tree.IsReadingAny(); }, 60000));
    }

    QTemporaryDir temp;
    CDirTreeCtrl tree;
};

// Folders first, then files, each without regard to case; hidden files are
// listed but give a folder no dummy, a subfolder always does.
TEST_F(DirTreeTest, ReadsFoldersFirstWithoutRegardToCaseAndDummiesWhereThereIsContent) {
    Make({"list/beta/.only-hidden", "list/Alpha/sub/", "list/gamma/x.mkv", "list/b.mkv",
          "list/A.avi", "list/.hidden", "list/C.txt", "list/.dot/"});
    QTreeWidgetItem* list = Select("list");
    EXPECT_EQ(Children(list), "<dummy>");
    Expand(list);
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
    Select("list", other.get())->setExpanded(true);
    other.reset();
    RunEventsFor(100);
    EXPECT_EQ(Children(list), "<dummy>");
    // Without files only folders show, and only subfolders make dummies.
    tree.DisplayTree(false);
    list = Select("list");
    Expand(list);
    EXPECT_EQ(Children(list), ".dot|Alpha+|beta|gamma");
}

TEST_F(DirTreeTest, SelectsADeepFolder) {
    Make({"a/b/c/Deep/file.mkv", "a/b/other/"});
    QTreeWidgetItem* item = Select("a/b/c/Deep//");
    // Reading "b" means the walk opened every folder above "c".
    EXPECT_TRUE(item->parent()->isExpanded());
    EXPECT_EQ(Children(item->parent()->parent()), "c|other");
    EXPECT_EQ(tree.SelectedPath(), temp.filePath(QStringLiteral("a/b/c/Deep")));
}

TEST_F(DirTreeTest, TwentyThousandFilesArriveWhileTheWindowKeepsAnswering) {
    Make({"big/"});
    for (int i = 0; i < 20000; ++i) {
        const QString name = QStringLiteral("big/file%1.mkv").arg(i, 5, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile(temp.filePath(name)).open(QIODevice::WriteOnly));
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
    std::cout << "20000 files: expand returned after " << returned << " ms, rows after " << arrived
              << " ms, longest pause of the event loop " << longestPause << " ms\n";
}

}  // namespace
