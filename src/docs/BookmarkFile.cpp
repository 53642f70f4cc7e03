#include "docs/BookmarkFile.h"

#include "docs/DocumentFile.h"
#include "docs/DocumentPaths.h"
#include "docs/ListDocument.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace velvaro::docs {

namespace {

// Leading digits as a number, as atoi reads them: "12x" is 12, "x" is 0.
std::int32_t DecimalPrefix(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool IsTrue(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "true";
}

}  // namespace

std::optional<std::vector<Bookmark>> LoadBookmarkFile(const std::string& path) {
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text) {
        return std::nullopt;
    }
    CXmlDocument document;
    if (!EnterListDocument(document, *text, "bookmarklist")) {
        return std::nullopt;
    }
    std::vector<Bookmark> bookmarks;
    while (document.FindChildElement("bookmark")) {
        bookmarks.push_back({document.GetChildData(),
                             DecimalPrefix(document.GetChildAttribute("time")),
                             ResolvedPath(path, document.GetChildAttribute("file")),
                             IsTrue(document.GetChildAttribute("dummy"))});
    }
    return bookmarks;
}

bool SaveBookmarkFile(const std::string& path, const std::vector<Bookmark>& bookmarks,
                      std::string_view build) {
    CXmlDocument document = StartListDocument("bookmarklist", build);
    for (const Bookmark& bookmark : bookmarks) {
        document.AddChildElement("bookmark", bookmark.description);
        document.SetChildAttribute("time", std::to_string(bookmark.time));
        document.SetChildAttribute("file", StoredPath(path, bookmark.file));
        if (bookmark.dummy) {
            document.SetChildAttribute("dummy", "true");
        }
    }
    return WriteDocumentFile(path, document.GetDocument());
}

std::string FormatBookmarkTime(std::int32_t hundredths) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2i:%.2i:%.2i.%.2i", hundredths / 360000,
                  (hundredths / 6000) % 60, (hundredths / 100) % 60, hundredths % 100);
    return text;
}

}  // namespace velvaro::docs
