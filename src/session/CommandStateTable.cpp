#include "CommandStateTable.h"

void CommandStateTable::Seed(int id, bool enabled, bool checked) {
    CommandLook& look = looks_[id];
    look.enabled = enabled;
    look.checked = checked;
}

void CommandStateTable::SetEnabled(int id, bool enabled) {
    CommandLook look = Look(id);
    look.enabled = enabled;
    Set(id, look);
}

void CommandStateTable::SetChecked(int id, bool checked) {
    CommandLook look = Look(id);
    look.checked = checked;
    Set(id, look);
}

void CommandStateTable::SetFace(int id, int image, const QString& tip) {
    CommandLook look = Look(id);
    look.image = image;
    look.tip = tip;
    Set(id, look);
}

void CommandStateTable::SetFace(int id, const char* imageKey, const char* tipKey) {
    if (faceLookup_) {
        const CommandLook face =
            faceLookup_(QString::fromLatin1(imageKey), QString::fromLatin1(tipKey));
        SetFace(id, face.image, face.tip);
    }
}

CommandLook CommandStateTable::Look(int id) const {
    const auto found = looks_.find(id);
    return found == looks_.end() ? CommandLook{} : found->second;
}

// Told even when nothing changed: a view may have been rebuilt meanwhile.
void CommandStateTable::Set(int id, CommandLook look) {
    looks_[id] = look;
    Q_EMIT changed(id, look);
}
