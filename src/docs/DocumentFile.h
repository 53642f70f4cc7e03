// Reading and writing the files our documents live in. A save replaces the
// old file only once the new one is whole on disk, so a full disk, a kill
// or a power cut leaves the old file as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velvaro::docs {

// Files beyond this are not read at all: nothing we write comes near it, and
// reading one whole would only cost memory.
inline constexpr std::size_t kMaxDocumentBytes = 256u << 20;

// At most `limit` bytes from the start; nullopt when the file cannot be
// opened or read.
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit);
// The whole file; nullopt when it cannot be read or is larger than the limit.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = kMaxDocumentBytes);

// Writes the document text as a text-mode stream does, every LF as CR LF,
// into a new file beside `path` that is then renamed over it (the target of
// a symbolic link, keeping the old file's permissions). False, with nothing
// changed, when the file cannot be written.
bool WriteDocumentFile(const std::string& path, std::string_view text);

}  // namespace velvaro::docs
