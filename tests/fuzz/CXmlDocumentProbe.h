// Looks inside a document's element index, for the fuzz target's checks.
#pragma once

#include "docs/CXmlDocument.h"

#include <array>
#include <string>
#include <vector>

class CXmlDocumentProbe {
public:
    // Offsets of one element and its depth, in document order.
    using Entry = std::array<std::int32_t, 5>;

    // The first way in which the index disagrees with the text, or empty:
    // every tag offset must point at its '<', '>' or '/', children must lie
    // inside their parent in order, and every record taken must be in the tree.
    static std::string CheckIndex(const CXmlDocument& doc) {
        if (doc.records_.empty()) {
            return doc.freeIndex_ == 1 ? std::string() : "free index without a table";
        }
        const std::string& text = doc.text_;
        const auto at = [&](std::int32_t offset, char c) {
            return offset >= 0 && static_cast<std::size_t>(offset) < text.size() &&
                   text[static_cast<std::size_t>(offset)] == c;
        };
        std::int32_t reached = 0;
        std::vector<std::int32_t> pending;
        if (doc.records_[0].firstChild != 0) {
            pending.push_back(doc.records_[0].firstChild);
        }
        while (!pending.empty()) {
            const std::int32_t index = pending.back();
            pending.pop_back();
            if (index <= 0 || index >= doc.freeIndex_ || ++reached >= doc.freeIndex_) {
                return "record " + std::to_string(index) + " outside the taken ones";
            }
            const XmlElementRecord& r = doc.Record(index);
            const bool empty = r.startTagRight == r.endTagLeft + 1;
            if (!at(r.startTagLeft, '<') || !at(r.startTagRight, '>') ||
                r.startTagLeft >= r.startTagRight ||
                (empty ? !at(r.endTagLeft, '/') || r.endTagRight != r.startTagRight
                       : !at(r.endTagLeft, '<') || !at(r.endTagRight, '>') ||
                             r.endTagLeft <= r.startTagRight || r.endTagRight <= r.endTagLeft)) {
                return "record " + std::to_string(index) + " does not match the text";
            }
            std::int32_t previousEnd = r.startTagRight;
            for (std::int32_t child = r.firstChild; child != 0;
                 child = doc.Record(child).nextSibling) {
                const XmlElementRecord& c = doc.Record(child);
                if (c.parent != index || c.startTagLeft <= previousEnd ||
                    c.endTagRight >= r.endTagLeft) {
                    return "child " + std::to_string(child) + " out of place";
                }
                previousEnd = c.endTagRight;
                pending.push_back(child);
            }
        }
        if (reached != doc.freeIndex_ - 1) {
            return "records taken but not in the tree";
        }
        for (const std::int32_t nav : {doc.parent_, doc.element_, doc.child_}) {
            if (nav < 0 || nav >= doc.freeIndex_) {
                return "navigation outside the taken records";
            }
        }
        return {};
    }

    // True unless the markup is of a kind that the writer's additions turn
    // into other markup when read again: a tag name that is a lone delimiter,
    // such as the '>' of "<>", or an empty element ending "//>", where
    // replacing the last '/' leaves another one.
    static bool WritesReadBackAlike(const CXmlDocument& doc) {
        const std::string& text = doc.text_;
        for (std::int32_t index = 1; index < doc.freeIndex_; ++index) {
            const XmlElementRecord& r = doc.Record(index);
            const auto token = doc.TagNameToken(index);
            if (!token || token->quoted ||
                velvaro::xml::IsDelimiter(text[static_cast<std::size_t>(token->first)])) {
                return false;
            }
            if (r.startTagRight == r.endTagLeft + 1 &&
                text[static_cast<std::size_t>(r.endTagLeft - 1)] == '/') {
                return false;
            }
        }
        return true;
    }

    static std::vector<Entry> Outline(const CXmlDocument& doc) {
        std::vector<Entry> outline;
        if (!doc.IsWellFormed()) {
            return outline;
        }
        std::vector<std::pair<std::int32_t, std::int32_t>> pending{{doc.records_[0].firstChild, 0}};
        while (!pending.empty()) {
            const auto [index, depth] = pending.back();
            pending.pop_back();
            const XmlElementRecord& r = doc.Record(index);
            outline.push_back(
                {r.startTagLeft, r.startTagRight, r.endTagLeft, r.endTagRight, depth});
            std::vector<std::int32_t> children;
            for (std::int32_t c = r.firstChild; c != 0; c = doc.Record(c).nextSibling) {
                children.push_back(c);
            }
            for (auto c = children.rbegin(); c != children.rend(); ++c) {
                pending.push_back({*c, depth + 1});
            }
        }
        return outline;
    }
};
