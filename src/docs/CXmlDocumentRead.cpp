// Navigation, attributes and character data.
#include "CXmlDocument.h"
#include "XmlEntities.h"

using velvaro::xml::IsChar;
using velvaro::xml::NameMatches;
using velvaro::xml::Offset;
using velvaro::xml::ReadToken;
using velvaro::xml::Token;

bool CXmlDocument::FindElement(std::string_view name) {
    if (records_.empty()) {
        return false;
    }
    const Offset found = FindAtLevel(parent_, element_, name);
    if (found == 0) {
        return false;
    }
    element_ = found;
    parent_ = Record(found).parent;
    child_ = 0;
    kind_ = NodeKind::Element;
    return true;
}

bool CXmlDocument::FindChildElement(std::string_view name) {
    if (element_ == 0 && !FindElement()) {
        return false;
    }
    const Offset found = FindAtLevel(element_, child_, name);
    if (found == 0) {
        return false;
    }
    child_ = found;
    element_ = Record(found).parent;
    parent_ = Record(element_).parent;
    kind_ = NodeKind::Element;
    return true;
}

bool CXmlDocument::IntoElement() {
    if (element_ == 0 || kind_ != NodeKind::Element) {
        return false;
    }
    parent_ = element_;
    element_ = child_;
    child_ = 0;
    kind_ = element_ != 0 ? NodeKind::Element : NodeKind::None;
    return true;
}

std::string CXmlDocument::GetChildAttribute(std::string_view name) const {
    if (child_ == 0 || kind_ != NodeKind::Element) {
        return {};
    }
    const auto value = FindAttributeValue(child_, name);
    return value ? velvaro::xml::DecodeEntities(velvaro::xml::TokenText(text_, *value))
                 : std::string();
}

std::string CXmlDocument::GetChildData() const {
    return child_ != 0 ? CharacterData(child_) : std::string();
}

// The next child of `parent` after `after` (the first one when 0) whose tag
// matches `name`; 0 when there is none.
Offset CXmlDocument::FindAtLevel(Offset parent, Offset after, std::string_view name) const {
    Offset candidate = after != 0 ? Record(after).nextSibling : Record(parent).firstChild;
    for (; candidate != 0; candidate = Record(candidate).nextSibling) {
        if (name.empty()) {
            return candidate;
        }
        const auto tag = TagNameToken(candidate);
        if (tag && NameMatches(text_, *tag, name)) {
            return candidate;
        }
    }
    return 0;
}

// The quoted token that is the value of `name` in the start tag of `index`.
// Only name="value" and name='value' count: the value must come two tokens
// after the first token matching the name.
std::optional<Token> CXmlDocument::FindAttributeValue(Offset index, std::string_view name) const {
    Offset pos = Record(index).startTagLeft + 1;
    int count = 0;
    int matched = 0;
    while (const auto token = ReadToken(text_, pos)) {
        pos = token->next;
        ++count;
        if (matched != 0 && count == matched + 2) {
            return token->quoted ? token : std::nullopt;
        }
        if (token->quoted) {
            continue;
        }
        if (IsChar(*token, text_, '>') || IsChar(*token, text_, '/') ||
            IsChar(*token, text_, '?')) {
            return std::nullopt;
        }
        if (count > 1 && matched == 0 && !IsChar(*token, text_, '=') &&
            NameMatches(text_, *token, name)) {
            matched = count;
        }
    }
    return std::nullopt;
}

std::string CXmlDocument::CharacterData(Offset index) const {
    const XmlElementRecord& record = Record(index);
    if (record.firstChild != 0 || IsEmptyElement(record)) {
        return {};
    }
    const std::string_view text = text_;
    const Offset content = record.startTagRight + 1;
    Offset pos = content;
    while (pos < record.endTagLeft && velvaro::xml::IsSpace(text[static_cast<std::size_t>(pos)])) {
        ++pos;
    }
    constexpr std::string_view kCdataOpen = "<![CDATA[";
    constexpr std::string_view kCdataClose = "]]>";
    if (record.endTagLeft - pos > 11 && velvaro::xml::StartsAt(text, pos, kCdataOpen)) {
        const Offset data = pos + static_cast<Offset>(kCdataOpen.size());
        const std::string_view rest = text.substr(
            static_cast<std::size_t>(data), static_cast<std::size_t>(record.endTagLeft - data));
        if (const auto close = rest.find(kCdataClose); close != std::string_view::npos) {
            return std::string(rest.substr(0, close));
        }
    }
    if (record.endTagLeft <= content) {
        return {};
    }
    return velvaro::xml::DecodeEntities(text.substr(
        static_cast<std::size_t>(content), static_cast<std::size_t>(record.endTagLeft - content)));
}
