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

// Runs `body` in a forked child and returns its exit code (-1 on a signal).
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int NiceOf(pid_t thread) {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
}

// A second thread that already runs, as the engine's threads do.
class OtherThread {
public:
    OtherThread()
        : thread_([this] {
              id_ = static_cast<pid_t>(syscall(SYS_gettid));
              while (!stop_) {
                  std::this_thread::yield();
              }
          }) {
        while (id_ == 0) {
            std::this_thread::yield();
        }
    }
    ~OtherThread() {
        stop_ = true;
        thread_.join();
    }
    pid_t Id() const { return id_; }

private:
    std::atomic<pid_t> id_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Starts the child at nice `start`, makes another thread, lets `prepare`
// run, sets the class and returns the nice value both threads end with
// (+ 20, as an exit code), or kWrongResult when the call's result is not
// `expectedResult`.
int NiceAfter(int start, int priorityClass, bool expectedResult,
              const std::function<void()>& prepare = {}) {
    return InChild([&] {
        setpriority(PRIO_PROCESS, 0, start);
        OtherThread other;
        if (prepare) {
            prepare();
        }
        if (SetProcessPriorityClass(priorityClass) != expectedResult) {
            return kWrongResult;
        }
        const int self = NiceOf(0);
        return self == NiceOf(other.Id()) ? self + 20 : kThreadsDisagree;
    });
}

// Without CAP_SYS_NICE and with RLIMIT_NICE at 0 nothing may be raised.
void DropPrivileges() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_NICE, &none);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
        _exit(kCannotDropPrivileges);
    }
}

TEST(ProcessPriorityTest, IdleLowersEveryThread) {
    EXPECT_EQ(NiceAfter(0, 0, true), 19 + 20);
    // Lowering needs no privileges.
    EXPECT_EQ(NiceAfter(0, 0, true, DropPrivileges), 19 + 20);
}

TEST(ProcessPriorityTest, OtherValuesLeaveThePriority) {
    for (const int value : {4, -1, 5, 100}) {
        EXPECT_EQ(NiceAfter(5, value, false), 5 + 20) << value;
    }
}

TEST(ProcessPriorityTest, RaisingIsRefusedSilentlyWithoutPrivileges) {
    for (const int value : {1, 2, 3}) {
        EXPECT_EQ(NiceAfter(5, value, false, DropPrivileges), 5 + 20) << value;
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
