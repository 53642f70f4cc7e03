#include "LanguageText.h"

#include <QStringDecoder>

#include <array>

namespace velvaro::i18n {
namespace {

template <typename Char>
bool IsCWhiteSpace(Char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Windows-1252 differs from Latin-1 in 0x80..0x9F only. The five bytes that
// it leaves undefined keep their own code points, as Windows maps them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x80 && value < 0xA0) {
            text.append(QChar(kWindows1252High[value - 0x80]));
        } else {
            text.append(QChar(char16_t{value}));
        }
    }
    return text;
}

}  // namespace

QByteArrayView TrimWhiteSpace(QByteArrayView text) {
    while (!text.isEmpty() && IsCWhiteSpace(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && IsCWhiteSpace(text.back())) {
        text.chop(1);
    }
    return text;
}

QString TrimWhiteSpace(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsCWhiteSpace(text[begin].unicode())) {
        ++begin;
    }
    while (end > begin && IsCWhiteSpace(text[end - 1].unicode())) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString DecodeLanguageBytes(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    return FromWindows1252(view);
}

QStringList SplitResourceLines(const QString& text) {
    QStringList lines;
    QString line;
    for (const QChar c : text) {
        if (c == u'\n') {
            lines.append(line);
            line.clear();
        } else if (c != u'\r') {
            line.append(c);
        }
    }
    lines.append(line);
    return lines;
}

QStringList SplitFileLines(const QString& text) {
    QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].endsWith(u'\r')) {
            lines[i].chop(1);
        }
    }
    return lines;
}

}  // namespace velvaro::i18n
