// Priority classes as nice values, tried in child processes so that this
// process keeps its own priority.
#include "platform/ProcessPriority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kThreadsDisagree = 100;
constexpr int kCannotDropPrivileges = 101;
constexpr int kWrongResult = 102;

// Starts a forked child at nice `start` with a second thread that already
// runs, as the engine's threads do, sets the class and returns the nice value
// both threads end with (+ 20, as an exit code), or kWrongResult when the
// call's result is not `expectedResult`. Without privileges means without
// CAP_SYS_NICE and with RLIMIT_NICE at 0, so that nothing may be raised.
int NiceAfter(int start, int priorityClass, bool expectedResult, bool dropPrivileges) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpriority(PRIO_PROCESS, 0, start);
        std::atomic<pid_t> other = 0;
        const std::jthread thread([&other](std::stop_token stop) {
            other = static_cast<pid_t>(syscall(SYS_gettid));
            while (!stop.stop_requested()) {
                std::this_thread::yield();
            }
        });
        while (other == 0) {
            std::this_thread::yield();
        }
        const rlimit none{0, 0};
        if (dropPrivileges && (setrlimit(RLIMIT_NICE, &none) != 0 ||
                               (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)))) {
            _exit(kCannotDropPrivileges);
        }
        const bool result = SetProcessPriorityClass(priorityClass);
        const int self = getpriority(PRIO_PROCESS, 0);
        _exit(result != expectedResult ? kWrongResult
              : self == getpriority(PRIO_PROCESS, static_cast<id_t>(other.load()))
                  ? self + 20
                  : kThreadsDisagree);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Lowering needs no privileges; raising is refused silently without them,
// and done with them: normal, high and real time.
TEST(ProcessPriorityTest, IdleLowersEveryThreadAndOnlyPrivilegedProcessesRaiseIt) {
    const bool root = geteuid() == 0;
    const struct {
        int start, priorityClass;
        bool result, dropPrivileges;
        int nice;
    } cases[] = {{0, 0, true, false, 19},  {0, 0, true, true, 19},    {5, 4, false, false, 5},
                 {5, -1, false, false, 5}, {5, 100, false, false, 5}, {5, 1, false, true, 5},
                 {5, 2, false, true, 5},   {5, 3, false, true, 5},    {19, 1, true, false, 0},
                 {0, 2, true, false, -10}, {0, 3, true, false, -20}};
    for (const auto& c : cases) {
        if (c.nice < c.start && !root) {
            continue;  // raising needs root here
        }
        EXPECT_EQ(NiceAfter(c.start, c.priorityClass, c.result, c.dropPrivileges), c.nice + 20)
            << c.priorityClass << (c.dropPrivileges ? " unprivileged" : "");
    }
}

}  // namespace
