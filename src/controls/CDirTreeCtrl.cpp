#include "controls/CDirTreeCtrl.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QPromise>
#include <QStorageInfo>
#include <QThreadPool>

#include <algorithm>
#include <iterator>

namespace {

enum ItemKind { kFolder = 1, kFile, kDummy, kReading };
constexpr int kKindRole = Qt::UserRole + 1;

// Kernel and container file systems hold no media anyone would pick.
bool IsPseudoFileSystem(const QByteArray& type) {
    static const char* const kPseudo[] = {
        "proc",      "sysfs",     "tmpfs",       "devtmpfs",    "devpts",         "securityfs",
        "pstore",    "bpf",       "debugfs",     "tracefs",     "configfs",       "fusectl",
        "mqueue",    "hugetlbfs", "autofs",      "nsfs",        "ramfs",          "rpc_pipefs",
        "selinuxfs", "efivarfs",  "binfmt_misc", "fuse.portal", "fuse.gvfsd-fuse"};
    return type.startsWith("cgroup") ||
           std::any_of(std::begin(kPseudo), std::end(kPseudo),
                       [&](const char* pseudo) { return type == pseudo; });
}

bool LessByName(const CDirTreeCtrl::Entry& a, const CDirTreeCtrl::Entry& b) {
    const int order = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a.name < b.name;
}

// `path` is `root` or lies below it, letters compared without regard to case.
bool BeginsWithFolder(const QString& path, const QString& root) {
    return path.startsWith(root, Qt::CaseInsensitive) &&
           (root.endsWith(u'/') || path.size() == root.size() || path.at(root.size()) == u'/');
}

bool IsBelow(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (; item; item = item->parent()) {
        if (item == ancestor) {
            return true;
        }
    }
    return false;
}

void DeleteChildren(QTreeWidgetItem* item) {
    const QList<QTreeWidgetItem*> children = item->takeChildren();
    qDeleteAll(children);
}

}  // namespace

CDirTreeCtrl::CDirTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Lets the view skip measuring every row of a large folder.
    setUniformRowHeights(true);
    const QFileIconProvider icons;
    folderIcon_ = icons.icon(QFileIconProvider::Folder);
    fileIcon_ = icons.icon(QFileIconProvider::File);
    QObject::connect(this, &QTreeWidget::itemExpanded, this, &CDirTreeCtrl::OnItemExpanded);
    QObject::connect(this, &QTreeWidget::itemCollapsed, this, &CDirTreeCtrl::OnItemCollapsed);
}

CDirTreeCtrl::~CDirTreeCtrl() {
    CancelReads(nullptr);
}

QStringList CDirTreeCtrl::RootFolders() {
    QStringList roots{QStringLiteral("/")};
    const QString home = QDir::homePath();
    if (home != roots.front()) {
        roots << home;
    }
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QByteArray type = volume.fileSystemType();
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || IsPseudoFileSystem(type) ||
            (type == "squashfs" && volume.isReadOnly()) ||
            (type == "overlay" && root.startsWith(QStringLiteral("/var/lib/"))) ||
            !QFileInfo(root).isDir() || roots.contains(root)) {
            continue;  // also files bound into containers, and what is there already
        }
        roots << root;
    }
    return roots;
}

bool CDirTreeCtrl::HasContent(const QString& path, bool showFiles) {
    QDirIterator it(
        path, QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir() || (showFiles && !info.fileName().startsWith(u'.'))) {
            return true;
        }
    }
    return false;
}

std::vector<CDirTreeCtrl::Entry> CDirTreeCtrl::ReadFolder(const QString& path, bool showFiles,
                                                          const std::function<bool()>& cancelled) {
    std::vector<Entry> folders;
    std::vector<Entry> files;
    QDirIterator it(
        path, QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        if (cancelled && cancelled()) {
            return {};
        }
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            folders.push_back({info.fileName(), true, HasContent(info.filePath(), showFiles)});
        } else if (showFiles) {
            files.push_back({info.fileName(), false, false});
        }
    }
    std::sort(folders.begin(), folders.end(), LessByName);
    std::sort(files.begin(), files.end(), LessByName);
    folders.insert(folders.end(), std::make_move_iterator(files.begin()),
                   std::make_move_iterator(files.end()));
    return folders;
}

bool CDirTreeCtrl::IsDummy(const QTreeWidgetItem* item) {
    return item && item->data(0, kKindRole).toInt() == kDummy;
}

bool CDirTreeCtrl::IsReading(const QTreeWidgetItem* item) {
    return item && item->data(0, kKindRole).toInt() == kReading;
}

void CDirTreeCtrl::DisplayTree(bool showFiles) {
    CancelReads(nullptr);
    clear();
    showFiles_ = showFiles;
    for (const QString& root : RootFolders()) {
        addTopLevelItem(NewItem({root, true, HasContent(root, showFiles_)}));
    }
}

QTreeWidgetItem* CDirTreeCtrl::NewItem(const Entry& entry) const {
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{entry.name});
    item->setIcon(0, entry.folder ? folderIcon_ : fileIcon_);
    item->setData(0, kKindRole, entry.folder ? kFolder : kFile);
    if (entry.folder && entry.hasContent) {
        AddDummy(item.get());
    }
    return item.release();  // the caller inserts it at once
}

void CDirTreeCtrl::AddDummy(QTreeWidgetItem* item) const {
    auto* dummy = new QTreeWidgetItem(item);
    dummy->setData(0, kKindRole, kDummy);
    dummy->setFlags(Qt::NoItemFlags);
}

bool CDirTreeCtrl::NeedsReading(const QTreeWidgetItem* item) const {
    return item->childCount() == 1 && (IsDummy(item->child(0)) || IsReading(item->child(0)));
}

QString CDirTreeCtrl::GetFullPath(const QTreeWidgetItem* item) const {
    if (!item || IsDummy(item) || IsReading(item)) {
        return {};
    }
    QStringList parts;
    for (; item; item = item->parent()) {
        parts.prepend(item->text(0));
    }
    QString path = parts.takeFirst();
    for (const QString& part : parts) {
        if (!path.endsWith(u'/')) {
            path += u'/';
        }
        path += part;
    }
    return path;
}

QString CDirTreeCtrl::SelectedPath() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : GetFullPath(selected.front());
}

bool CDirTreeCtrl::SelectPath(const QString& path) {
    QString target = path;
    while (target.size() > 1 && target.endsWith(u'/')) {
        target.chop(1);
    }
    if (target.isEmpty() || !QFileInfo(target).isDir()) {
        return false;
    }
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        if (BeginsWithFolder(target, root->text(0)) &&
            (!item || root->text(0).size() > item->text(0).size())) {
            item = root;
        }
    }
    if (!item) {
        return false;
    }
    const QStringList parts = target.mid(item->text(0).size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        FillNow(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i) {
            if (item->child(i)->text(0) == part) {
                next = item->child(i);
            }
        }
        for (int i = 0; i < item->childCount() && !next; ++i) {
            if (item->child(i)->text(0).compare(part, Qt::CaseInsensitive) == 0) {
                next = item->child(i);
            }
        }
        if (!next) {
            break;
        }
        item->setExpanded(true);
        item = next;
    }
    setCurrentItem(item);
    scrollToItem(item);
    return true;
}

void CDirTreeCtrl::OnItemExpanded(QTreeWidgetItem* item) {
    if (item->childCount() == 1 && IsDummy(item->child(0))) {
        StartRead(item);
    }
}

void CDirTreeCtrl::OnItemCollapsed(QTreeWidgetItem* item) {
    CancelReads(item);
    DeleteChildren(item);
    AddDummy(item);
}

// Runs on a pool thread: reads and sorts, touching nothing of the tree; the
// watcher hands the result to the tree's thread.
void CDirTreeCtrl::StartRead(QTreeWidgetItem* item) {
    DeleteChildren(item);
    auto* reading = new QTreeWidgetItem(item, QStringList{QStringLiteral("...")});
    reading->setData(0, kKindRole, kReading);
    reading->setFlags(Qt::NoItemFlags);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    auto promise = std::make_shared<QPromise<std::vector<Entry>>>();
    auto watcher = std::make_unique<QFutureWatcher<std::vector<Entry>>>();
    QObject::connect(watcher.get(), &QFutureWatcherBase::finished, this,
                     [this, item] { FinishRead(item); });
    watcher->setFuture(promise->future());
    reads_[item] = std::move(watcher);
    promise->start();
    QThreadPool::globalInstance()->start(
        [promise, path = GetFullPath(item), showFiles = showFiles_] {
            std::vector<Entry> entries =
                ReadFolder(path, showFiles, [&] { return promise->isCanceled(); });
            promise->addResult(std::move(entries));
            promise->finish();
        });
}

void CDirTreeCtrl::FinishRead(QTreeWidgetItem* item) {
    const auto found = reads_.find(item);
    if (found == reads_.end()) {
        return;
    }
    std::unique_ptr<QFutureWatcher<std::vector<Entry>>> watcher = std::move(found->second);
    reads_.erase(found);
    QApplication::restoreOverrideCursor();
    const QFuture<std::vector<Entry>> future = watcher->future();
    // Still inside its signal.
    watcher.release()->deleteLater();
    if (future.resultCount() > 0 && NeedsReading(item)) {
        Fill(item, future.result());
    }
}

void CDirTreeCtrl::CancelReads(const QTreeWidgetItem* under) {
    for (auto it = reads_.begin(); it != reads_.end();) {
        if (under && !IsBelow(it->first, under)) {
            ++it;
            continue;
        }
        it->second->disconnect();
        it->second->future().cancel();
        QApplication::restoreOverrideCursor();
        it = reads_.erase(it);
    }
}

void CDirTreeCtrl::Fill(QTreeWidgetItem* item, const std::vector<Entry>& entries) {
    setUpdatesEnabled(false);
    DeleteChildren(item);
    std::vector<std::unique_ptr<QTreeWidgetItem>> made;
    made.reserve(entries.size());
    for (const Entry& entry : entries) {
        made.emplace_back(NewItem(entry));
    }
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(made.size()));
    for (auto& child : made) {
        children.append(child.release());
    }
    item->addChildren(children);
    setUpdatesEnabled(true);
}

// For selecting a path, which has to walk the folders at once.
void CDirTreeCtrl::FillNow(QTreeWidgetItem* item) {
    if (!NeedsReading(item)) {
        return;
    }
    CancelReads(item);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Fill(item, ReadFolder(GetFullPath(item), showFiles_));
    QApplication::restoreOverrideCursor();
}
