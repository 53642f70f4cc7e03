// The runs that maintain the installation instead of playing: the two steps
// that put a downloaded program in the place of the running one, and the
// uninstall. Their message boxes have no owner.
#pragma once

#include <string>

class CLanguageFile;
class CSettings;

// Started as "<program>.tmp1.exe": waits until every program started from
// <program> has ended, puts "<program>.tmp2.exe" in its place with the old
// file's mode and starts it with "/update_step_2". A file error is shown.
// The caller ends the process.
void RunUpdateStep1(const std::string& ownPath, const CLanguageFile& language);

// Deletes "<ownPath>.tmp1.exe" and says whether that worked; the update
// counts as done either way.
void RunUpdateStep2(const std::string& ownPath, const CLanguageFile& language);

// Gives the associations back and removes every registry key of the program
// and the desktop's mention of it; switches `settings` persistence off so
// nothing comes back at exit. The caller ends the process.
void RunUninstall(CSettings& settings, const CLanguageFile& language);
