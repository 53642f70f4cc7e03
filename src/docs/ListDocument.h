// Bookmark and playlist files share a shape: a `velvaro` root carrying the
// writer's build, and one list element under it holding the entries.
#pragma once

#include "docs/CXmlDocument.h"

#include <string_view>

namespace velvaro::docs {

// A new document of that shape, positioned to add entries to the list.
CXmlDocument StartListDocument(std::string_view list, std::string_view build);
// Parses `text`; true when it has that shape, the document then positioned
// to read the list's entries with FindChildElement.
bool EnterListDocument(CXmlDocument& document, std::string_view text, std::string_view list);

}  // namespace velvaro::docs
