#include "FileAssociations.h"

#include "RegKey.h"
#include "RegistryKeys.h"

#include <algorithm>
#include <cctype>

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

}  // namespace

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
