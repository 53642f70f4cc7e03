#include "XmlEntities.h"

#include <array>
#include <utility>

namespace velvaro::xml {

namespace {

// In the order they are tried.
constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{{
    {"&lt;", '<'},
    {"&amp;", '&'},
    {"&gt;", '>'},
    {"&apos;", '\''},
    {"&quot;", '"'},
}};

std::string_view EntityOf(char c, bool forAttribute) {
    switch (c) {
        case '<':
            return "&lt;";
        case '&':
            return "&amp;";
        case '>':
            return "&gt;";
        case '\'':
            return forAttribute ? "&apos;" : std::string_view();
        case '"':
            return forAttribute ? "&quot;" : std::string_view();
        default:
            return {};
    }
}

// The longest entity is 6 bytes: the buffer doubles before a write could
// overrun that margin, so an escape never reallocates twice.
constexpr std::size_t kMargin = 6;

std::string Encode(std::string_view value, bool forAttribute) {
    std::string out;
    out.reserve(value.size() + kMargin + value.size() / 10);
    for (const char c : value) {
        if (out.size() + kMargin >= out.capacity()) {
            out.reserve(out.capacity() * 2);
        }
        const std::string_view entity = EntityOf(c, forAttribute);
        if (entity.empty()) {
            out.push_back(c);
        } else {
            out.append(entity);
        }
    }
    return out;
}

}  // namespace

std::string DecodeEntities(std::string_view range) {
    std::string out;
    out.reserve(range.size());
    std::size_t pos = 0;
    while (pos < range.size()) {
        const std::size_t amp = range.find('&', pos);
        if (amp == std::string_view::npos) {
            out.append(range.substr(pos));
            break;
        }
        out.append(range.substr(pos, amp - pos));
        pos = amp + 1;
        char decoded = '&';
        for (const auto& [entity, c] : kEntities) {
            if (range.substr(amp).starts_with(entity)) {
                decoded = c;
                pos = amp + entity.size();
                break;
            }
        }
        out.push_back(decoded);
    }
    return out;
}

std::string EncodeElementValue(std::string_view value) {
    return Encode(value, false);
}

std::string EncodeAttributeValue(std::string_view value) {
    return Encode(value, true);
}

}  // namespace velvaro::xml
