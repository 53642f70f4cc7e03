// Shell associations of file extensions, kept under HKEY_CLASSES_ROOT.
// Associating saves the class that owned the extension before, so that
// releasing it can give it back.
#pragma once

#include <string>

// The class name written for owned extensions (compared without case).
inline constexpr const char* kVelvaroFileClass = "velvarofile";

// At every start: Velvaro's file type with the running program's path, and
// the uninstall entry.
void RegisterFileType();
// At every start: takes back what another program took of the stored list's
// associated extensions; tells the desktop when it took any.
void RepairAssociations();

bool IsExtensionAssociated(const std::string& extension);
void AssociateExtension(const std::string& extension);
// Releases only extensions the program owns; others stay untouched.
void UnassociateExtension(const std::string& extension);
