// SIGTERM, SIGINT and SIGHUP reach the UI thread as a call, so the program
// can close its windows the way the user would and a logout or a kill still
// ends with the settings saved.
#pragma once

#include <functional>

// Call once, after the application object exists; `close` runs on the UI
// thread. A second signal while the first is handled ends the process.
void OnTerminationSignals(std::function<void()> close);

// Whether such a signal has come: a run whose window it closed ends there.
bool TerminationRequested();
