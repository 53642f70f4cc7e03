// Several program instances share one store, and any of them may die at any
// moment; neither may cost a value that a write already reported as done.
#include "RegistryCalls.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace velvaro::test;

enum class Start { Now, OnGo };

// One registry_writer with its standard output on a pipe. Started with
// Start::OnGo it holds back until Go(), so that several can start together.
class Writer {
public:
    Writer(const std::string& key, const std::string& prefix, unsigned long count,
           Start start = Start::Now) {
        // Close-on-exec, or each writer would hold the others' pipes open.
        int out[2] = {-1, -1}, in[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0 || (start == Start::OnGo && ::pipe2(in, O_CLOEXEC) != 0)) {
            ADD_FAILURE() << "pipe failed";
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (start == Start::OnGo) {
            posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        }
        std::vector<std::string> args = {REGISTRY_WRITER, key, prefix, std::to_string(count)};
        if (start == Start::OnGo) {
            args.push_back("--wait");
        }
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
        if (start == Start::OnGo) {
            ::close(in[0]);
            in_ = in[1];
        }
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0] << ": " << spawned;
            pid_ = -1;
        }
    }
    ~Writer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        for (const int fd : {in_, out_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Returns once the writer waits for Go().
    void AwaitReady() {
        std::string line;
        EXPECT_TRUE(NextLine(&line) && line == "ready") << line;
    }
    void Go() {
        ::close(in_);
        in_ = -1;
    }

    // The indexes reported so far: reads until `atLeast` of them are in, or the output ends.
    const std::vector<unsigned long>& Read(size_t atLeast = SIZE_MAX) {
        std::string line;
        while (reported_.size() < atLeast && NextLine(&line)) {
            reported_.push_back(std::stoul(line));
        }
        return reported_;
    }

    void Kill() { ::kill(pid_, SIGKILL); }

    // The raw wait status.
    int Wait() {
        int status = -1;
        while (pid_ > 0 && ::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

private:
    bool NextLine(std::string* line) {
        for (;;) {
            if (const auto end = pending_.find('\n'); end != std::string::npos) {
                *line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return true;
            }
            if (out_ < 0) {
                return false;
            }
            char buffer[4096];
            const ssize_t got = ::read(out_, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                ::close(out_);
                out_ = -1;
                return false;
            }
            pending_.append(buffer, static_cast<size_t>(got));
        }
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string pending_;
    std::vector<unsigned long> reported_;
};

void ExpectExitedCleanly(int status) {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "writer ended with wait status " << status << "; its own message, if any, is above";
}

using RegistryProcesses = RegistryTest;

TEST_F(RegistryProcesses, TwoWritersAtOnceKeepEveryValue) {
    // This process keeps the store open too, as a running player would.
    Create(HKEY_CURRENT_USER, "Velvaro");
    constexpr unsigned long kCount = 600;
    Writer first("Velvaro\\Shared", "first", kCount, Start::OnGo);
    Writer second("Velvaro\\Shared", "second", kCount, Start::OnGo);
    first.AwaitReady();
    second.AwaitReady();
    first.Go();
    second.Go();
    EXPECT_EQ(first.Read().size(), kCount);
    EXPECT_EQ(second.Read().size(), kCount);
    ExpectExitedCleanly(first.Wait());
    ExpectExitedCleanly(second.Wait());

    HKEY key = 0;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro\\Shared", &key), ERROR_SUCCESS);
    for (const std::string prefix : {"first", "second"}) {
        for (unsigned long i = 0; i < kCount; ++i) {
            const Value value = Get(key, prefix + '-' + std::to_string(i));
            ASSERT_EQ(value.status, ERROR_SUCCESS) << prefix << '-' << i;
            EXPECT_EQ(AsDword(value), i);
        }
        for (unsigned long i = 0; i < kCount / 10; ++i) {
            HKEY sub = 0;
            EXPECT_EQ(Open(key, prefix + '-' + std::to_string(i), &sub), ERROR_SUCCESS)
                << prefix << " subkey " << i;
        }
    }
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(RegQueryInfoKey(key, &subKeys, nullptr, &values, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2 * kCount / 10);
    EXPECT_EQ(values, 2 * kCount);
}

// Instances launched together on the first run all create the store; none
// may end up unable to save. The moment they collide varies, hence the rounds.
TEST_F(RegistryProcesses, WritersStartingTogetherOnANewStoreCanAllWrite) {
    constexpr unsigned long kCount = 10;
    constexpr int kWriters = 8;
    for (int round = 0; round < 50 && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TestFolder folder;
        const std::string path = folder / "registry.db";
        setenv("VELVARO_REGISTRY", path.c_str(), 1);
        velvaro::platform::CloseRegistry();

        std::vector<std::unique_ptr<Writer>> writers;
        for (int i = 0; i < kWriters; ++i) {
            writers.push_back(
                std::make_unique<Writer>("Velvaro", "w" + std::to_string(i), kCount, Start::OnGo));
        }
        for (auto& writer : writers) {
            writer->AwaitReady();
        }
        for (auto& writer : writers) {
            writer->Go();
        }
        for (auto& writer : writers) {
            EXPECT_EQ(writer->Read().size(), kCount);
            ExpectExitedCleanly(writer->Wait());
        }

        HKEY key = 0;
        DWORD values = 0;
        ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &key), ERROR_SUCCESS);
        ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, &values, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(values, kWriters * kCount);
    }
    velvaro::platform::CloseRegistry();
    setenv("VELVARO_REGISTRY", registryPath().c_str(), 1);
}

TEST_F(RegistryProcesses, KilledWriterLosesNoReportedValue) {
    Writer writer("Velvaro\\Killed", "v", 100000000);
    ASSERT_GE(writer.Read(200).size(), 200u);
    writer.Kill();
    const int status = writer.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    // Lines still in the pipe were written before the kill; they count too.
    const auto reported = writer.Read();

    {
        SqliteFile file(registryPath(), SQLITE_OPEN_READWRITE);
        const auto rows = file.Rows("PRAGMA integrity_check");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], std::vector<std::string>{"ok"});
    }

    testing::internal::CaptureStderr();
    HKEY key = 0;
    const LONG opened = Open(HKEY_CURRENT_USER, "Velvaro\\Killed", &key);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(opened, ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(registryPath() + ".broken"));
    for (const unsigned long i : reported) {
        const Value value = Get(key, "v-" + std::to_string(i));
        ASSERT_EQ(value.status, ERROR_SUCCESS) << "v-" << i;
        EXPECT_EQ(AsDword(value), i);
    }
}

TEST_F(RegistryProcesses, EnumerationSeesValuesAnotherProcessAdds) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro\\Live");
    ASSERT_EQ(SetDword(key, "own", 1), ERROR_SUCCESS);
    char name[32];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumValue(key, 0, name, &size, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    Writer writer("Velvaro\\Live", "w", 20);
    EXPECT_EQ(writer.Read().size(), 20u);
    ExpectExitedCleanly(writer.Wait());

    std::vector<std::string> names = {std::string(name, size)};
    for (DWORD index = 1;; ++index) {
        size = sizeof name;
        const LONG status = RegEnumValue(key, index, name, &size, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        names.emplace_back(name, size);
    }
    std::vector<std::string> expected = {"own"};
    for (int i = 0; i < 20; ++i) {
        expected.push_back("w-" + std::to_string(i));
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"w-0", "w-1"}));
}

}  // namespace
