#include "docs/DocumentFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace velvaro::docs {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool Close() { return close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Where the bytes of `path` really live: a link is replaced at its target.
std::string RealTarget(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit) {
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < limit) {
        const ssize_t got = read(fd.get(), buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    std::optional<std::string> bytes = ReadFileStart(path, limit + 1);
    if (bytes && bytes->size() > limit) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteDocumentFile(const std::string& path, std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }

    const std::string target = RealTarget(path);
    // A new file gets 0666 less the umask, as any created file does; a
    // replaced one keeps its permissions.
    std::string temporary;
    int created = -1;
    for (unsigned attempt = 0; created < 0 && attempt < 100; ++attempt) {
        temporary = target + ".new-" + std::to_string(getpid()) + '-' + std::to_string(attempt);
        created = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created < 0 && errno != EEXIST) {
            return false;
        }
    }
    FileDescriptor fd(created);
    if (fd.get() < 0) {
        return false;
    }
    struct stat old {};
    const bool keepMode = stat(target.c_str(), &old) == 0;
    const bool whole = (!keepMode || fchmod(fd.get(), old.st_mode & 07777) == 0) &&
                       WriteAll(fd.get(), bytes) && fsync(fd.get()) == 0 && fd.Close() &&
                       rename(temporary.c_str(), target.c_str()) == 0;
    if (!whole) {
        unlink(temporary.c_str());
    }
    return whole;
}

}  // namespace velvaro::docs
