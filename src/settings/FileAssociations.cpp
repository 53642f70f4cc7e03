#include "FileAssociations.h"

#include "CSettings.h"
#include "RegKey.h"
#include "RegistryKeys.h"
#include "platform/DesktopProjection.h"
#include "platform/ProductAddresses.h"
#include "platform/ProductVersion.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr DWORD kClassBufferSize = 1000;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool IsOurClass(const std::string& shellClass) {
    return Upper(shellClass) == "VELVAROFILE";
}

void SetDefault(HKEY root, const std::string& key, const std::string& value) {
    RegKey created;
    if (created.Create(root, key) == ERROR_SUCCESS) {
        created.SetString("", value);
    }
}

}  // namespace

void RegisterFileType() {
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const std::string type = velvaro::kFileTypeKey;
    velvaro::platform::RegistryTransaction transaction;
    SetDefault(HKEY_CLASSES_ROOT, type, "Vel-Varo Videofile");
    SetDefault(HKEY_CLASSES_ROOT, type + "\\DefaultIcon", program);
    SetDefault(HKEY_CLASSES_ROOT, type + "\\shell", "open");
    SetDefault(HKEY_CLASSES_ROOT, type + "\\shell\\open", "Ö&ffnen");
    // The program's path goes in unquoted, as it always has.
    SetDefault(HKEY_CLASSES_ROOT, type + "\\shell\\open\\command", program + " \"%1\"");

    RegKey uninstall;
    if (uninstall.Create(HKEY_LOCAL_MACHINE, velvaro::kUninstallKey) == ERROR_SUCCESS) {
        uninstall.SetString("DisplayName", "Velvaro");
        uninstall.SetString("DisplayVersion", GetProductVersion().toStdString());
        uninstall.SetString("Publisher", "Quellware");
        uninstall.SetString("HelpLink", velvaro::kHomepageUrl);
        uninstall.SetString("UninstallString", program + " /uninstall");
        uninstall.SetString("DisplayIcon", program);
    }
}

void RepairAssociations() {
    std::vector<std::string> known;
    std::vector<std::string> taken;
    {
        RegKey list;
        if (list.Open(HKEY_CURRENT_USER, velvaro::kAssociationsKey, KEY_READ) != ERROR_SUCCESS) {
            return;
        }
        list.ForEachValue([&](const std::string& extension, const BYTE* data, DWORD size) {
            known.push_back(extension);
            const bool associated = size > 0 && (data[0] & ASSOC_ASSOCIATED);
            if (associated && !IsExtensionAssociated(extension)) {
                taken.push_back(extension);
            }
        });
    }
    for (const std::string& extension : taken) {
        AssociateExtension(extension);
    }
    if (!taken.empty()) {
        velvaro::platform::NotifyShellAssociationsChanged(known);
    }
}

bool IsExtensionAssociated(const std::string& extension) {
    RegKey key;
    if (key.Open(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS) {
        return false;
    }
    std::string shellClass;
    key.QueryString("", &shellClass, kClassBufferSize);
    return IsOurClass(shellClass);
}

void AssociateExtension(const std::string& extension) {
    // The backup of the previous class and our class go in together.
    velvaro::platform::RegistryTransaction transaction;
    RegKey key;
    if (key.Open(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS) {
        if (key.Create(HKEY_CLASSES_ROOT, "." + extension) == ERROR_SUCCESS) {
            key.SetString("", kVelvaroFileClass);
        }
        return;
    }
    std::string previous;
    key.QueryString("", &previous, kClassBufferSize);
    if (!previous.empty() && !IsOurClass(previous)) {
        RegKey backup;
        if (backup.Create(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey) == ERROR_SUCCESS) {
            backup.SetString(extension, previous);
        }
    }
    key.SetString("", kVelvaroFileClass);
}

void UnassociateExtension(const std::string& extension) {
    velvaro::platform::RegistryTransaction transaction;
    RegKey key;
    if (key.Open(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS) {
        return;
    }
    std::string current;
    if (key.QueryString("", &current, kClassBufferSize) != ERROR_SUCCESS || !IsOurClass(current)) {
        return;
    }
    RegKey backup;
    if (backup.Open(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey) != ERROR_SUCCESS) {
        key.DeleteValue("");
        return;
    }
    std::string previous;
    if (backup.QueryString(extension, &previous, kClassBufferSize) == ERROR_SUCCESS) {
        key.SetString("", previous);
    } else {
        key.DeleteValue("");
    }
    backup.DeleteValue(extension);
}
