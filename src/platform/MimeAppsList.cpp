#include "MimeAppsList.h"

#include <QMap>
#include <QSet>

#include <optional>
#include <vector>

namespace velvaro::platform {
namespace {

constexpr auto kDefaultSection = "Default Applications";
constexpr auto kAddedSection = "Added Associations";
constexpr auto kRemovedSection = "Removed Associations";

struct Line {
    QByteArray content;
    QByteArray ending;  // "\n", "\r\n", or nothing on an unterminated last line
};

std::vector<Line> SplitLines(const QByteArray& text) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            lines.push_back({text.mid(start), {}});
            break;
        }
        Line line{text.mid(start, end - start), "\n"};
        if (line.content.endsWith('\r')) {
            line.content.chop(1);
            line.ending = "\r\n";
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

QByteArray JoinLines(const std::vector<Line>& lines) {
    QByteArray text;
    for (const Line& line : lines) {
        text += line.content + line.ending;
    }
    return text;
}

std::optional<QByteArray> SectionName(const QByteArray& content) {
    const QByteArray trimmed = content.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith('[') && trimmed.endsWith(']')) {
        return trimmed.mid(1, trimmed.size() - 2);
    }
    return std::nullopt;
}

// The position of the '=' of an entry line; none for comments and others.
std::optional<qsizetype> EntrySeparator(const QByteArray& content) {
    const QByteArray trimmed = content.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#') || SectionName(content)) {
        return std::nullopt;
    }
    const qsizetype equals = content.indexOf('=');
    return equals > 0 ? std::optional(equals) : std::nullopt;
}

QByteArray EntryKey(const QByteArray& content, qsizetype equals) {
    return content.left(equals).trimmed().toLower();
}

QList<QByteArray> Applications(const QByteArray& value) {
    QList<QByteArray> applications;
    for (const QByteArray& part : value.split(';')) {
        if (const QByteArray id = part.trimmed(); !id.isEmpty()) {
            applications << id;
        }
    }
    return applications;
}

enum class Edit { Keep, Drop };

// Gives the entry line the new list unless it is the same; an empty list
// drops the line.
Edit Rewrite(Line& line, qsizetype equals, const QList<QByteArray>& applications) {
    const QByteArray value = line.content.mid(equals + 1);
    if (Applications(value) == applications) {
        return Edit::Keep;
    }
    if (applications.isEmpty()) {
        return Edit::Drop;
    }
    const bool closed = value.trimmed().endsWith(';');
    line.content = line.content.left(equals + 1) + applications.join(';') + (closed ? ";" : "");
    return Edit::Keep;
}

QList<QByteArray> Without(QList<QByteArray> applications, const QByteArray& desktopId) {
    applications.removeAll(desktopId);
    return applications;
}

QList<QByteArray> First(const QList<QByteArray>& applications, const QByteArray& desktopId) {
    return QList<QByteArray>{desktopId} + Without(applications, desktopId);
}

QByteArray NewLineOf(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (!line.ending.isEmpty()) {
            return line.ending;
        }
    }
    return "\n";
}

// Adds entry lines to the first section of that name, after its last line
// that is neither blank nor a comment; without such a section, adds one at
// the end.
void AddEntries(std::vector<Line>& lines, const QByteArray& section,
                const QList<QByteArray>& entries) {
    if (entries.isEmpty()) {
        return;
    }
    const QByteArray newLine = NewLineOf(lines);
    std::optional<size_t> header;
    for (size_t i = 0; i < lines.size() && !header; ++i) {
        if (SectionName(lines[i].content) == section) {
            header = i;
        }
    }
    size_t at = lines.size();
    if (header) {
        at = *header + 1;
        for (size_t i = *header + 1; i < lines.size() && !SectionName(lines[i].content); ++i) {
            // Blank lines and comments before the next section stay with it.
            const QByteArray trimmed = lines[i].content.trimmed();
            if (!trimmed.isEmpty() && !trimmed.startsWith('#')) {
                at = i + 1;
            }
        }
    } else {
        if (!lines.empty() && !lines.back().content.trimmed().isEmpty()) {
            if (lines.back().ending.isEmpty()) {
                lines.back().ending = newLine;
            }
            lines.push_back({{}, newLine});
        }
        lines.push_back({'[' + section + ']', newLine});
        at = lines.size();
    }
    if (at > 0 && lines[at - 1].ending.isEmpty()) {
        lines[at - 1].ending = newLine;
    }
    std::vector<Line> added;
    for (const QByteArray& entry : entries) {
        added.push_back({entry, newLine});
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

}  // namespace

QByteArray MakeDefaultFor(const QByteArray& text, const QByteArray& desktopId,
                          const QStringList& ownedTypes) {
    // By the lower-case name the lines are matched with; new lines keep the
    // name as given.
    QMap<QByteArray, QByteArray> owned;
    for (const QString& type : ownedTypes) {
        owned.insert(type.toLower().toUtf8(), type.toUtf8());
    }
    QSet<QByteArray> withDefault;
    QSet<QByteArray> withAdded;
    std::vector<Line> lines = SplitLines(text);
    std::vector<Line> kept;
    QByteArray section;
    for (Line& line : lines) {
        if (const auto name = SectionName(line.content)) {
            section = *name;
        }
        const auto equals = EntrySeparator(line.content);
        if (!equals) {
            kept.push_back(std::move(line));
            continue;
        }
        const QByteArray key = EntryKey(line.content, *equals);
        const QList<QByteArray> applications = Applications(line.content.mid(*equals + 1));
        const bool ours = owned.contains(key);
        Edit edit = Edit::Keep;
        if (section == kDefaultSection) {
            edit =
                Rewrite(line, *equals,
                        ours ? First(applications, desktopId) : Without(applications, desktopId));
            withDefault.insert(key);
        } else if (section == kAddedSection) {
            edit =
                Rewrite(line, *equals,
                        ours ? First(applications, desktopId) : Without(applications, desktopId));
            withAdded.insert(key);
        } else if (section == kRemovedSection && ours) {
            edit = Rewrite(line, *equals, Without(applications, desktopId));
        }
        if (edit == Edit::Keep) {
            kept.push_back(std::move(line));
        }
    }
    QList<QByteArray> newDefaults;
    QList<QByteArray> newAdded;
    for (auto it = owned.cbegin(); it != owned.cend(); ++it) {
        if (!withDefault.contains(it.key())) {
            newDefaults << it.value() + '=' + desktopId + ';';
        }
        if (!withAdded.contains(it.key())) {
            newAdded << it.value() + '=' + desktopId + ';';
        }
    }
    AddEntries(kept, kDefaultSection, newDefaults);
    AddEntries(kept, kAddedSection, newAdded);
    return JoinLines(kept);
}

QByteArray RemoveApplication(const QByteArray& text, const QByteArray& desktopId) {
    std::vector<Line> kept;
    for (Line& line : SplitLines(text)) {
        const auto equals = EntrySeparator(line.content);
        if (!equals || Rewrite(line, *equals,
                               Without(Applications(line.content.mid(*equals + 1)), desktopId)) ==
                           Edit::Keep) {
            kept.push_back(std::move(line));
        }
    }
    return JoinLines(kept);
}

}  // namespace velvaro::platform
