// The store's file: where it lives, what happens when it is unusable (the
// program must start anyway, with its defaults), and several program
// instances sharing it, any of which may die at any moment; neither may cost
// a value that a write already reported as done.
#include "FileBytes.h"
#include "RegistryCalls.h"
#include "RunProgram.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <QScopeGuard>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace velvaro::platform;
using namespace velvaro::test;
namespace fs = std::filesystem;

// The permission bits of a file or folder, in octal; empty when it is missing.
std::string Mode(const std::string& path) {
    struct stat status {};
    char mode[8] = "";
    if (stat(path.c_str(), &status) == 0) {
        std::snprintf(mode, sizeof mode, "%04o", status.st_mode & 07777);
    }
    return mode;
}

// The settings hold the history and the resume positions: only their owner
// may read them, whatever the umask.
auto ScopedUmask(mode_t mask) {
    return qScopeGuard([saved = umask(mask)] { umask(saved); });
}

TEST(RegistryPathTest, FollowsTheEnvironmentAndMakesAPrivateFolder) {
    const auto open = ScopedUmask(0);
    const TestFolder folder;
    const std::string home = folder.path().string();
    const std::string dotConfig = folder / ".config/velvaro/registry.db";
    const struct {
        std::optional<std::string> registry, config;
        std::string expected;
    } cases[] = {
        {folder / "elsewhere.db", folder / "config", folder / "elsewhere.db"},
        {std::nullopt, folder / "config", folder / "config/velvaro/registry.db"},
        {std::nullopt, std::nullopt, dotConfig},
        {std::nullopt, "", dotConfig},
        {std::nullopt, "relative/config", dotConfig},
    };
    for (const auto& c : cases) {
        const ScopedEnvironment environment(
            {{"VELVARO_REGISTRY", c.registry}, {"XDG_CONFIG_HOME", c.config}, {"HOME", home}});
        CloseRegistry();
        EXPECT_EQ(RegistryPath(), c.expected);
        EXPECT_FALSE(fs::exists(c.expected));
        ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Velvaro"), "Volume", 64), ERROR_SUCCESS);
        EXPECT_TRUE(fs::is_regular_file(c.expected)) << c.expected;
        EXPECT_EQ(Mode(fs::path(c.expected).parent_path()), "0700") << c.expected;
        for (const std::string& file : {c.expected, c.expected + "-wal", c.expected + "-shm"}) {
            EXPECT_EQ(Mode(file), "0600") << file;
        }
        CloseRegistry();
        fs::remove_all(folder.path() / ".config");
    }
}

// An older version left everything readable by all, and may still be
// running; the next start takes that away. The folder above is not ours.
TEST(RegistryPathTest, AnExistingStoreAndItsCopiesAreMadePrivateAtStart) {
    const auto usual = ScopedUmask(022);
    const TestFolder folder;
    const ScopedEnvironment environment(
        {{"VELVARO_REGISTRY", std::nullopt}, {"XDG_CONFIG_HOME", folder / "config"}});
    CloseRegistry();
    const std::string path = folder / "config/velvaro/registry.db";
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Velvaro"), "Volume", 64), ERROR_SUCCESS);
    CloseRegistry();
    const std::vector<std::string> files = {path, path + "-wal", path + "-shm", path + ".broken",
                                            path + ".broken.2"};
    for (const std::string& copy : {files[3], files[4]}) {
        WriteBytes(copy, "old settings");
    }
    for (const std::string& loose : {folder / "config", folder / "config/velvaro"}) {
        fs::permissions(loose, static_cast<fs::perms>(0755));
    }
    for (const std::string& loose : {files[0], files[3], files[4]}) {
        fs::permissions(loose, static_cast<fs::perms>(0644));
    }
    SqliteFile older(path, SQLITE_OPEN_READWRITE);
    EXPECT_EQ(older.Value("SELECT count(*) FROM keys"), "4");  // opens its log and index
    ASSERT_EQ(Mode(files[1]), "0644");

    EXPECT_EQ(AsDword(Get(Create(HKEY_CURRENT_USER, "Velvaro"), "Volume")), 64u);
    EXPECT_EQ(Mode(folder / "config/velvaro"), "0700");
    for (const std::string& file : files) {
        EXPECT_EQ(Mode(file), "0600") << file;
    }
    EXPECT_EQ(Mode(folder / "config"), "0755");
    EXPECT_EQ(TakeReadOnlyRegistry(), std::nullopt);
    CloseRegistry();
}

using RegistryDamage = RegistryTest;

// A real store of a few hundred pages, closed so that all of it is in the main
// file. The keys come first, so the later pages hold only values.
std::string BuildStore(const std::string& path) {
    for (int i = 0; i < 10; ++i) {
        Create(HKEY_CURRENT_USER, "Velvaro\\Key" + std::to_string(i));
    }
    HKEY bulk = Create(HKEY_CURRENT_USER, "Velvaro\\Bulk");
    for (int i = 0; i < 400; ++i) {
        EXPECT_EQ(Set(bulk, "Value" + std::to_string(i), REG_SZ, Sz(std::string(200, 'v'))),
                  ERROR_SUCCESS);
    }
    CloseRegistry();
    EXPECT_FALSE(fs::exists(path + "-wal"));
    return ReadBytes(path);
}

TEST_F(RegistryDamage, EachDamagedFileIsMovedAsideUnderANewNameAndAFreshStoreTakesItsPlace) {
    const std::function<std::string(std::string)> damages[] = {
        [](std::string) { return std::string(8192, '#'); },  // no database at all
        // The header and the keys stay intact, so only a look at every page can tell.
        [](std::string bytes) {
            for (size_t i = bytes.size() / 2; i < bytes.size() * 3 / 4; ++i) {
                bytes[i] = "garbage!"[i % 8];
            }
            return bytes;
        },
        [](std::string bytes) { return bytes.substr(0, bytes.size() / 2); },
    };
    const std::string names[] = {".broken", ".broken.1", ".broken.2"};
    std::vector<std::string> kept;
    for (const auto& damage : damages) {
        CloseRegistry();
        fs::remove(registryPath());
        const std::string store = BuildStore(registryPath());
        ASSERT_GT(store.size(), 64u * 1024);
        const std::string damaged = damage(store);
        WriteBytes(registryPath(), damaged);
        fs::permissions(registryPath(), static_cast<fs::perms>(0644));

        testing::internal::CaptureStderr();
        HKEY key = 0;
        const LONG created = RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_ALL_ACCESS, &key);
        const LONG set = SetDword(key, "Fresh", 1);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::pair(created, set), std::pair(LONG{ERROR_SUCCESS}, LONG{ERROR_SUCCESS}));
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
        EXPECT_TRUE(printed.ends_with('\n')) << printed;
        kept.push_back(damaged);
        for (std::size_t i = 0; i < kept.size(); ++i) {
            EXPECT_TRUE(ReadBytes(registryPath() + names[i]) == kept[i]) << names[i];
            EXPECT_EQ(Mode(registryPath() + names[i]), "0600") << names[i];
        }
        EXPECT_EQ(TakeSetAsideRegistry(), registryPath() + names[kept.size() - 1]);
        EXPECT_EQ(TakeSetAsideRegistry(), std::nullopt) << "told once";
        EXPECT_TRUE(SubkeyNames(key).empty());

        // The new store is sound: reopening it is quiet and keeps what was written.
        CloseRegistry();
        testing::internal::CaptureStderr();
        const DWORD fresh = AsDword(Get(Create(HKEY_CURRENT_USER, "Velvaro"), "Fresh"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(fresh, 1u);
    }
}

TEST_F(RegistryDamage, FolderThatCannotBeMadeGivesQuietFailures) {
    // Root may write anywhere, so a regular file in the way stands in for a locked folder.
    const std::string blocker = folder() / "afile";
    WriteBytes(blocker, "in the way\n");
    setenv("VELVARO_REGISTRY", (blocker + "/registry.db").c_str(), 1);

    testing::internal::CaptureStderr();
    HKEY key = 0;
    DWORD size = 0;
    std::vector<LONG> results;
    {
        // A transaction scope on it writes nothing and holds nothing.
        RegistryTransaction transaction;
        results = {RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_ALL_ACCESS, &key),
                   RegOpenKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_READ, &key),
                   SetDword(HKEY_CURRENT_USER, "Volume", 1),
                   RegQueryValueEx(HKEY_CURRENT_USER, "Volume", nullptr, nullptr, &size),
                   transaction.Commit()};
    }
    std::thread([] { EXPECT_EQ(OpenStatus(HKEY_CURRENT_USER, "Velvaro"), ERROR_BADDB); }).join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(std::count(results.begin(), results.end(), ERROR_SUCCESS), 0);
    EXPECT_EQ(ReadBytes(blocker), "in the way\n");
    EXPECT_FALSE(fs::exists(blocker + ".broken"));
}

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

// Each reported index as a value PREFIX-<index> that holds the index.
void ExpectValues(HKEY key, const std::string& prefix, const std::vector<unsigned long>& indexes) {
    for (const unsigned long i : indexes) {
        const Value value = Get(key, prefix + '-' + std::to_string(i));
        ASSERT_EQ(value.status, ERROR_SUCCESS) << prefix << '-' << i;
        EXPECT_EQ(AsDword(value), i);
    }
}

// A player that ended cleanly leaves one file whose write-ahead log cannot
// be opened in a read-only folder; one that was killed leaves the log and
// its index beside it, here all made read-only. Either way every start reads
// the settings as they were, refuses writes quietly and leaves the file as
// it is. Writable again, the killed writer's log is taken in with every
// value it reported.
using RegistryReadOnly = RegistryTest;

TEST_F(RegistryReadOnly, SettingsSurviveAKilledWriterAndAreReadAndKeptInAReadOnlyFolder) {
    const fs::path settings = folder().path() / "settings";
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed" : "ended cleanly");
        fs::remove_all(settings);
        const std::string path = settings / "registry.db";
        const ScopedEnvironment store({{"VELVARO_REGISTRY", path}});
        CloseRegistry();
        const std::string language = "Software\\Quellware\\Vel-Varo\\Settings";
        ASSERT_EQ(Set(Create(HKEY_CURRENT_USER, language), "LanguageResource", REG_SZ,
                      Sz("IDR_LNG_ENGLISH")),
                  ERROR_SUCCESS);
        CloseRegistry();
        std::vector<unsigned long> written;
        if (killed) {
            Writer writer("Velvaro\\Killed", "v", 100000000);
            ASSERT_GE(writer.Read(200).size(), 200u);
            writer.kill();
            ASSERT_TRUE(writer.WaitForExit());
            EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);
            // Lines still in the pipe were written before the kill; they count too.
            written = writer.Read();
            ASSERT_TRUE(fs::exists(path + "-shm"));
        }
        EXPECT_EQ(fs::exists(path + "-wal"), killed);
        const std::string bytes = ReadBytes(path);

        testing::internal::CaptureStderr();
        std::vector<Value> read;
        std::vector<LONG> writes;
        std::vector<std::optional<std::string>> told;
        {
            const ReadOnlyFolder readOnly(settings, killed);
            for (int start = 0; start < 2; ++start) {
                CloseRegistry();
                HKEY key = 0;
                EXPECT_EQ(Open(HKEY_CURRENT_USER, language, &key), ERROR_SUCCESS);
                read.push_back(Get(key, "LanguageResource"));
                writes.push_back(SetDword(key, "Volume", 1));
                writes.push_back(RegCreateKeyEx(HKEY_CURRENT_USER, "New", KEY_ALL_ACCESS, &key));
                for (int look = 0; look < 2; ++look) {
                    told.push_back(TakeReadOnlyRegistry());
                }
                if (killed) {
                    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro\\Killed", &key), ERROR_SUCCESS);
                    ExpectValues(key, "v", written);
                }
            }
            CloseRegistry();
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(told,
                  (std::vector<std::optional<std::string>>{path, std::nullopt, path, std::nullopt}))
            << "told once a start";
        for (const Value& value : read) {
            EXPECT_EQ(std::pair(value.status, value.data),
                      std::pair(LONG{ERROR_SUCCESS}, Sz("IDR_LNG_ENGLISH")));
        }
        EXPECT_EQ(writes, std::vector<LONG>(4, ERROR_ACCESS_DENIED));
        EXPECT_TRUE(ReadBytes(path) == bytes);
        if (killed) {
            for (const std::string& file : {path, path + "-wal", path + "-shm"}) {
                fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
            }
            testing::internal::CaptureStderr();
            HKEY key = 0;
            EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro\\Killed", &key), ERROR_SUCCESS);
            ExpectValues(key, "v", written);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
            CloseRegistry();
            EXPECT_EQ(SqliteFile(path, SQLITE_OPEN_READWRITE).Value("PRAGMA integrity_check"),
                      "ok");
        }
        EXPECT_FALSE(fs::exists(path + ".broken"));
        EXPECT_EQ(TakeSetAsideRegistry(), std::nullopt);
    }
}

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
        CloseRegistry();
        std::vector<std::unique_ptr<Writer>> writers;
        for (int i = 0; i < kWriters; ++i) {
            writers.push_back(
                std::make_unique<Writer>("Velvaro", "w" + std::to_string(i), kCount, true));
        }
        for (auto& writer : writers) {
            writer->Go();
        }
        HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
        ValueNames(key);  // enumerated while they write: what comes later is seen as well
        for (auto& writer : writers) {
            EXPECT_EQ(writer->Read().size(), kCount);
            writer->ExpectCleanExit();
        }
        for (int w = 0; w < kWriters; ++w) {
            ExpectValues(key, "w" + std::to_string(w), writers[w]->Read());
        }
        EXPECT_EQ(std::pair(SubkeyNames(key).size(), ValueNames(key).size()),
                  std::pair(size_t{kWriters * kCount / 10}, size_t{kWriters * kCount}));
        CloseRegistry();
    }
}

}  // namespace
