// What each command looks like now: enabled or greyed, checked, and for a
// toolbar button its face. The menus, the context menu, the toolbar and the
// desktop's media controls all draw from this one table; nothing reads a
// widget to learn a state.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <unordered_map>

struct CommandLook {
    bool enabled = true;
    bool checked = false;
    int image = -1;  // a toolbar button's picture; -1 until one is set
    QString tip;
    bool operator==(const CommandLook&) const = default;
};

class CommandStateTable : public QObject {
    Q_OBJECT

public:
    // Takes what a freshly built menu or toolbar shows, without telling.
    void Seed(int id, bool enabled, bool checked);
    void SetEnabled(int id, bool enabled);
    void SetChecked(int id, bool checked);
    void SetFace(int id, int image, const QString& tip);
    // A face by the keys of its picture and tip in the toolbar's button
    // table, which the view that draws the toolbar looks up.
    void SetFace(int id, const char* imageKey, const char* tipKey);
    using FaceLookup = std::function<CommandLook(const QString& imageKey, const QString& tipKey)>;
    void SetFaceLookup(FaceLookup lookup) { faceLookup_ = std::move(lookup); }
    // A command never seen is enabled and unchecked.
    CommandLook Look(int id) const;
    bool IsEnabled(int id) const { return Look(id).enabled; }
    bool IsChecked(int id) const { return Look(id).checked; }

Q_SIGNALS:
    void changed(int id, const CommandLook& look);

private:
    void Set(int id, CommandLook look);

    std::unordered_map<int, CommandLook> looks_;
    FaceLookup faceLookup_;
};
