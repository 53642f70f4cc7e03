#include "CXmlDocument.h"

#include <algorithm>

using velvaro::xml::Offset;

bool CXmlDocument::SetDocument(std::string_view text) {
    text_.assign(text);
    parent_ = element_ = child_ = 0;
    kind_ = NodeKind::None;
    SizeTableForText();
    if (text.size() > velvaro::xml::kMaxTextSize) {
        error_ = "Document too large";
        return false;
    }
    const Offset root = ParseRoot();
    if (root <= 0) {
        Record(0) = XmlElementRecord{};
        freeIndex_ = 1;
        return false;
    }
    Record(0).firstChild = root;
    return true;
}

bool CXmlDocument::IsWellFormed() const {
    return !records_.empty() && Record(0).firstChild != 0;
}

void CXmlDocument::SizeTableForText() {
    // One record per 64 bytes is plenty for typical files, so a parse rarely
    // has to grow the table.
    const std::size_t length = std::min(text_.size(), velvaro::xml::kMaxTextSize);
    records_.assign(length / 64 + 8, XmlElementRecord{});
    freeIndex_ = 1;
}

Offset CXmlDocument::TakeRecord() {
    if (static_cast<std::size_t>(freeIndex_) >= records_.size()) {
        records_.resize(records_.size() + std::max<std::size_t>(records_.size() / 2, 1));
    }
    const Offset index = freeIndex_++;
    Record(index) = XmlElementRecord{};
    return index;
}

void CXmlDocument::GiveBack(Offset index) {
    // Records are taken and given back in stack order.
    if (index == freeIndex_ - 1) {
        --freeIndex_;
    }
}

bool CXmlDocument::IsEmptyElement(const XmlElementRecord& record) {
    return record.startTagRight == record.endTagLeft + 1;
}

std::optional<velvaro::xml::Token> CXmlDocument::TagNameToken(Offset index) const {
    return velvaro::xml::ReadToken(text_, Record(index).startTagLeft + 1);
}

std::string CXmlDocument::TagName(Offset index) const {
    const auto token = TagNameToken(index);
    return token ? std::string(velvaro::xml::TokenText(text_, *token)) : std::string();
}
