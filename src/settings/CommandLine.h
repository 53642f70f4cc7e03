// Hands the process's arguments to the parser as flags or plain arguments.
#pragma once

#include <string>
#include <vector>

class CPlayerCommandLineInfo;

// "-x" and "--x" are flags; "/x" is a flag only when it is no existing path
// and x (up to a ':') names an option, so "/home/me/film.mkv" stays a file.
// After a bare "--" every argument is plain. The media, audio and bookmark
// files are then made absolute against the directory the process started
// in, since loading the settings moves the working directory.
void ParseCommandLine(CPlayerCommandLineInfo& info, const std::vector<std::string>& arguments);
