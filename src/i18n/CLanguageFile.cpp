#include "CLanguageFile.h"

#include "LanguageFolders.h"
#include "LanguageText.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

using velvaro::i18n::DecodeLanguageBytes;

namespace {

// Length of the first and of the last character, so that a character outside
// the basic plane is never cut in half.
qsizetype FirstCharLength(const QString& text) {
    return text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
}

qsizetype LastCharLength(const QString& text) {
    const qsizetype n = text.size();
    return n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate() ? 2 : 1;
}

// An entry line is opening delimiter, key, '|', anything, '|', value,
// closing delimiter; the delimiters may be any character.
std::optional<LanguageEntry> ParseEntry(const QString& line) {
    const qsizetype keyStart = FirstCharLength(line);
    const qsizetype valueEnd = line.size() - LastCharLength(line);
    const qsizetype p1 = line.indexOf(u'|', keyStart);
    if (p1 < 0) {
        return std::nullopt;
    }
    const qsizetype p2 = line.indexOf(u'|', p1 + 1);
    if (p2 < 0 || p2 >= valueEnd) {
        return std::nullopt;
    }
    return LanguageEntry{line.mid(keyStart, p1 - keyStart), line.mid(p2 + 1, valueEnd - p2 - 1)};
}

std::optional<QByteArray> ReadFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace

CLanguageFile::CLanguageFile() = default;

CLanguageFile::CLanguageFile(CResourceSymbols symbols) : symbols_(std::move(symbols)) {}

std::int32_t CLanguageFile::LoadFile(const QString& fileName) {
    std::optional<QByteArray> bytes;
    for (const QString& folder : velvaro::i18n::LanguageFileFolders()) {
        bytes = ReadFile(folder + fileName);
        if (bytes) {
            break;
        }
    }
    if (!bytes) {
        return kLoadFailed;
    }
    Parse(velvaro::i18n::SplitFileLines(DecodeLanguageBytes(*bytes)));
    source_ = Source::File;
    fileName_ = fileName;
    return 0;
}

std::int32_t CLanguageFile::LoadResource(int id) {
    const std::optional<QByteArray> bytes = ReadFile(velvaro::i18n::LanguageResourcePath(id));
    if (!bytes) {
        return kLoadFailed;
    }
    Parse(velvaro::i18n::SplitResourceLines(DecodeLanguageBytes(*bytes)));
    source_ = Source::Resource;
    resourceId_ = id;
    return 0;
}

void CLanguageFile::Parse(const QStringList& lines) {
    sections_.clear();
    for (const QString& line : lines) {
        ParseLine(line);
    }
}

void CLanguageFile::ParseLine(const QString& rawLine) {
    const QString line = velvaro::i18n::TrimWhiteSpace(rawLine);
    if (line.isEmpty() || line.front() == u'#') {
        return;
    }
    if (line.front() == u'[') {
        // Whatever the last character is, it is taken for the closing bracket.
        const qsizetype end = line.size() - LastCharLength(line);
        sections_.push_back({end > 1 ? line.mid(1, end - 1) : QString(), {}});
        return;
    }
    if (sections_.empty()) {
        return;
    }
    if (std::optional<LanguageEntry> entry = ParseEntry(line)) {
        sections_.back().entries.push_back(std::move(*entry));
    }
}

void CLanguageFile::ForEachEntry(const QString& section,
                                 const std::function<void(const LanguageEntry&)>& visit) const {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (s->name.compare(section, Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (auto e = s->entries.rbegin(); e != s->entries.rend(); ++e) {
            visit(*e);
        }
    }
}

QString CLanguageFile::GetText(const QString& section, const QString& key) const {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (s->name.compare(section, Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (auto e = s->entries.rbegin(); e != s->entries.rend(); ++e) {
            if (e->key.compare(key, Qt::CaseInsensitive) == 0) {
                QString text = e->value;
                text.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
                text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
                return text;
            }
        }
    }
    return {};
}

QString CLanguageFile::GetCodeText(const QString& key) const {
    return GetText(QStringLiteral("Code"), key);
}
