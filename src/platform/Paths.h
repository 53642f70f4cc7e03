// Where the program and its files live on this system.
#pragma once

#include <string>

namespace velvaro::platform {

// Full path of the running executable.
std::string ProgramFile();
// Folder of the running executable, ending with '/'.
std::string ProgramFolder();
// The system's temporary folder, ending with '/'.
std::string TempFolder();
// The working directory the process started in, ending with '/'. Settings
// load moves the working directory, so paths given on the command line are
// resolved against this one.
std::string LaunchDirectory();

}  // namespace velvaro::platform
