#include "docs/DocumentPaths.h"

#include <algorithm>
#include <cctype>

namespace velvaro::docs {

namespace {

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

std::string DocumentFolder(const std::string& documentPath) {
    const std::size_t slash = documentPath.rfind('/');
    return slash == std::string::npos ? std::string() : documentPath.substr(0, slash + 1);
}

std::string StoredPath(const std::string& documentPath, const std::string& path) {
    const std::string folder = DocumentFolder(documentPath);
    if (folder.empty() || path.size() < folder.size() ||
        !std::equal(folder.begin(), folder.end(), path.begin(), SameLetter)) {
        return path;
    }
    return path.substr(folder.size());
}

std::string ResolvedPath(const std::string& documentPath, const std::string& stored) {
    if (stored.empty() || stored.front() == '/' || stored.find(':') != std::string::npos) {
        return stored;
    }
    return DocumentFolder(documentPath) + stored;
}

}  // namespace velvaro::docs
