// Parsing a text into the element table. The nesting is followed with an
// explicit stack, so a deeply nested text cannot exhaust the call stack.
#include "CXmlDocument.h"

#include <vector>

using velvaro::xml::FindChar;
using velvaro::xml::FindText;
using velvaro::xml::IsChar;
using velvaro::xml::NameMatches;
using velvaro::xml::Offset;
using velvaro::xml::ReadToken;

namespace {

constexpr char kElementTagNotFound[] = "Element tag not found";
constexpr char kAbruptEnd[] = "Abrupt end within tag";
constexpr char kTagStartsWithQuote[] = "Tag starts with quote";
constexpr char kInvalidNode[] = "Invalid node";
constexpr char kEndOfTagNotFound[] = "End of tag not found";
constexpr char kEndTagNotFound[] = "End tag of %s element not found";
constexpr char kExpectingEndTag[] = "Expecting end tag of element %s";
constexpr char kEndTagMismatch[] = "End tag does not correspond to %s";
constexpr char kEndTagNotCompleted[] = "End tag not completed for element %s";

// An element whose children are being read.
struct OpenLevel {
    Offset index;
    Offset lastChild;
};

}  // namespace

Offset CXmlDocument::Fail(const char* message, std::string_view name) {
    error_ = message;
    if (const auto at = error_.find("%s"); at != std::string::npos) {
        error_.replace(at, 2, name);
    }
    return -1;
}

// The root element, 0 when an end tag comes first, -1 on error.
Offset CXmlDocument::ParseRoot() {
    bool complete = false;
    const Offset root = OpenElement(0, complete);
    if (root <= 0 || complete) {
        return root;
    }
    std::vector<OpenLevel> open{{root, 0}};
    for (;;) {
        const Offset current = open.back().index;
        Offset done = OpenElement(current, complete);
        if (done < 0) {
            return -1;
        }
        if (done > 0 && !complete) {
            open.push_back({done, 0});
            continue;
        }
        if (done == 0) {
            // No more children: the element's own end tag follows.
            done = CloseElement(current);
            if (done < 0) {
                return -1;
            }
            open.pop_back();
            if (open.empty()) {
                return done;
            }
        }
        OpenLevel& parent = open.back();
        if (parent.lastChild == 0) {
            Record(parent.index).firstChild = done;
        } else {
            Record(parent.lastChild).nextSibling = done;
        }
        parent.lastChild = done;
        Record(parent.index).endTagLeft = Record(done).endTagRight + 1;
    }
}

// Reads up to the end of the next start tag below `parent`. Returns the new
// record (complete when it is an empty element), 0 when an end tag comes
// first or, below the document level, when no tag is left, -1 on error.
Offset CXmlDocument::OpenElement(Offset parent, bool& complete) {
    complete = false;
    const Offset index = TakeRecord();
    Record(index).parent = parent;
    Offset pos = Record(parent).endTagLeft;
    Offset gt = -1;
    for (;;) {
        const Offset lt = FindChar(text_, pos, '<');
        if (lt < 0) {
            GiveBack(index);
            // Inside an element the search for its end tag reports what is missing.
            return parent == 0 ? Fail(kElementTagNotFound) : 0;
        }
        Record(parent).endTagLeft = lt;
        Record(index).startTagLeft = lt;
        const auto token = ReadToken(text_, lt + 1);
        if (!token) {
            GiveBack(index);
            return Fail(kAbruptEnd);
        }
        if (token->quoted) {
            GiveBack(index);
            return Fail(kTagStartsWithQuote);
        }
        if (IsChar(*token, text_, '?') || IsChar(*token, text_, '!')) {
            pos = SkipNode(lt);
            if (pos < 0) {
                GiveBack(index);
                return Fail(kInvalidNode);
            }
            continue;
        }
        if (IsChar(*token, text_, '/')) {
            GiveBack(index);
            return 0;
        }
        // A plain search: a '>' inside a quoted attribute value ends the tag.
        gt = FindChar(text_, token->next, '>');
        if (gt < 0) {
            GiveBack(index);
            return Fail(kEndOfTagNotFound);
        }
        break;
    }
    XmlElementRecord& record = Record(index);
    record.startTagRight = gt;
    if (text_[static_cast<std::size_t>(gt - 1)] == '/') {
        record.endTagLeft = gt - 1;
        record.endTagRight = gt;
        complete = true;
    } else {
        record.endTagLeft = gt + 1;
    }
    return index;
}

// Reads the end tag that follows the children of `index`.
Offset CXmlDocument::CloseElement(Offset index) {
    const std::string name = TagName(index);
    const Offset lt = FindChar(text_, Record(index).endTagLeft, '<');
    if (lt < 0) {
        return Fail(kEndTagNotFound, name);
    }
    int count = 0;
    Offset pos = lt + 1;
    while (const auto token = ReadToken(text_, pos)) {
        pos = token->next;
        ++count;
        if (token->quoted) {
            continue;
        }
        if (count == 1 && !IsChar(*token, text_, '/')) {
            return Fail(kExpectingEndTag, name);
        }
        if (count == 2 && !NameMatches(text_, *token, name)) {
            return Fail(kEndTagMismatch, name);
        }
        if (IsChar(*token, text_, '>')) {
            if (count < 2) {
                break;
            }
            Record(index).endTagRight = token->first;
            return index;
        }
    }
    return Fail(kEndTagNotCompleted, name);
}

// Skips the <? or <! node at `lt`; returns where scanning goes on, or -1 when
// the node has no end.
Offset CXmlDocument::SkipNode(Offset lt) const {
    if (lt + 2 >= velvaro::xml::Size(text_)) {
        return -1;
    }
    const char first = text_[static_cast<std::size_t>(lt + 1)];
    const char second = text_[static_cast<std::size_t>(lt + 2)];
    std::string_view terminator;
    if (first == '?') {
        terminator = "?>";
    } else if (first == '!' && second == '[') {
        terminator = "]]>";
    } else if (first == '!' && second == '-') {
        terminator = "-->";
    }
    if (!terminator.empty()) {
        const Offset at = FindText(text_, lt, terminator);
        return at < 0 ? -1 : at + static_cast<Offset>(terminator.size());
    }
    // A document type declaration: its internal subset in brackets may hold
    // '>' of its own.
    int depth = 0;
    Offset pos = lt;
    while (const auto token = ReadToken(text_, pos)) {
        pos = token->next;
        if (token->quoted) {
            continue;
        }
        if (IsChar(*token, text_, '>') && depth == 0) {
            return pos;
        }
        for (const char c : velvaro::xml::TokenText(text_, *token)) {
            if (c == '[') {
                ++depth;
            } else if (c == ']' && depth > 0) {
                --depth;
            }
        }
    }
    return -1;
}
