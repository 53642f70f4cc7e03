// Toolbar key names with their tooltip texts and image indexes. Toggle
// owners switch a button by key; the language replaces the tooltips.
#pragma once

#include <QString>

#include <vector>

class CToolButtonTable {
public:
    static constexpr int kMaxEntries = 100;

    // Ignored once the table is full.
    void Add(const QString& key, const QString& tooltip, int image);
    // Keys are compared exactly. 0 when the key is absent.
    int GetImage(const QString& key) const;
    // Empty when the key is absent.
    QString GetTooltip(const QString& key) const;
    // The tooltip of the first entry with that image, empty when none has it.
    QString GetTooltipByImage(int image) const;
    // Replaces the tooltip of the first entry with that key, if any.
    void SetTooltip(const QString& key, const QString& text);

    int GetCount() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        QString key;
        QString tooltip;
        int image;
    };

    const Entry* Find(const QString& key) const;

    std::vector<Entry> entries_;
};

// Fills the table with the main window's 27 buttons and their German
// default tooltips, in the order the window adds them.
void AddStandardToolButtons(CToolButtonTable& table);
