// Priority classes as nice values, tried in child processes so that this
// process keeps its own priority.
#include "platform/ProcessPriority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <thread>

namespace {

constexpr int kThreadsDisagree = 100;
constexpr int kCannotDropPrivileges = 101;
constexpr int kWrongResult = 102;

// Starts a forked child at nice `start` with a second thread that already runs, as
// the engine's threads do, lets `prepare` run, sets the class and returns the
// nice value both threads end with (+ 20, as an exit code), or kWrongResult
// when the call's result is not `expectedResult`.
int NiceAfter(int start, int priorityClass, bool expectedResult,
              const std::function<void()>& prepare = {}) {
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
        if (prepare) {
            prepare();
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

// Without CAP_SYS_NICE and with RLIMIT_NICE at 0 nothing may be raised.
void DropPrivileges() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_NICE, &none);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
        _exit(kCannotDropPrivileges);
    }
}

TEST(ProcessPriorityTest, IdleLowersEveryThreadAndTheRestLeaveThePriorityWithoutPrivileges) {
    // Lowering needs no privileges; raising is refused silently without them.
    const struct {
        int priorityClass;
        bool result, dropPrivileges;
        int nice;
    } cases[] = {{0, true, false, 19},  {0, true, true, 19},    {4, false, false, 5},
                 {-1, false, false, 5}, {100, false, false, 5}, {1, false, true, 5},
                 {2, false, true, 5},   {3, false, true, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(NiceAfter(c.priorityClass ? 5 : 0, c.priorityClass, c.result,
                            c.dropPrivileges ? std::function<void()>(DropPrivileges) : nullptr),
                  c.nice + 20)
            << c.priorityClass << (c.dropPrivileges ? " unprivileged" : "");
    }
}

TEST(ProcessPriorityTest, PrivilegedProcessesGetNormalHighAndRealTime) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "raising the priority needs root here";
    }
    EXPECT_EQ(NiceAfter(19, 1, true), 0 + 20);
    EXPECT_EQ(NiceAfter(0, 2, true), -10 + 20);
    EXPECT_EQ(NiceAfter(0, 3, true), -20 + 20);
}

}  // namespace
