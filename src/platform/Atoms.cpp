#include "Atoms.h"

#include <QHash>

#include <map>
#include <mutex>

namespace {

struct AtomEntry {
    QString name;
    int references = 0;
};

class AtomTable {
public:
    ATOM Add(const QString& name) {
        if (name.isEmpty() || CharacterCount(name) > kMaxAtomNameLength) {
            return 0;
        }
        const std::lock_guard lock(mutex_);
        const QString key = name.toCaseFolded();
        if (const auto found = byName_.constFind(key); found != byName_.constEnd()) {
            ++entries_[found.value()].references;
            return found.value();
        }
        const ATOM atom = FreeNumber();
        if (atom == 0) {
            return 0;
        }
        entries_[atom] = AtomEntry{name, 1};
        byName_.insert(key, atom);
        return atom;
    }

    QString Name(ATOM atom, int bufferSize) {
        const std::lock_guard lock(mutex_);
        const auto found = entries_.find(atom);
        if (found == entries_.end() || bufferSize <= 1) {
            return {};
        }
        return Truncated(found->second.name, bufferSize - 1);
    }

    ATOM Delete(ATOM atom) {
        const std::lock_guard lock(mutex_);
        const auto found = entries_.find(atom);
        if (found == entries_.end()) {
            return atom;
        }
        if (--found->second.references == 0) {
            byName_.remove(found->second.name.toCaseFolded());
            entries_.erase(found);
        }
        return 0;
    }

    ATOM Find(const QString& name) {
        const std::lock_guard lock(mutex_);
        return byName_.value(name.toCaseFolded(), 0);
    }

private:
    // Characters, not UTF-16 units: a name never ends inside a surrogate pair.
    static int CharacterCount(const QString& text) {
        int count = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!(text[i].isHighSurrogate() && i + 1 < text.size() &&
                  text[i + 1].isLowSurrogate())) {
                ++count;
            }
        }
        return count;
    }

    static QString Truncated(const QString& text, int characters) {
        qsizetype end = 0;
        for (int count = 0; end < text.size() && count < characters; ++count) {
            end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        }
        return text.left(end);
    }

    // Numbers go round the range, so a number just freed is not handed out
    // again at once and a stale one is less likely to find a new name.
    ATOM FreeNumber() {
        constexpr int kCount = 0x10000 - kFirstStringAtom;
        if (entries_.size() >= kCount) {
            return 0;
        }
        for (int tries = 0; tries < kCount; ++tries) {
            const ATOM candidate = static_cast<ATOM>(kFirstStringAtom + next_);
            next_ = (next_ + 1) % kCount;
            if (!entries_.contains(candidate)) {
                return candidate;
            }
        }
        return 0;
    }

    std::mutex mutex_;
    std::map<ATOM, AtomEntry> entries_;
    QHash<QString, ATOM> byName_;  // case-folded name -> atom
    int next_ = 0;
};

AtomTable& Table() {
    static AtomTable table;
    return table;
}

}  // namespace

ATOM GlobalAddAtom(const QString& name) {
    return Table().Add(name);
}

QString GlobalGetAtomName(ATOM atom, int bufferSize) {
    return Table().Name(atom, bufferSize);
}

ATOM GlobalDeleteAtom(ATOM atom) {
    return Table().Delete(atom);
}

ATOM GlobalFindAtom(const QString& name) {
    return Table().Find(name);
}
