// What the online update needs besides its dialog: where the server is,
// which program file it replaces, how the new program is started, the
// version comparison, the signature check and the file error texts. The
// program path, the launcher and the public key are settable so that tests
// run the whole update without replacing or starting anything real.
#pragma once

#include "platform/FileErrorText.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>

namespace velvaro::update {

inline constexpr char kDefaultServerHost[] = "update.velvaro.org";
inline constexpr int kDefaultServerPort = 80;

struct ServerAddress {
    QString host;
    int port = kDefaultServerPort;
};

// VELVARO_UPDATE_SERVER ("host" or "host:port") when set, else the default.
ServerAddress GetServerAddress();

// The program file the update replaces; the running program unless set.
QString GetProgramPath();
// An empty path brings back the running program's.
void SetProgramPath(const QString& path);

// Starts `program` with `arguments` detached; true when it started.
using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;
bool Launch(const QString& program, const QStringList& arguments);
// Makes `launcher` the one Launch uses and gives back the one it replaces;
// an empty launcher brings back the real one.
Launcher SetLauncher(Launcher launcher);

// The base64 Ed25519 public key downloads must be signed with; empty when
// downloads are not checked. Its default is the one the build carries.
QByteArray GetPublicKey();
// An empty key turns the check off; SetPublicKey(BuiltInPublicKey()) restores.
void SetPublicKey(const QByteArray& base64);
QByteArray BuiltInPublicKey();

// True when `signatureBase64` is a valid Ed25519 signature of `data` under
// `publicKeyBase64` (the raw 32-byte key or its DER form, base64).
bool VerifySignature(const QByteArray& data, const QByteArray& signatureBase64,
                     const QByteArray& publicKeyBase64);

// Every "." removed, then the leading decimal digits as one number (none: 0).
long long VersionNumber(const QString& version);
// True when `newest` is later than `installed` by that reading.
bool IsNewer(const QString& newest, const QString& installed);

// Whether the user may replace the program file: it and its folder must be
// writable (not so when the system's package manager installed it).
bool CanReplaceProgram(const QString& path);

// The kind of a file device's failure; `systemError` is errno right after it.
velvaro::platform::FileErrorKind FileErrorFromDevice(QFileDevice::FileError error, int systemError);

// Fills "%s", "%i" and "%d" in order from `args`; "%%" is a percent sign.
// Missing arguments stay empty, so a damaged text never reads past them.
QString FormatCode(const QString& format, const QStringList& args);

// Lines of a text answer: a line feed ends a line, a carriage return before
// it is dropped and a last line without one still counts.
QStringList AnswerLines(const QByteArray& body);

}  // namespace velvaro::update
