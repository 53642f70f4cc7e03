#include "ProgramFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace velvaro::platform {

namespace {

// Close-on-exec: a program started from this one must not carry the lock on.
int OpenForLock(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

std::atomic<int> heldLock{-1};

}  // namespace

void HoldProgramFileLock(const std::string& programFile) {
    if (heldLock.load() >= 0) {
        return;
    }
    const int file = OpenForLock(programFile);
    if (file < 0) {
        return;
    }
    int result = 0;
    while ((result = ::flock(file, LOCK_SH)) != 0 && errno == EINTR) {
    }
    int none = -1;
    // Kept open on purpose: the lock lives as long as the process.
    if (result != 0 || !heldLock.compare_exchange_strong(none, file)) {
        ::close(file);
    }
}

void WaitUntilProgramFileFree(const std::string& programFile) {
    const int file = OpenForLock(programFile);
    if (file < 0) {
        return;
    }
    // Blocks instead of asking again and again: the same wait without a busy core.
    while (::flock(file, LOCK_EX) != 0 && errno == EINTR) {
    }
    ::close(file);
}

}  // namespace velvaro::platform
