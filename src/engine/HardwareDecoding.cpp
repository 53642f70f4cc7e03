#include "HardwareDecoding.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace velvaro::engine {

namespace {

constexpr std::string_view kNodePrefix = "renderD";

// The number of a node's file name; -1 when it is no render node.
int NodeNumber(std::string_view name) {
    if (const auto slash = name.rfind('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (!name.starts_with(kNodePrefix) || name.size() == kNodePrefix.size()) {
        return -1;
    }
    int number = 0;
    for (const char digit : name.substr(kNodePrefix.size())) {
        if (digit < '0' || digit > '9' || number > 100000) {
            return -1;
        }
        number = number * 10 + (digit - '0');
    }
    return number;
}

// The node a decoder of the va plugin drives: -2 for the plain names, which
// belong to the first node; -1 for what is no such decoder.
int NodeOfDecoder(std::string_view name) {
    if (!name.starts_with("va") || name.starts_with("vaapi") || !name.ends_with("dec") ||
        name.size() <= 5) {
        return -1;
    }
    const std::string_view middle = name.substr(2, name.size() - 5);
    if (!middle.starts_with(kNodePrefix)) {
        return -2;
    }
    const auto digits = std::find_if(middle.begin() + kNodePrefix.size(), middle.end(),
                                     [](char c) { return c < '0' || c > '9'; });
    return NodeNumber(std::string_view(middle.begin(), digits));
}

}  // namespace

std::vector<RenderNode> RenderNodesOfThisMachine() {
    std::vector<RenderNode> nodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        const std::string path = entry.path().string();
        if (NodeNumber(path) < 0) {
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        nodes.push_back({path, fd >= 0});
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return nodes;
}

std::vector<std::string> HardwareDecodersToPrefer(const std::vector<RenderNode>& nodes,
                                                  const std::vector<std::string>& decoders,
                                                  const char* hardwareSwitch) {
    if (hardwareSwitch && std::strcmp(hardwareSwitch, "0") == 0) {
        return {};
    }
    int first = -1;
    std::vector<int> usable;
    for (const RenderNode& node : nodes) {
        const int number = NodeNumber(node.path);
        if (number < 0) {
            continue;
        }
        if (first < 0 || number < first) {
            first = number;
        }
        if (node.usable) {
            usable.push_back(number);
        }
    }
    std::vector<std::string> preferred;
    for (const std::string& decoder : decoders) {
        int node = NodeOfDecoder(decoder);
        if (node == -2) {
            node = first;
        }
        if (node >= 0 && std::find(usable.begin(), usable.end(), node) != usable.end()) {
            preferred.push_back(decoder);
        }
    }
    return preferred;
}

}  // namespace velvaro::engine
