#include "DvdVolumeCheck.h"

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
#include <spawn.h>
#include <sys/stat.h>
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
        std::this_thread::sleep_for(kRenderWaitSlice);
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

}  // namespace velvaro::engine
