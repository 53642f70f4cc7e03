#include "CResourceSymbols.h"

#include "LanguageText.h"

#include <QFile>

namespace {

constexpr auto kHeaderResource = ":/TEXT/240";
constexpr QByteArrayView kDefine = "#define ";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The leading decimal digits of text, as atoi reads them.
int LeadingNumber(QByteArrayView text) {
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF) {
            value = 0x7FFFFFFF;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

CResourceSymbols::CResourceSymbols() {
    QFile file(QString::fromLatin1(kHeaderResource));
    if (file.open(QIODevice::ReadOnly)) {
        Parse(file.readAll());
    }
}

CResourceSymbols::CResourceSymbols(const QByteArray& header) {
    Parse(header);
}

void CResourceSymbols::Parse(const QByteArray& header) {
    // Only lines ended by a line feed count: a last line without one is
    // dropped, as the header reader has always done.
    QByteArray line;
    for (const char c : header) {
        if (c == '\n') {
            AddLine(line);
            line.clear();
        } else if (c != '\r') {
            line.append(c);
        }
    }
}

void CResourceSymbols::AddLine(const QByteArray& rawLine) {
    const QByteArrayView line = velvaro::i18n::TrimWhiteSpace(QByteArrayView(rawLine));
    const qsizetype define = line.indexOf(kDefine);
    if (define < 0) {
        return;
    }
    QByteArrayView rest = line.sliced(define + kDefine.size());
    while (!rest.isEmpty() && IsBlank(rest.front())) {
        rest = rest.sliced(1);
    }
    qsizetype nameEnd = 0;
    while (nameEnd < rest.size() && !IsBlank(rest[nameEnd])) {
        ++nameEnd;
    }
    qsizetype lastBlank = rest.size() - 1;
    while (lastBlank >= 0 && !IsBlank(rest[lastBlank])) {
        --lastBlank;
    }
    entries_.push_back(
        {QString::fromUtf8(rest.first(nameEnd)), LeadingNumber(rest.sliced(lastBlank + 1))});
}

int CResourceSymbols::GetId(const QString& name) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->name.compare(name, Qt::CaseInsensitive) == 0) {
            return it->id;
        }
    }
    return -1;
}

QString CResourceSymbols::GetName(int id) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->id == id) {
            return it->name;
        }
    }
    return {};
}
