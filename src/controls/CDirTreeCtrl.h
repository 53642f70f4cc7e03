// The computer's folders as a tree: `/`, the home folder and the mounted
// volumes as roots, each folder read only when it is opened. Opening by the
// user reads the folder on a pool thread, so a folder of many thousand files
// does not hold the window; selecting a path reads on the spot.
#pragma once

#include <QFutureWatcher>
#include <QIcon>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CDirTreeCtrl : public QTreeWidget {
public:
    // One entry of a folder as the tree shows it.
    struct Entry {
        QString name;
        bool folder = false;
        bool hasContent = false;  // a folder holding something the tree would show
    };

    explicit CDirTreeCtrl(QWidget* parent = nullptr);
    ~CDirTreeCtrl() override;

    // Rebuilds the roots, with or without the files of each folder.
    void DisplayTree(bool showFiles);
    bool ShowFiles() const { return showFiles_; }

    // Expands down to an existing folder below one of the roots (the longest
    // root that begins the path, compared without regard to case), selects it
    // and scrolls it into view. False, changing nothing, otherwise.
    bool SelectPath(const QString& path);
    // The selected item's path; empty when nothing is selected.
    QString SelectedPath() const;
    QString GetFullPath(const QTreeWidgetItem* item) const;

    // The root texts: mount points of the real file systems, `/` and home.
    static QStringList RootFolders();
    // A folder's subfolders then its files (hidden ones included), each
    // sorted without regard to case; files only when asked for.
    static std::vector<Entry> ReadFolder(const QString& path, bool showFiles,
                                         const std::function<bool()>& cancelled = {});
    // Whether a folder holds a subfolder or, when files count, a file whose
    // name does not start with '.'.
    static bool HasContent(const QString& path, bool showFiles);

    // The placeholder children: the dummy of an unread folder and the one
    // shown while a folder is being read.
    static bool IsDummy(const QTreeWidgetItem* item);
    static bool IsReading(const QTreeWidgetItem* item);
    // Whether a folder read is still on its way.
    bool IsReadingAny() const { return !reads_.empty(); }

private:
    QTreeWidgetItem* NewItem(const Entry& entry) const;
    void AddDummy(QTreeWidgetItem* item) const;
    bool NeedsReading(const QTreeWidgetItem* item) const;
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnItemCollapsed(QTreeWidgetItem* item);
    void StartRead(QTreeWidgetItem* item);
    void FinishRead(QTreeWidgetItem* item);
    // Drops the reads of `item` and of everything below it (all for null).
    void CancelReads(const QTreeWidgetItem* under);
    void Fill(QTreeWidgetItem* item, const std::vector<Entry>& entries);
    void FillNow(QTreeWidgetItem* item);

    bool showFiles_ = true;
    QIcon folderIcon_;
    QIcon fileIcon_;
    // One watcher per folder being read; deleting it drops the result.
    std::map<QTreeWidgetItem*, std::unique_ptr<QFutureWatcher<std::vector<Entry>>>> reads_;
};
