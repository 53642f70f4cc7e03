// Resource symbol names and their numbers, read from the resource header that
// the program carries as a resource.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class CResourceSymbols {
public:
    // Reads the header carried as the "TEXT" resource 240; without it the
    // table stays empty.
    CResourceSymbols();
    // Reads the given header text instead.
    explicit CResourceSymbols(const QByteArray& header);

    // The id of the name (compared without regard to case), -1 when unknown.
    // When a name is defined twice, the later definition counts.
    int GetId(const QString& name) const;
    // The name defined last for the id, empty when unknown.
    QString GetName(int id) const;

    int GetCount() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        QString name;
        int id;
    };

    void Parse(const QByteArray& header);
    void AddLine(const QByteArray& line);

    // In the order read; lookups walk from the back, so the latest wins.
    std::vector<Entry> entries_;
};
