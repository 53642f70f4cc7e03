#include "PowerOffGuard.h"

#include "platform/PowerOff.h"

namespace velvaro::test {
namespace {

// Zero before any constructor runs, so the order of statics does not matter.
constinit int requests = 0;

// Installs the counter while the program's statics are made, before main().
[[maybe_unused]] const bool installed = [] {
    SetPowerOffForTesting([] { ++requests; });
    return true;
}();

}  // namespace

int PowerOffRequests() {
    return requests;
}

}  // namespace velvaro::test
