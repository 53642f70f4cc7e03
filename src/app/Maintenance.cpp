#include "Maintenance.h"

#include "i18n/CLanguageFile.h"
#include "platform/DesktopProjection.h"
#include "platform/FileErrorText.h"
#include "platform/FormatText.h"
#include "platform/ProgramFileLock.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <QMessageBox>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace {

using velvaro::platform::FileErrorKindFromErrno;
using velvaro::platform::GetFileErrorText;

void ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.exec();
}

QString Code(const CLanguageFile& language, const char* key) {
    return language.GetCodeText(QLatin1String(key));
}

// The path without its last `count` characters (not bytes); empty when it
// has no more than that.
std::string WithoutLastCharacters(const std::string& path, std::size_t count) {
    std::size_t end = path.size();
    for (std::size_t removed = 0; removed < count; ++removed) {
        if (end == 0) {
            return {};
        }
        // Back over UTF-8 continuation bytes to the character's first byte.
        do {
            --end;
        } while (end > 0 && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80);
    }
    return path.substr(0, end);
}

// Key paths are split at their last backslash into the parent and the leaf.
std::pair<std::string_view, std::string_view> SplitKey(std::string_view key) {
    const auto slash = key.rfind('\\');
    return {key.substr(0, slash), key.substr(slash + 1)};
}

// Deletes parent\leaf with everything below it; failures are silent.
void DeleteKeyTree(HKEY root, std::string_view key) {
    const auto [parentName, leaf] = SplitKey(key);
    RegKey parent;
    if (parent.Open(root, parentName) == ERROR_SUCCESS) {
        parent.RecurseDeleteKey(leaf);
    }
}

}  // namespace

void RunUpdateStep1(const std::string& ownPath, const CLanguageFile& language) {
    const std::string target = WithoutLastCharacters(ownPath, 9);
    velvaro::platform::WaitUntilProgramFileFree(target);

    int error = 0;
    struct stat old {};
    const bool haveMode = ::stat(target.c_str(), &old) == 0;
    // One rename replaces the old file: without a new one, the old stays.
    if (::rename((target + ".tmp2.exe").c_str(), target.c_str()) != 0 ||
        (haveMode && ::chmod(target.c_str(), old.st_mode & 07777) != 0)) {
        error = errno;
    }
    if (error != 0) {
        const std::string reason = GetFileErrorText(FileErrorKindFromErrno(error));
        const std::string text = velvaro::platform::FormatText(
            Code(language, "UPDATE_MSGBOX_FILEERROR").toStdString(), {reason});
        ShowBox(QMessageBox::Critical, Code(language, "UPDATE_MSGBOX_CAPTION"),
                QString::fromStdString(text));
        return;
    }
    QProcess::startDetached(QString::fromStdString(target), {QStringLiteral("/update_step_2")});
}

void RunUpdateStep2(const std::string& ownPath, const CLanguageFile& language) {
    // A missing file is a file error as well ("could not be located").
    const bool deleted = ::unlink((ownPath + ".tmp1.exe").c_str()) == 0;
    ShowBox(deleted ? QMessageBox::Information : QMessageBox::Critical,
            Code(language, "UPDATE_MSGBOX_CAPTION"),
            Code(language, deleted ? "UPDATE_MSGBOX_SUCCESS" : "UPDATE_MSGBOX_DELTMPERR"));
}

void RunUninstall(CSettings& settings, const CLanguageFile& language) {
    for (const FileAssociationEntry& entry : settings.associations) {
        if (entry.flags & ASSOC_ASSOCIATED) {
            UnassociateExtension(entry.extension);
        }
    }
    // Nothing is ours any more: the desktop forgets the program altogether.
    velvaro::platform::RemoveDesktopProjection();

    {
        RegKey classes;
        if (classes.Open(HKEY_CLASSES_ROOT, "") == ERROR_SUCCESS) {
            classes.RecurseDeleteKey(velvaro::kFileTypeKey);
        }
    }
    DeleteKeyTree(HKEY_CURRENT_USER, velvaro::kProductKey);
    {
        RegKey company;
        DWORD subKeys = 1;
        if (company.Open(HKEY_CURRENT_USER, velvaro::kCompanyKey) == ERROR_SUCCESS &&
            RegQueryInfoKey(company.Handle(), &subKeys, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS &&
            subKeys == 0) {
            company.Close();
            DeleteKeyTree(HKEY_CURRENT_USER, velvaro::kCompanyKey);
        }
    }
    DeleteKeyTree(HKEY_LOCAL_MACHINE, velvaro::kUninstallKey);

    settings.persistent = 0;
    ShowBox(QMessageBox::Information, Code(language, "UNINSTALL_MSGBOX_CAPTION"),
            Code(language, "UNINSTALL_MSGBOX_SUCCESS"));
}
