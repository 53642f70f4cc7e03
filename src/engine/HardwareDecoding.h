// Whether the VA-API decoders should win over the software ones: only where
// a render node they can use exists, and not when the user turned it off.
#pragma once

#include <string>
#include <vector>

namespace velvaro::engine {

struct RenderNode {
    std::string path;     // /dev/dri/renderD128
    bool usable = false;  // opens for reading and writing
};

// The render nodes in /dev/dri, each tried once.
std::vector<RenderNode> RenderNodesOfThisMachine();

// Of the decoders the registry has, the hardware ones to rank first. The
// plain names (vah264dec) drive the lowest-numbered node, names with a node
// in them (varenderD129h264dec) that node. `hardwareSwitch` is the value of
// VELVARO_HARDWARE_DECODING; "0" turns it off, unset leaves it on.
std::vector<std::string> HardwareDecodersToPrefer(const std::vector<RenderNode>& nodes,
                                                  const std::vector<std::string>& decoders,
                                                  const char* hardwareSwitch);

}  // namespace velvaro::engine
