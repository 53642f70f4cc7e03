// Registry keys of Velvaro's own settings.
#pragma once

namespace velvaro {

inline constexpr const char* kProductKey = "Software\\Quellware\\Vel-Varo";
inline constexpr const char* kSettingsKey = "Software\\Quellware\\Vel-Varo\\Settings";
inline constexpr const char* kVideosKey = "Software\\Quellware\\Vel-Varo\\Videos";
inline constexpr const char* kVideoHistoryKey = "Software\\Quellware\\Vel-Varo\\VideoHistory";
// The addresses last opened with File > Open URL, newest as "1".
inline constexpr const char* kAddressHistoryKey = "Software\\Quellware\\Vel-Varo\\Addresses";
inline constexpr const char* kAssociationsKey = "Software\\Quellware\\Vel-Varo\\FileAssociations";
inline constexpr const char* kAssociationsBackupKey =
    "Software\\Quellware\\Vel-Varo\\FileAssociationsBackup";
inline constexpr const char* kCompanyKey = "Software\\Quellware";
// Under HKEY_CLASSES_ROOT.
inline constexpr const char* kFileTypeKey = "VelvaroFile";
// Under HKEY_LOCAL_MACHINE.
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velvaro";

}  // namespace velvaro
