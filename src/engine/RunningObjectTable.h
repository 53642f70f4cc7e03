// The process-wide table of live filter graphs, each under the name
// "FilterGraph %08x pid %08x", for debugging tools.
#pragma once

#include "engine/Framework.h"

#include <string>
#include <vector>

namespace velvaro::engine {

// Registers `graph` under `name`; returns a cookie that is never 0.
DWORD RegisterRunningObject(const std::string& name, const std::shared_ptr<IUnknown>& graph);
void RevokeRunningObject(DWORD cookie);
std::vector<std::string> RunningObjectNames();

}  // namespace velvaro::engine
