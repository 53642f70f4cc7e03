#include "DesktopProjection.h"

#include "MimeAppsList.h"
#include "Registry.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <optional>

namespace velvaro::platform {
namespace {

Q_LOGGING_CATEGORY(lcDesktop, "velvaro.desktop", QtWarningMsg)

constexpr auto kDesktopId = "velvaro.desktop";
constexpr auto kIconFile = "velvaro.png";
constexpr DWORD kClassBufferSize = 1000;
constexpr int kDatabaseTimeoutMs = 3000;
// Velvaro's own playlists have no type in the shared MIME database.
constexpr auto kPlaylistType = "application/x-velvaro-playlist";
constexpr auto kPlaylistExtension = "vpp";
constexpr auto kMimePackage =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-velvaro-playlist\">\n"
    "    <comment>Velvaro playlist</comment>\n"
    "    <glob pattern=\"*.vpp\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

DesktopIdentity& Identity() {
    static DesktopIdentity identity;
    return identity;
}

QStringList& IconFiles() {
    static QStringList files;
    return files;
}

// A relative XDG folder is invalid and ignored, as the XDG rules say.
QString XdgFolder(const char* variable, const QString& fallback) {
    const QString folder = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(folder) ? folder : QDir::homePath() + fallback;
}

QString DataHome() {
    return XdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString ApplicationsFolder() {
    return DataHome() + QStringLiteral("/applications");
}

QString DesktopEntryPath() {
    return ApplicationsFolder() + u'/' + QLatin1String(kDesktopId);
}

QString HicolorFolder() {
    return DataHome() + QStringLiteral("/icons/hicolor");
}

QString MimeAppsPath() {
    return XdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) +
           QStringLiteral("/mimeapps.list");
}

std::optional<QByteArray> ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

// Writes atomically, and only when the file does not hold these bytes yet;
// true when it wrote them.
bool WriteIfChanged(const QString& path, const QByteArray& bytes) {
    if (ReadFile(path) == bytes) {
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcDesktop) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

// Extensions whose HKEY_CLASSES_ROOT class is the program's; none when the
// hive cannot be read, so that a broken registry takes no default away.
std::optional<std::vector<std::string>> OwnedExtensions() {
    std::vector<std::string> owned;
    HKEY root = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, "", KEY_READ, &root) != ERROR_SUCCESS) {
        qCInfo(lcDesktop) << "cannot read the shell classes";
        return std::nullopt;
    }
    std::array<char, 1024> name{};
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = name.size();
        const LONG status = RegEnumKeyEx(root, index, name.data(), &nameSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
            qCWarning(lcDesktop) << "cannot list the shell classes:" << status;
            RegCloseKey(root);
            return std::nullopt;
        }
        const std::string key(name.data(), std::min<size_t>(nameSize, name.size()));
        if (status != ERROR_SUCCESS || key.size() < 2 || key[0] != '.') {
            continue;
        }
        HKEY extension = 0;
        if (RegOpenKeyEx(root, key, KEY_QUERY_VALUE, &extension) != ERROR_SUCCESS) {
            continue;
        }
        std::array<BYTE, kClassBufferSize> data{};
        DWORD type = REG_NONE;
        DWORD size = data.size();
        if (RegQueryValueEx(extension, "", &type, data.data(), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            const auto* text = reinterpret_cast<const char*>(data.data());
            const QByteArray shellClass(text, qstrnlen(text, size));
            if (shellClass.compare("velvarofile", Qt::CaseInsensitive) == 0) {
                owned.push_back(key.substr(1));
            }
        }
        RegCloseKey(extension);
    }
    RegCloseKey(root);
    return owned;
}

// Audio, video and the playlists of the types the database names otherwise.
bool IsMediaType(const QString& type) {
    static const QStringList playlists = {QLatin1String(kPlaylistType),
                                          QStringLiteral("application/vnd.apple.mpegurl")};
    return type.startsWith(QLatin1String("audio/")) || type.startsWith(QLatin1String("video/")) ||
           playlists.contains(type);
}

QStringList MimeTypesOf(const std::vector<std::string>& extensions) {
    const QMimeDatabase database;
    QStringList types;
    for (const std::string& extension : extensions) {
        const QString name = QStringLiteral("x.") + QString::fromStdString(extension);
        const QList<QMimeType> found = database.mimeTypesForFileName(name);
        for (const QMimeType& type : found) {
            // The database may know an extension as more than media too:
            // .ts is also Qt's translation files, text/vnd.trolltech.linguist.
            if (IsMediaType(type.name())) {
                types << type.name();
            }
        }
        if (found.isEmpty() && QString::fromStdString(extension).compare(
                                   QLatin1String(kPlaylistExtension), Qt::CaseInsensitive) == 0) {
            types << QLatin1String(kPlaylistType);
        }
    }
    types.sort();
    types.removeDuplicates();
    return types;
}

// Escapes of a desktop entry's string values.
QString EscapeValue(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\') {
            escaped += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            escaped += QStringLiteral("\\n");
        } else if (c == u'\t') {
            escaped += QStringLiteral("\\t");
        } else if (c == u'\r') {
            escaped += QStringLiteral("\\r");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// One Exec argument: quoted when it holds a reserved character, with the
// characters that stay special inside quotes escaped, and '%' doubled.
QString ExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool quote =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    QString text;
    for (const QChar c : argument) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) {
            text += u'\\';
        }
        text += c == u'%' ? QStringLiteral("%%") : QString(c);
    }
    return EscapeValue(quote ? u'"' + text + u'"' : text);
}

QString ProgramPath() {
    if (const QString& path = Identity().programPath; !path.isEmpty()) {
        return path;
    }
    // The first start notifies while the settings load, before any
    // application object exists to ask.
    return QCoreApplication::instance()
               ? QCoreApplication::applicationFilePath()
               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QByteArray DesktopEntry(const QStringList& mimeTypes) {
    const QString program = ProgramPath();
    QString entry = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Velvaro\n"
        "GenericName=Media Player\n"
        "Comment=Play video and audio files, discs and playlists\n");
    entry += QStringLiteral("Exec=") + ExecArgument(program) + QStringLiteral(" %F\n");
    entry += QStringLiteral("TryExec=") + EscapeValue(program) + u'\n';
    entry += QStringLiteral(
        "Icon=velvaro\n"
        "Terminal=false\n"
        "Categories=AudioVideo;Player;Video;Audio;\n");
    if (!mimeTypes.isEmpty()) {
        entry += QStringLiteral("MimeType=") + mimeTypes.join(u';') + QStringLiteral(";\n");
    }
    return entry.toUtf8();
}

void WriteIcons() {
    QList<QImage> icons = Identity().icons;
    for (const QString& file : IconFiles()) {
        icons << QImage(file);
    }
    for (const QImage& icon : icons) {
        if (icon.isNull() || icon.width() != icon.height()) {
            continue;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!icon.save(&buffer, "PNG")) {
            continue;
        }
        const QString size = QString::number(icon.width());
        const QString path = HicolorFolder() + u'/' + size + u'x' + size +
                             QStringLiteral("/apps/") + QLatin1String(kIconFile);
        WriteIfChanged(path, png);
    }
}

QString MimeFolder() {
    return DataHome() + QStringLiteral("/mime");
}

QString MimePackagePath() {
    return MimeFolder() + QStringLiteral("/packages/velvaro.xml");
}

// Runs one of the desktop's cache tools on `folder` when both are there;
// never waits long.
void RunCacheTool(const char* name, const QString& folder) {
    const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (tool.isEmpty() || !QFileInfo(folder).isDir()) {
        return;
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, {folder});
    if (!process.waitForStarted(kDatabaseTimeoutMs)) {
        qCWarning(lcDesktop) << "cannot run" << tool;
        return;
    }
    if (!process.waitForFinished(kDatabaseTimeoutMs)) {
        qCWarning(lcDesktop) << tool << "did not finish in time";
        process.kill();
        process.waitForFinished(kDatabaseTimeoutMs);
    }
}

}  // namespace

void SetDesktopIdentity(const DesktopIdentity& identity) {
    Identity() = identity;
}

void SetDesktopIconFiles(const QStringList& files) {
    IconFiles() = files;
}

void NotifyShellAssociationsChanged(const std::vector<std::string>& knownExtensions) {
    if (WriteIfChanged(MimePackagePath(), kMimePackage)) {
        RunCacheTool("update-mime-database", MimeFolder());
    }
    const auto owned = OwnedExtensions();
    std::vector<std::string> listed = knownExtensions;
    if (owned) {
        listed.insert(listed.end(), owned->begin(), owned->end());
    }
    if (ProgramPath().isEmpty()) {
        qCWarning(lcDesktop) << "no program path for the desktop entry";
    } else {
        WriteIfChanged(DesktopEntryPath(), DesktopEntry(MimeTypesOf(listed)));
    }
    WriteIcons();

    const QString mimeApps = MimeAppsPath();
    const QByteArray before = ReadFile(mimeApps).value_or(QByteArray());
    if (owned) {
        const QByteArray after = MakeDefaultFor(before, kDesktopId, MimeTypesOf(*owned));
        if (after != before) {
            WriteIfChanged(mimeApps, after);
        }
    }
    RunCacheTool("update-desktop-database", ApplicationsFolder());
}

void RemoveDesktopProjection() {
    QFile::remove(DesktopEntryPath());
    if (QFile::remove(MimePackagePath())) {
        RunCacheTool("update-mime-database", MimeFolder());
    }
    const QDir hicolor(HicolorFolder());
    for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile::remove(hicolor.filePath(size + QStringLiteral("/apps/") + QLatin1String(kIconFile)));
    }
    const QString mimeApps = MimeAppsPath();
    if (const auto before = ReadFile(mimeApps)) {
        const QByteArray after = RemoveApplication(*before, kDesktopId);
        if (after != *before) {
            WriteIfChanged(mimeApps, after);
        }
    }
    RunCacheTool("update-desktop-database", ApplicationsFolder());
}

}  // namespace velvaro::platform
