// The kinds of file error the program tells its user about, and their texts.
#pragma once

#include <string>

namespace velvaro::platform {

enum class FileErrorKind {
    None,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// The kind of file error an errno value stands for; 0 is none.
FileErrorKind FileErrorKindFromErrno(int error);
// The English text of a kind; a value outside the kinds has a text too.
std::string GetFileErrorText(FileErrorKind kind);

}  // namespace velvaro::platform
