#include "XmlScanner.h"

#include <algorithm>
#include <cstring>

namespace velvaro::xml {

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

Offset NextChar(std::string_view text, Offset pos) {
    const Offset size = Size(text);
    if (static_cast<unsigned char>(text[static_cast<std::size_t>(pos)]) < 0x80) {
        return pos + 1;
    }
    ++pos;
    while (pos < size && IsContinuationByte(text[static_cast<std::size_t>(pos)])) {
        ++pos;
    }
    return pos;
}

Offset FindChar(std::string_view text, Offset from, char c) {
    if (from < 0 || from >= Size(text)) {
        return -1;
    }
    const void* hit =
        std::memchr(text.data() + from, c, text.size() - static_cast<std::size_t>(from));
    return hit ? static_cast<Offset>(static_cast<const char*>(hit) - text.data()) : -1;
}

Offset FindText(std::string_view text, Offset from, std::string_view what) {
    if (from < 0 || from > Size(text)) {
        return -1;
    }
    const std::size_t hit = text.find(what, static_cast<std::size_t>(from));
    return hit == std::string_view::npos ? -1 : static_cast<Offset>(hit);
}

bool StartsAt(std::string_view text, Offset pos, std::string_view what) {
    return pos >= 0 &&
           text.substr(std::min(static_cast<std::size_t>(pos), text.size())).starts_with(what);
}

Offset SkipSpace(std::string_view text, Offset pos) {
    const Offset size = Size(text);
    while (pos < size && IsSpace(text[static_cast<std::size_t>(pos)])) {
        ++pos;
    }
    return pos;
}

std::optional<Token> ReadToken(std::string_view text, Offset pos) {
    const Offset size = Size(text);
    pos = SkipSpace(text, pos);
    if (pos >= size) {
        return std::nullopt;
    }
    const char c = text[static_cast<std::size_t>(pos)];
    if (c == '"' || c == '\'') {
        const Offset first = pos + 1;
        const Offset close = FindChar(text, first, c);
        if (close < 0) {
            return Token{first, size - 1, size, true};
        }
        return Token{first, close - 1, close + 1, true};
    }
    if (IsDelimiter(c)) {
        return Token{pos, pos, pos + 1, false};
    }
    Offset end = pos;
    while (end < size && !IsSpace(text[static_cast<std::size_t>(end)]) &&
           !IsDelimiter(text[static_cast<std::size_t>(end)])) {
        end = NextChar(text, end);
    }
    return Token{pos, end - 1, end, false};
}

bool NameMatches(std::string_view text, const Token& token, std::string_view name) {
    const std::string_view tokenText = TokenText(text, token);
    if (!name.starts_with(tokenText)) {
        return false;
    }
    if (name.size() == tokenText.size()) {
        return true;
    }
    const char next = name[tokenText.size()];
    return next == ' ' || next == '=' || next == '/' || next == '[';
}

}  // namespace velvaro::xml
