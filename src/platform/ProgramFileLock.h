// "The old program has ended": every running program holds a shared lock on
// its own program file, which the kernel drops when the process ends, and the
// update waits for the exclusive one.
#pragma once

#include <string>

namespace velvaro::platform {

// Takes the shared lock on `programFile` for the rest of the process. Only
// the first successful call locks; failures are silent (nothing to wait for).
void HoldProgramFileLock(const std::string& programFile);

// Returns once no running program holds its lock on `programFile`; at once
// when the file cannot be opened.
void WaitUntilProgramFileFree(const std::string& programFile);

}  // namespace velvaro::platform
