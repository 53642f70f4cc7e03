#include "MigrateRegistry.h"

#include "CSettings.h"
#include "RegKey.h"
#include "RegistryKeys.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kOldProductKey = "Software\\Quellware\\Vel-Varo 2000";
constexpr const char* kOldAssociationsName = "File Associations";
constexpr const char* kOldBackupName = "File Association Backup";

// Copies every value of `from` into `to` as a string value.
void CopyValuesAsStrings(const RegKey& from, RegKey& to) {
    from.ForEachValue([&to](const std::string& name, const BYTE* data, DWORD size) {
        const auto* text = reinterpret_cast<const char*>(data);
        to.SetString(name, std::string(text, strnlen(text, size)));
    });
}

void MigrateOldProductKey() {
    RegKey old;
    if (old.Open(HKEY_LOCAL_MACHINE, kOldProductKey) != ERROR_SUCCESS) {
        return;
    }
    RegKey product;
    product.Create(HKEY_CURRENT_USER, velvaro::kProductKey);
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyEx(old.Handle(), index, name, &size) != ERROR_SUCCESS) {
            break;
        }
        const std::string subKey(name, size);
        RegKey from, to;
        if (from.Open(old.Handle(), subKey) == ERROR_SUCCESS &&
            to.Create(HKEY_CURRENT_USER, std::string(velvaro::kProductKey) + "\\" + subKey) ==
                ERROR_SUCCESS) {
            CopyValuesAsStrings(from, to);
        }
    }
    old.Close();

    RegKey maker;
    if (maker.Open(HKEY_LOCAL_MACHINE, "Software\\Quellware") == ERROR_SUCCESS) {
        maker.RecurseDeleteKey("Vel-Varo 2000");
        DWORD subKeys = 0;
        if (RegQueryInfoKey(maker.Handle(), &subKeys, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS &&
            subKeys == 0) {
            maker.Close();
            RegKey software;
            if (software.Open(HKEY_LOCAL_MACHINE, "Software") == ERROR_SUCCESS) {
                software.RecurseDeleteKey("Quellware");
            }
        }
    }
}

void MigrateOldAssociations(CSettings& settings) {
    const std::string oldPath = std::string(velvaro::kProductKey) + "\\" + kOldAssociationsName;
    RegKey old;
    if (old.Open(HKEY_CURRENT_USER, oldPath) != ERROR_SUCCESS) {
        return;
    }
    old.ForEachValue([&settings](const std::string& name, const BYTE* data, DWORD size) {
        for (auto& entry : settings.associations) {
            if ("." + entry.extension == name) {
                entry.flags = size ? data[0] : 0;
                break;
            }
        }
    });
    old.Close();
    settings.Save();
    RegKey product;
    if (product.Open(HKEY_CURRENT_USER, velvaro::kProductKey) == ERROR_SUCCESS) {
        product.RecurseDeleteKey(kOldAssociationsName);
    }
}

void MigrateOldBackup() {
    const std::string oldPath = std::string(velvaro::kProductKey) + "\\" + kOldBackupName;
    RegKey old;
    if (old.Open(HKEY_CURRENT_USER, oldPath) != ERROR_SUCCESS) {
        return;
    }
    RegKey backup;
    if (backup.Create(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey) == ERROR_SUCCESS) {
        CopyValuesAsStrings(old, backup);
    }
    old.Close();
    RegKey product;
    if (product.Open(HKEY_CURRENT_USER, velvaro::kProductKey) == ERROR_SUCCESS) {
        product.RecurseDeleteKey(kOldBackupName);
    }
}

}  // namespace

void MigrateRegistry(CSettings& settings) {
    // Copies and the deletes of their originals land together or not at all.
    velvaro::platform::RegistryTransaction transaction;
    MigrateOldProductKey();
    MigrateOldAssociations(settings);
    MigrateOldBackup();
}
