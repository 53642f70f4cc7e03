#include "ProcessPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr std::array<int, 4> kNiceValues{19, 0, -10, -20};

}  // namespace

bool SetProcessPriorityClass(int priorityClass) {
    if (priorityClass < 0 || priorityClass >= static_cast<int>(kNiceValues.size())) {
        return false;
    }
    const int nice = kNiceValues[static_cast<std::size_t>(priorityClass)];
    // Linux keeps a nice value per thread, so the engine's threads that
    // already run need it as well as the calling one.
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/self/task", error);
    if (error) {
        return setpriority(PRIO_PROCESS, 0, nice) == 0;
    }
    bool all = true;
    for (const auto& task : tasks) {
        const std::string name = task.path().filename().string();
        char* end = nullptr;
        const long id = std::strtol(name.c_str(), &end, 10);
        if (end == name.c_str() || *end != '\0') {
            continue;
        }
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice) != 0) {
            all = false;  // refused, or the thread has just ended
        }
    }
    return all;
}
