#include "FileErrorText.h"

#include <cerrno>

namespace velvaro::platform {

FileErrorKind FileErrorKindFromErrno(int error) {
    switch (error) {
        case 0:
            return FileErrorKind::None;
        case ENOENT:
            return FileErrorKind::FileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return FileErrorKind::BadPath;
        case EMFILE:
        case ENFILE:
            return FileErrorKind::TooManyOpenFiles;
        // Deleting a folder as a file is refused as access.
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case EEXIST:
        case ENOTEMPTY:
            return FileErrorKind::AccessDenied;
        case EBADF:
            return FileErrorKind::InvalidFile;
        case EBUSY:
            return FileErrorKind::RemoveCurrentDir;
        case EMLINK:
            return FileErrorKind::DirectoryFull;
        case ESPIPE:
            return FileErrorKind::BadSeek;
        case EIO:
            return FileErrorKind::HardIO;
        case EDEADLK:
        case EAGAIN:
            return FileErrorKind::LockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileErrorKind::DiskFull;
        default:
            return FileErrorKind::Generic;
    }
}

std::string GetFileErrorText(FileErrorKind kind) {
    switch (kind) {
        case FileErrorKind::None:
            return "No error occurred.";
        case FileErrorKind::Generic:
            return "An unspecified error occurred.";
        case FileErrorKind::FileNotFound:
            return "The file could not be located.";
        case FileErrorKind::BadPath:
            return "All or part of the path is invalid.";
        case FileErrorKind::TooManyOpenFiles:
            return "The permitted number of open files was exceeded.";
        case FileErrorKind::AccessDenied:
            return "The file could not be accessed.";
        case FileErrorKind::InvalidFile:
            return "There was an attempt to use an invalid file handle.";
        case FileErrorKind::RemoveCurrentDir:
            return "The current working directory cannot be removed.";
        case FileErrorKind::DirectoryFull:
            return "There are no more directory entries.";
        case FileErrorKind::BadSeek:
            return "There was an error trying to set the file pointer.";
        case FileErrorKind::HardIO:
            return "There was a hardware error.";
        case FileErrorKind::SharingViolation:
            return "SHARE.EXE was not loaded, or a shared region was locked.";
        case FileErrorKind::LockViolation:
            return "There was an attempt to lock a region that was already locked.";
        case FileErrorKind::DiskFull:
            return "The disk is full.";
        case FileErrorKind::EndOfFile:
            return "The end of file was reached.";
    }
    return "Unknown error occured.";
}

}  // namespace velvaro::platform
