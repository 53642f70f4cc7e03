// Reading the markup text: character classes, tokens and the name-match rule.
// Offsets are signed 32-bit, like the element records that store them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velvaro::xml {

using Offset = std::int32_t;

// Longest text whose offsets still fit an Offset, with room for one past the end.
inline constexpr std::size_t kMaxTextSize = 0x7FFFFFF0;

struct Token {
    Offset first = 0;  // first character of the token (after the quote when quoted)
    Offset last = -1;  // last character; first - 1 for an empty quoted token
    Offset next = 0;   // where scanning goes on
    bool quoted = false;

    Offset Length() const { return last - first + 1; }
};

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool IsDelimiter(char c) {
    switch (c) {
        case '<':
        case '>':
        case '=':
        case '\\':
        case '/':
        case '?':
        case '!':
            return true;
        default:
            return false;
    }
}

inline Offset Size(std::string_view text) {
    return static_cast<Offset>(text.size());
}

// The offset after the character at `pos`. A UTF-8 lead byte and its
// continuation bytes are one character, so none of them is ever taken for a
// delimiter or white space.
Offset NextChar(std::string_view text, Offset pos);

// First `c` (an ASCII character) at or after `from`, or -1. Every byte of a
// UTF-8 multi-byte character is >= 0x80, so a byte-wise hit is always a
// character of its own.
Offset FindChar(std::string_view text, Offset from, char c);
// First occurrence of the ASCII text `what` at or after `from`, or -1.
Offset FindText(std::string_view text, Offset from, std::string_view what);
bool StartsAt(std::string_view text, Offset pos, std::string_view what);
Offset SkipSpace(std::string_view text, Offset pos);

// The token at or after `pos`; none at the end of the text.
std::optional<Token> ReadToken(std::string_view text, Offset pos);

inline bool IsChar(const Token& token, std::string_view text, char c) {
    return !token.quoted && token.Length() == 1 && text[static_cast<std::size_t>(token.first)] == c;
}

inline std::string_view TokenText(std::string_view text, const Token& token) {
    return token.Length() <= 0 ? std::string_view()
                               : text.substr(static_cast<std::size_t>(token.first),
                                             static_cast<std::size_t>(token.Length()));
}

// True when `name` begins with the token and either ends there or goes on with
// a space, '=', '/' or '['. So "media" and "media/x" match the tag media,
// "medi" and "mediax" do not.
bool NameMatches(std::string_view text, const Token& token, std::string_view name);

}  // namespace velvaro::xml
