#include "UpdateSupport.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#ifndef VELVARO_UPDATE_PUBLIC_KEY
#define VELVARO_UPDATE_PUBLIC_KEY ""
#endif

namespace velvaro::update {

using velvaro::platform::FileErrorKind;

namespace {

// Tests set these on the user-interface thread while the worker may read them.
std::mutex& SeamMutex() {
    static std::mutex mutex;
    return mutex;
}

QString& ProgramPathOverride() {
    static QString path;
    return path;
}

Launcher& CurrentLauncher() {
    static Launcher launcher;
    return launcher;
}

QByteArray& CurrentPublicKey() {
    static QByteArray key = BuiltInPublicKey();
    return key;
}

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::unique_ptr<EVP_PKEY, PkeyFree> ReadPublicKey(const QByteArray& raw) {
    constexpr int kRawKeySize = 32;
    if (raw.size() == kRawKeySize) {
        return std::unique_ptr<EVP_PKEY, PkeyFree>(EVP_PKEY_new_raw_public_key(
            EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(raw.constData()),
            raw.size()));
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    std::unique_ptr<EVP_PKEY, PkeyFree> key(d2i_PUBKEY(nullptr, &bytes, raw.size()));
    if (key && EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        key.reset();
    }
    return key;
}

}  // namespace

ServerAddress GetServerAddress() {
    ServerAddress address;
    address.host = QString::fromLatin1(kDefaultServerHost);
    const QString value = qEnvironmentVariable("VELVARO_UPDATE_SERVER").trimmed();
    if (value.isEmpty()) {
        return address;
    }
    // Through QUrl so that "[::1]:8080" splits as well as "host:8080".
    const QUrl url(QStringLiteral("http://") + value);
    if (url.isValid() && !url.host().isEmpty()) {
        address.host = url.host();
        address.port = url.port(kDefaultServerPort);
    }
    return address;
}

QString GetProgramPath() {
    {
        std::lock_guard lock(SeamMutex());
        if (!ProgramPathOverride().isEmpty()) {
            return ProgramPathOverride();
        }
    }
    return QCoreApplication::applicationFilePath();
}

void SetProgramPath(const QString& path) {
    std::lock_guard lock(SeamMutex());
    ProgramPathOverride() = path;
}

bool Launch(const QString& program, const QStringList& arguments) {
    Launcher launcher;
    {
        std::lock_guard lock(SeamMutex());
        launcher = CurrentLauncher();
    }
    if (launcher) {
        return launcher(program, arguments);
    }
    return QProcess::startDetached(program, arguments);
}

Launcher SetLauncher(Launcher launcher) {
    std::lock_guard lock(SeamMutex());
    return std::exchange(CurrentLauncher(), std::move(launcher));
}

QByteArray BuiltInPublicKey() {
    return QByteArray(VELVARO_UPDATE_PUBLIC_KEY).trimmed();
}

QByteArray GetPublicKey() {
    std::lock_guard lock(SeamMutex());
    return CurrentPublicKey();
}

void SetPublicKey(const QByteArray& base64) {
    std::lock_guard lock(SeamMutex());
    CurrentPublicKey() = base64.trimmed();
}

bool VerifySignature(const QByteArray& data, const QByteArray& signatureBase64,
                     const QByteArray& publicKeyBase64) {
    const auto decode = [](const QByteArray& text) {
        auto result =
            QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
        return result ? *result : QByteArray();
    };
    const QByteArray signature = decode(signatureBase64);
    const QByteArray rawKey = decode(publicKeyBase64);
    constexpr int kSignatureSize = 64;
    if (signature.size() != kSignatureSize || rawKey.isEmpty()) {
        return false;
    }
    const auto key = ReadPublicKey(rawKey);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
    if (!key || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(
               context.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
               signature.size(), reinterpret_cast<const unsigned char*>(data.constData()),
               data.size()) == 1;
}

long long VersionNumber(const QString& version) {
    QString digits = version;
    digits.remove(u'.');
    long long number = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            break;
        }
        // Absurdly long versions stop growing instead of overflowing.
        if (number > (std::numeric_limits<long long>::max() - 9) / 10) {
            break;
        }
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

bool IsNewer(const QString& newest, const QString& installed) {
    return VersionNumber(newest) > VersionNumber(installed);
}

bool CanReplaceProgram(const QString& path) {
    const QFileInfo file(path);
    const QByteArray program = QFile::encodeName(file.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(file.absolutePath());
    // The effective user is the one who would write; root is stopped only by
    // a read-only file system.
    return faccessat(AT_FDCWD, program.constData(), W_OK, AT_EACCESS) == 0 &&
           faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

FileErrorKind FileErrorFromDevice(QFileDevice::FileError error, int systemError) {
    switch (error) {
        case QFileDevice::NoError:
            return FileErrorKind::None;
        case QFileDevice::PermissionsError:
            return FileErrorKind::AccessDenied;
        case QFileDevice::PositionError:
            return FileErrorKind::BadSeek;
        case QFileDevice::ReadError:
        case QFileDevice::WriteError:
        case QFileDevice::OpenError:
        case QFileDevice::ResizeError:
        case QFileDevice::ResourceError:
        case QFileDevice::FatalError:
        case QFileDevice::RemoveError:
        case QFileDevice::RenameError:
        case QFileDevice::CopyError:
            if (systemError != 0) {
                return velvaro::platform::FileErrorKindFromErrno(systemError);
            }
            return error == QFileDevice::ReadError || error == QFileDevice::WriteError
                       ? FileErrorKind::HardIO
                       : FileErrorKind::Generic;
        case QFileDevice::AbortError:
        case QFileDevice::TimeOutError:
        case QFileDevice::UnspecifiedError:
            break;
    }
    return FileErrorKind::Generic;
}

QString FormatCode(const QString& format, const QStringList& args) {
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar kind = format.at(i + 1);
            if (kind == u'%') {
                result += u'%';
                ++i;
                continue;
            }
            if (kind == u's' || kind == u'i' || kind == u'd') {
                if (next < args.size()) {
                    result += args.at(next);
                }
                ++next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

QStringList AnswerLines(const QByteArray& body) {
    QStringList lines;
    if (body.isEmpty()) {
        return lines;
    }
    const QString text = QString::fromUtf8(body);
    lines = text.split(u'\n');
    if (text.endsWith(u'\n')) {
        lines.removeLast();
    }
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
    }
    return lines;
}

}  // namespace velvaro::update
