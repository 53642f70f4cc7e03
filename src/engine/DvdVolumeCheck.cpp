#include "DvdVolumeCheck.h"

#include "CheckedVolumes.h"
#include "GstGraphParts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velvaro::engine {

namespace {

constexpr int kCheckTimeoutMs = 20000;
constexpr const char* kCheckProgram = "velvaro-dvdcheck";

QString CheckProgramPath() {
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                               QLatin1String(kCheckProgram);
        if (QFileInfo(beside).isExecutable()) {
            return beside;
        }
    }
    return QStringLiteral(VELVARO_DVDCHECK_PATH);  // running from the build tree
}

// Readable when the process has ended; -1 where the kernel has none.
struct ProcessEnd {
    explicit ProcessEnd(pid_t process)
        : fd(static_cast<int>(::syscall(SYS_pidfd_open, process, 0))) {}
    ~ProcessEnd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ProcessEnd(const ProcessEnd&) = delete;
    ProcessEnd& operator=(const ProcessEnd&) = delete;
    const int fd;
};

}  // namespace

bool LooksLikeVolume(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return false;
    }
    if (!info.isDir()) {
        struct stat status {};
        return info.isFile() || (::stat(QFile::encodeName(path).constData(), &status) == 0 &&
                                 S_ISBLK(status.st_mode));
    }
    const QDir folder(path);
    return folder.exists(QStringLiteral("VIDEO_TS.IFO")) ||
           folder.exists(QStringLiteral("video_ts.ifo"));
}

bool CheckVolumeOutOfProcess(const std::string& path, const std::atomic<bool>& cancelled) {
    const QString programPath = CheckProgramPath();
    QByteArray program = QFile::encodeName(programPath);
    std::string volume = path;
    char* arguments[] = {program.data(), volume.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int started =
        posix_spawn(&child, program.constData(), &actions, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        qCWarning(lcEngine).noquote()
            << "The DVD check" << programPath << "could not be started:" << std::strerror(started);
        return false;
    }
    const std::int64_t begun = SteadyNow();
    // Told the moment the child ends, where the kernel can; else by polling.
    const ProcessEnd ending(child);
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            break;
        }
        if (ended < 0 && errno != EINTR) {
            qCWarning(lcEngine).noquote() << "The DVD check of" << QString::fromStdString(path)
                                          << "was lost:" << std::strerror(errno);
            return false;
        }
        const bool late = SteadyNow() - begun > kCheckTimeoutMs;
        if (cancelled || late) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            if (late) {
                qCWarning(lcEngine).noquote()
                    << "The DVD check of" << QString::fromStdString(path) << "did not finish.";
            }
            return false;
        }
        if (ending.fd >= 0) {
            pollfd end{ending.fd, POLLIN, 0};
            ::poll(&end, 1, static_cast<int>(kRenderWaitSlice.count()));
        } else {
            std::this_thread::sleep_for(kRenderWaitSlice);
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        qCWarning(lcEngine).noquote()
            << "The DVD" << QString::fromStdString(path) << "cannot be read:"
            << (WIFSIGNALED(status) ? QStringLiteral("the reader crashed")
                                    : QStringLiteral("the reader failed"));
        return false;
    }
    return true;
}

bool CheckVolume(const std::string& path, const std::atomic<bool>& cancelled) {
    CheckedVolumes checked = CheckedVolumes::ForUser();
    const std::string identity = CheckedVolumes::Identity(path);
    if (checked.Passed(identity)) {
        return true;
    }
    if (!CheckVolumeOutOfProcess(path, cancelled)) {
        return false;
    }
    checked.RememberPassed(identity);
    return true;
}

}  // namespace velvaro::engine
