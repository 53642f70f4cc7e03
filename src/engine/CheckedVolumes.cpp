#include "CheckedVolumes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

#include <sys/stat.h>

namespace velvaro::engine {

namespace {

// Enough for every disc a user keeps coming back to.
constexpr int kRemembered = 200;
// IFO files are a few hundred kilobytes at most; anything larger is no disc.
constexpr qint64 kLargestIfo = 16 * 1024 * 1024;

void AddFileFacts(QCryptographicHash& hash, const QFileInfo& info) {
    hash.addData(QFile::encodeName(info.fileName()));
    const QByteArray facts = QByteArray::number(info.size()) + ' ' +
                             QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n';
    hash.addData(facts);
}

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    QFile list(QString::fromStdString(file));
    if (!list.open(QIODevice::ReadOnly)) {
        return lines;
    }
    while (!list.atEnd() && static_cast<int>(lines.size()) <= 4 * kRemembered) {
        const QByteArray line = list.readLine(256).trimmed();
        if (!line.isEmpty()) {
            lines.push_back(line.toStdString());
        }
    }
    return lines;
}

}  // namespace

CheckedVolumes::CheckedVolumes(std::string file) : file_(std::move(file)) {}

CheckedVolumes CheckedVolumes::ForUser() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return CheckedVolumes(folder.isEmpty()
                              ? std::string()
                              : (folder + QStringLiteral("/velvaro/checked-discs")).toStdString());
}

std::string CheckedVolumes::Identity(const std::string& path) {
    // The same disc however it is named: links resolved, slashes tidied.
    const QFileInfo volume(QFileInfo(QString::fromStdString(path)).canonicalFilePath());
    struct stat status {};
    if (volume.filePath().isEmpty() ||
        ::stat(QFile::encodeName(volume.filePath()).constData(), &status) != 0) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QFile::encodeName(volume.filePath()) + '\n');
    if (S_ISREG(status.st_mode)) {
        AddFileFacts(hash, volume);
        return hash.result().toHex().toStdString();
    }
    if (!S_ISDIR(status.st_mode)) {
        return {};  // a drive: another disc may be in it
    }
    const QFileInfoList files =
        QDir(volume.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& file : files) {
        AddFileFacts(hash, file);
        if (!file.suffix().compare(QLatin1String("ifo"), Qt::CaseInsensitive)) {
            QFile ifo(file.absoluteFilePath());
            if (file.size() > kLargestIfo || !ifo.open(QIODevice::ReadOnly)) {
                return {};
            }
            hash.addData(ifo.readAll());
        }
    }
    return hash.result().toHex().toStdString();
}

bool CheckedVolumes::Passed(const std::string& identity) const {
    if (identity.empty() || file_.empty()) {
        return false;
    }
    const std::vector<std::string> lines = ReadLines(file_);
    return std::find(lines.begin(), lines.end(), identity) != lines.end();
}

void CheckedVolumes::RememberPassed(const std::string& identity) {
    if (identity.empty() || file_.empty()) {
        return;
    }
    std::vector<std::string> lines = ReadLines(file_);
    lines.erase(std::remove(lines.begin(), lines.end(), identity), lines.end());
    lines.push_back(identity);
    const auto keep = std::min<std::size_t>(lines.size(), kRemembered);
    const QString name = QString::fromStdString(file_);
    QDir().mkpath(QFileInfo(name).absolutePath());
    QSaveFile list(name);
    if (!list.open(QIODevice::WriteOnly)) {
        return;
    }
    for (auto line = lines.end() - static_cast<std::ptrdiff_t>(keep); line != lines.end(); ++line) {
        list.write(line->data(), static_cast<qint64>(line->size()));
        list.write("\n", 1);
    }
    list.commit();
}

}  // namespace velvaro::engine
