// Paths inside bookmark and playlist files: relative to the document's
// folder where they lie below it, full otherwise.
#pragma once

#include <string>

namespace velvaro::docs {

// Up to and including the last '/'; empty when there is none.
std::string DocumentFolder(const std::string& documentPath);
// The path as a document at `documentPath` stores it: without the document's
// folder when it begins with it (letters compared without regard to case).
std::string StoredPath(const std::string& documentPath, const std::string& path);
// A stored path that is not empty, does not start with '/' and has no ':'
// is taken as relative to the document's folder; any other is used as it is.
std::string ResolvedPath(const std::string& documentPath, const std::string& stored);

}  // namespace velvaro::docs
