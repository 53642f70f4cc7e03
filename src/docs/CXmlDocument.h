// The small markup engine behind the bookmark and playlist files.
//
// A document is one text plus an index of element positions into it. Reads
// walk the index level by level; writes splice element and attribute text
// straight into the string and shift the index along, so the text is always
// the serialised form. Texts are UTF-8 byte strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "docs/XmlScanner.h"

// Offsets of one element in the document text, and its links. Index 0 of the
// table is the virtual document record whose first child is the root.
struct XmlElementRecord {
    std::int32_t startTagLeft = 0;   // '<' of the start tag
    std::int32_t startTagRight = 0;  // '>' of the start tag
    std::int32_t endTagLeft = 0;     // '<' of the end tag; the '/' of <name/>
    std::int32_t endTagRight = 0;    // '>' of the end tag; startTagRight for <name/>
    std::int32_t parent = 0;
    std::int32_t firstChild = 0;
    std::int32_t nextSibling = 0;
};

class CXmlDocument {
public:
    // Replaces the text, resets navigation and parses. False unless the text
    // holds a well-formed root element; GetError then tells why, except when
    // an end tag comes before any element. The text stays either way, and a
    // root can still be added to a text without one.
    bool SetDocument(std::string_view text);
    const std::string& GetDocument() const { return text_; }
    bool IsWellFormed() const;

    // An empty name matches any element. A name matches a tag when it starts
    // with the tag and ends there or goes on with ' ', '=', '/' or '['.
    //
    // Next element of the current level after the current element.
    bool FindElement(std::string_view name = {});
    // Next child of the current element after the current child; finds the
    // first element of the level first when there is no current element.
    bool FindChildElement(std::string_view name = {});
    // Steps down: the current element becomes the parent, the current child
    // (possibly none) the current element.
    bool IntoElement();

    // Only name="value" and name='value' are attributes; empty when absent.
    std::string GetChildAttribute(std::string_view name) const;
    // CDATA content raw, other content entity-decoded; empty for an element
    // with children.
    std::string GetChildData() const;

    // Adds <name>value</name> (or <name/> for an empty value) and CR LF after
    // the current element, or at the end of the level; it becomes the current
    // element. Refused at document level once there is a root.
    bool AddElement(std::string_view name, std::string_view value = {});
    // Adds under the current element after the current child, or after its
    // last child; it becomes the current child.
    bool AddChildElement(std::string_view name, std::string_view value = {});
    // Replace the quoted value of the attribute of the current element (or
    // child), or append name="value" to its start tag, before the '/' of an
    // empty one. False without a target, and when the old value runs past the
    // start tag's '>', as replacing it would also replace markup behind it.
    bool SetAttribute(std::string_view name, std::string_view value);
    bool SetChildAttribute(std::string_view name, std::string_view value);

    // The last parse error; a later successful parse leaves it.
    const std::string& GetError() const { return error_; }

private:
    friend class CXmlDocumentProbe;  // index checks in the fuzz target

    enum class NodeKind { None, Element };

    // Table
    XmlElementRecord& Record(std::int32_t index) {
        return records_[static_cast<std::size_t>(index)];
    }
    const XmlElementRecord& Record(std::int32_t index) const {
        return records_[static_cast<std::size_t>(index)];
    }
    void SizeTableForText();
    std::int32_t TakeRecord();
    void GiveBack(std::int32_t index);
    static bool IsEmptyElement(const XmlElementRecord& record);
    std::optional<velvaro::xml::Token> TagNameToken(std::int32_t index) const;
    std::string TagName(std::int32_t index) const;

    // Parse
    std::int32_t ParseRoot();
    std::int32_t OpenElement(std::int32_t parent, bool& complete);
    std::int32_t CloseElement(std::int32_t index);
    std::int32_t SkipNode(std::int32_t lt) const;
    std::int32_t Fail(const char* message, std::string_view name = {});

    // Read
    std::int32_t FindAtLevel(std::int32_t parent, std::int32_t after, std::string_view name) const;
    std::optional<velvaro::xml::Token> FindAttributeValue(std::int32_t index,
                                                          std::string_view name) const;
    std::string CharacterData(std::int32_t index) const;

    // Write
    std::int32_t InsertElement(std::int32_t parent, std::int32_t previous, std::string_view name,
                               std::string_view value);
    bool SetRecordAttribute(std::int32_t index, std::string_view name, std::string_view value);
    bool Splice(std::int32_t at, std::int32_t replaced, std::string_view inserted);
    void ShiftRecord(std::int32_t index, std::int32_t from, std::int32_t delta);
    void ShiftSubtree(std::int32_t top, std::int32_t from, std::int32_t delta);
    void ShiftFollowing(std::int32_t index, std::int32_t from, std::int32_t delta);

    std::string text_;
    std::string error_;
    std::vector<XmlElementRecord> records_;
    std::int32_t freeIndex_ = 1;
    std::int32_t parent_ = 0;
    std::int32_t element_ = 0;
    std::int32_t child_ = 0;
    NodeKind kind_ = NodeKind::None;
};
