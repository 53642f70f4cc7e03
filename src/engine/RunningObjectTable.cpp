#include "RunningObjectTable.h"

#include <map>
#include <mutex>

namespace velvaro::engine {
namespace {

struct Entry {
    std::string name;
    std::shared_ptr<IUnknown> graph;  // registered with keep-alive, as the table does
};

struct Table {
    std::mutex mutex;
    std::map<DWORD, Entry> entries;
    DWORD next = 1;
};

Table& TheTable() {
    static Table table;
    return table;
}

}  // namespace

DWORD RegisterRunningObject(const std::string& name, const std::shared_ptr<IUnknown>& graph) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const DWORD cookie = table.next++;
    table.entries[cookie] = Entry{name, graph};
    return cookie;
}

void RevokeRunningObject(DWORD cookie) {
    Table& table = TheTable();
    std::shared_ptr<IUnknown> released;
    std::lock_guard lock(table.mutex);
    if (const auto found = table.entries.find(cookie); found != table.entries.end()) {
        released = std::move(found->second.graph);
        table.entries.erase(found);
    }
}

std::vector<std::string> RunningObjectNames() {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    std::vector<std::string> names;
    for (const auto& [cookie, entry] : table.entries) {
        names.push_back(entry.name);
    }
    return names;
}

}  // namespace velvaro::engine
