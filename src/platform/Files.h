// Whether a path names something on disk, as the settings and the command
// line ask it before trusting a stored or typed path.
#pragma once

#include <string>

// A file exists when its status can be read.
bool FileExists(const std::string& path);
// A directory exists when its attributes can be read and say directory.
bool DirectoryExists(const std::string& path);
