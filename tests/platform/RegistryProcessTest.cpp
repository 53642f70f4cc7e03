// Several program instances share one store, and any of them may die at any
// moment; neither may cost a value that a write already reported as done.
#include "RegistryCalls.h"
#include "RunProgram.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace velvaro::test;

// One registry_writer. With `together` it holds back until Go(), so that
// several can start at one moment.
class Writer : public Child {
public:
    Writer(const std::string& key, const std::string& prefix, unsigned long count,
           bool together = false) {
        std::vector<std::string> arguments = {key, prefix, std::to_string(count)};
        if (together) {
            arguments.push_back("--wait");
        }
        EXPECT_TRUE(Start(REGISTRY_WRITER, arguments));
        EXPECT_TRUE(!together || NextLine() == "ready");
    }
    void Go() { closeWriteChannel(); }
    // The indexes reported so far: reads until `atLeast` of them are in, or the output ends.
    const std::vector<unsigned long>& Read(size_t atLeast = SIZE_MAX) {
        for (std::optional<std::string> line; reported_.size() < atLeast && (line = NextLine());) {
            reported_.push_back(std::stoul(*line));
        }
        return reported_;
    }
    void ExpectCleanExit() {
        ASSERT_TRUE(WaitForExit(60000));
        EXPECT_EQ(std::pair(exitStatus(), exitCode()), std::pair(QProcess::NormalExit, 0))
            << "its own message, if any, is above";
    }

private:
    std::vector<unsigned long> reported_;
};

using RegistryProcesses = RegistryTest;

// Instances launched together on the first run all create the store while
// this process uses it too, as a running player would; none may end up
// unable to save or lose a value. The moment they collide varies, hence the
// rounds.
TEST_F(RegistryProcesses, WritersStartingTogetherOnANewStoreKeepEveryValue) {
    constexpr unsigned long kCount = 30;
    constexpr int kWriters = 8;
    for (int round = 0; round < 50 && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const TestFolder folder;
        const ScopedEnvironment store({{"VELVARO_REGISTRY", folder / "registry.db"}});
        velvaro::platform::CloseRegistry();
        std::vector<std::unique_ptr<Writer>> writers;
        for (int i = 0; i < kWriters; ++i) {
            writers.push_back(
                std::make_unique<Writer>("Velvaro", "w" + std::to_string(i), kCount, true));
        }
        for (auto& writer : writers) {
            writer->Go();
        }
        HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
        for (auto& writer : writers) {
            EXPECT_EQ(writer->Read().size(), kCount);
            writer->ExpectCleanExit();
        }
        for (int w = 0; w < kWriters; ++w) {
            for (unsigned long i = 0; i < kCount; ++i) {
                const Value value = Get(key, "w" + std::to_string(w) + '-' + std::to_string(i));
                ASSERT_EQ(value.status, ERROR_SUCCESS) << w << '-' << i;
                EXPECT_EQ(AsDword(value), i);
            }
        }
        EXPECT_EQ(std::pair(SubkeyNames(key).size(), ValueNames(key).size()),
                  std::pair(size_t{kWriters * kCount / 10}, size_t{kWriters * kCount}));
        velvaro::platform::CloseRegistry();
    }
}

TEST_F(RegistryProcesses, KilledWriterLosesNoReportedValue) {
    Writer writer("Velvaro\\Killed", "v", 100000000);
    ASSERT_GE(writer.Read(200).size(), 200u);
    writer.kill();
    ASSERT_TRUE(writer.WaitForExit());
    EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);
    // Lines still in the pipe were written before the kill; they count too.
    const auto reported = writer.Read();
    EXPECT_EQ(SqliteFile(registryPath(), SQLITE_OPEN_READWRITE).Value("PRAGMA integrity_check"),
              "ok");

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
    SetDword(key, "own", 1);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"own"});  // ran out before the writer
    Writer writer("Velvaro\\Live", "w", 20);
    EXPECT_EQ(writer.Read().size(), 20u);
    writer.ExpectCleanExit();
    char name[32];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumValue(key, 20, name, &size, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "w-19");
    EXPECT_EQ(ValueNames(key).size(), 21u);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"w-0", "w-1"}));
}

}  // namespace
