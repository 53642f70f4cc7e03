// Making the application object on a display that cannot be opened: Qt
// aborts when no platform starts, and waits for ever on an X server that
// takes the connection but never answers. Both end here, with a line on
// standard error and exit status 1.
#pragma once

#include <functional>

namespace velvaro::platform {

// Runs `make`, which creates the application object, and returns once it
// exists. When the display cannot be opened the process ends instead.
void MakeApplicationOnDisplay(const std::function<void()>& make);

}  // namespace velvaro::platform
