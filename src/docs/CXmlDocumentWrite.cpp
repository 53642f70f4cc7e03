// Adding elements and attributes by splicing text into the document and
// shifting the offsets that lie behind the splice.
#include "CXmlDocument.h"
#include "XmlEntities.h"

#include <algorithm>

using velvaro::xml::Offset;

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string ElementText(std::string_view name, std::string_view encodedValue) {
    std::string text = "<";
    text.append(name);
    if (encodedValue.empty()) {
        text.append("/>");
    } else {
        text.append(">").append(encodedValue).append("</").append(name).append(">");
    }
    text.append(kLineEnd);
    return text;
}

Offset Length(std::string_view text) {
    return static_cast<Offset>(text.size());
}

}  // namespace

bool CXmlDocument::AddElement(std::string_view name, std::string_view value) {
    if (records_.empty()) {
        SizeTableForText();
    }
    if (parent_ == 0) {
        if (IsWellFormed()) {
            return false;
        }
        // A new root goes at the end of whatever text is there.
        Record(0).endTagLeft = velvaro::xml::Size(text_);
    }
    const Offset added = InsertElement(parent_, element_, name, value);
    if (added == 0) {
        return false;
    }
    element_ = added;
    child_ = 0;
    kind_ = NodeKind::Element;
    return true;
}

bool CXmlDocument::AddChildElement(std::string_view name, std::string_view value) {
    if (element_ == 0) {
        return false;
    }
    const Offset added = InsertElement(element_, child_, name, value);
    if (added == 0) {
        return false;
    }
    child_ = added;
    kind_ = NodeKind::Element;
    return true;
}

bool CXmlDocument::SetAttribute(std::string_view name, std::string_view value) {
    return SetRecordAttribute(element_, name, value);
}

bool CXmlDocument::SetChildAttribute(std::string_view name, std::string_view value) {
    return SetRecordAttribute(child_, name, value);
}

// Inserts a new element below `parent` after `previous` (at the end of the
// level when 0) and returns it, or 0 when the text would grow too large.
Offset CXmlDocument::InsertElement(Offset parent, Offset previous, std::string_view name,
                                   std::string_view value) {
    const XmlElementRecord& p = Record(parent);
    const bool parentEmpty = parent != 0 && IsEmptyElement(p);
    const bool parentBare = parent != 0 && !parentEmpty && p.startTagRight + 1 == p.endTagLeft;

    Offset at = previous != 0 ? Record(previous).endTagRight + 1 : p.endTagLeft;
    if (!parentEmpty) {
        // Start right at the next tag, so the line breaks stay where they were.
        const Offset next = velvaro::xml::SkipSpace(text_, at);
        if (next == velvaro::xml::Size(text_) || text_[static_cast<std::size_t>(next)] == '<') {
            at = next;
        }
    }

    const std::string element = ElementText(name, velvaro::xml::EncodeElementValue(value));
    std::string inserted;
    Offset replaced = 0;
    Offset elementAt = at;
    if (parentEmpty) {
        // <p/> becomes <p>, CR LF, the new line, </p>: the '/' gives way.
        at = p.endTagLeft;
        replaced = 1;
        inserted.append(">").append(kLineEnd).append(element).append("</").append(TagName(parent));
        elementAt = at + 1 + Length(kLineEnd);
    } else if (parentBare) {
        inserted.append(kLineEnd).append(element);
        elementAt = at + Length(kLineEnd);
    } else {
        inserted = element;
    }
    if (!Splice(at, replaced, inserted)) {
        return 0;
    }

    const Offset added = TakeRecord();
    XmlElementRecord& record = Record(added);
    record.parent = parent;
    if (previous != 0) {
        record.nextSibling = Record(previous).nextSibling;
        Record(previous).nextSibling = added;
    } else if (Record(parent).firstChild == 0) {
        Record(parent).firstChild = added;
    } else {
        Offset last = Record(parent).firstChild;
        while (Record(last).nextSibling != 0) {
            last = Record(last).nextSibling;
        }
        Record(last).nextSibling = added;
    }
    const Offset delta = Length(inserted) - replaced;
    ShiftFollowing(added, at + replaced, delta);

    const Offset nameLength = Length(name);
    XmlElementRecord& placed = Record(added);
    placed.startTagLeft = elementAt;
    if (value.empty()) {
        placed.startTagRight = elementAt + 2 + nameLength;
        placed.endTagLeft = placed.startTagRight - 1;
        placed.endTagRight = placed.startTagRight;
    } else {
        placed.startTagRight = elementAt + 1 + nameLength;
        placed.endTagLeft = elementAt + Length(element) - Length(kLineEnd) - 3 - nameLength;
        placed.endTagRight = placed.endTagLeft + 2 + nameLength;
    }
    if (parentEmpty) {
        XmlElementRecord& grown = Record(parent);
        grown.startTagRight = at;
        grown.endTagLeft = elementAt + Length(element);
        grown.endTagRight = at + Length(inserted);
    }
    return added;
}

bool CXmlDocument::SetRecordAttribute(Offset index, std::string_view name, std::string_view value) {
    if (index == 0 || kind_ != NodeKind::Element) {
        return false;
    }
    const XmlElementRecord& record = Record(index);
    const std::string encoded = velvaro::xml::EncodeAttributeValue(value);
    Offset at = 0;
    Offset replaced = 0;
    std::string inserted;
    if (const auto found = FindAttributeValue(index, name)) {
        // A quoted value that runs past the start tag's '>' holds other
        // markup; replacing it would tear the index apart.
        if (found->last >= std::min(record.startTagRight, record.endTagLeft)) {
            return false;
        }
        at = found->first;
        replaced = found->Length();
        inserted = encoded;
    } else {
        // Before the '/' of an empty element, so the slash stays last.
        at = IsEmptyElement(record) ? record.endTagLeft : record.startTagRight;
        inserted.append(" ").append(name).append("=\"").append(encoded).append("\"");
    }
    if (!Splice(at, replaced, inserted)) {
        return false;
    }
    const Offset delta = Length(inserted) - replaced;
    ShiftSubtree(index, at + replaced, delta);
    ShiftFollowing(index, at + replaced, delta);
    return true;
}

bool CXmlDocument::Splice(Offset at, Offset replaced, std::string_view inserted) {
    if (text_.size() - static_cast<std::size_t>(replaced) + inserted.size() >
        velvaro::xml::kMaxTextSize) {
        return false;
    }
    text_.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(replaced), inserted);
    return true;
}

void CXmlDocument::ShiftRecord(Offset index, Offset from, Offset delta) {
    XmlElementRecord& record = Record(index);
    for (std::int32_t* offset :
         {&record.startTagLeft, &record.startTagRight, &record.endTagLeft, &record.endTagRight}) {
        if (*offset >= from) {
            *offset += delta;
        }
    }
}

// Every record of the subtree of `top`, in document order, without recursion.
void CXmlDocument::ShiftSubtree(Offset top, Offset from, Offset delta) {
    Offset index = top;
    for (;;) {
        ShiftRecord(index, from, delta);
        if (Record(index).firstChild != 0) {
            index = Record(index).firstChild;
            continue;
        }
        while (index != top && Record(index).nextSibling == 0) {
            index = Record(index).parent;
        }
        if (index == top) {
            return;
        }
        index = Record(index).nextSibling;
    }
}

// What lies behind `index` in the text: the following siblings of it and of
// its ancestors with their subtrees, and the ancestors' end tags. Appending
// at the end of a level thus costs only the walk up to the root.
void CXmlDocument::ShiftFollowing(Offset index, Offset from, Offset delta) {
    for (; index != 0; index = Record(index).parent) {
        for (Offset sibling = Record(index).nextSibling; sibling != 0;
             sibling = Record(sibling).nextSibling) {
            ShiftSubtree(sibling, from, delta);
        }
        ShiftRecord(Record(index).parent, from, delta);
    }
}
