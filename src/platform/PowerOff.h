// Powering the machine off once playback has finished: logind's PowerOff on
// the system bus, not interactive, since nobody may be there to answer a
// prompt. Whether we may is the bus's business; a refusal, a missing bus or
// a missing service is silent and the program simply goes on.
#pragma once

#include <functional>

// Asks the system to power off. UI thread; returns once the request has
// been answered, refused or has timed out.
void PowerOffSystem();

// Test programs install a recorder here before anything can run, so that no
// test ever reaches the real request. An empty function restores it.
void SetPowerOffForTesting(std::function<void()> replacement);
