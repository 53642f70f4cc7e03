// Transaction scopes: writes land together when the scope ends, and are
// taken back when it is rolled back; inner scopes and other threads wait their turn.
#include "RegistryCalls.h"
#include "TestRegistry.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace velvaro::test;
using velvaro::platform::RegistryTransaction;
using Names = std::vector<std::string>;
constexpr HKEY kUser = HKEY_CURRENT_USER;

using RegistryTransactions = RegistryTest;

TEST_F(RegistryTransactions, ScopesCommitTogetherAndRollBackWhatTheyWroteThemselves) {
    const HKEY key = Create(kUser, "Velvaro");
    ASSERT_EQ(SetDword(key, "Kept", 1), ERROR_SUCCESS);
    {
        RegistryTransaction abandoned;
        SetDword(key, "Kept", 2);
        SetDword(Create(kUser, "Velvaro\\New"), "Lost", 3);
        RegDeleteTree(kUser, "Velvaro");
        EXPECT_EQ(OpenStatus(kUser, "Velvaro"), ERROR_FILE_NOT_FOUND);
        abandoned.Rollback();
    }
    EXPECT_EQ(AsDword(Get(key, "Kept")), 1u);
    EXPECT_EQ(SubkeyNames(key), Names{});

    {
        RegistryTransaction outer;
        SetDword(key, "Outer", 1);
        {
            RegistryTransaction inner;
            SetDword(key, "Inner", 1);
        }
        {
            RegistryTransaction failed;
            SetDword(key, "Outer", 99);
            SetDword(key, "Dropped", 1);
            failed.Rollback();
        }
        EXPECT_EQ(AsDword(Get(key, "Outer")), 1u);
    }
    EXPECT_EQ(ValueNames(key), (Names{"Kept", "Outer", "Inner"}));

    // The scope is over after Commit: nothing is left open to roll back.
    RegistryTransaction done;
    SetDword(key, "After", 5);
    EXPECT_EQ(done.Commit(), ERROR_SUCCESS);
    SetDword(key, "Later", 6);
    done.Rollback();
    velvaro::platform::CloseRegistry();
    EXPECT_EQ(AsDword(Get(Create(kUser, "Velvaro"), "Later")), 6u);
}

TEST_F(RegistryTransactions, AnotherThreadsWriteWaitsForTheScopeToEnd) {
    const HKEY key = Create(kUser, "Velvaro");
    std::atomic<bool> written = false;
    std::thread other;
    {
        RegistryTransaction transaction;
        SetDword(key, "Order", 1);
        other = std::thread([&] {
            SetDword(key, "Order", 2);
            written = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(written);
        EXPECT_EQ(AsDword(Get(key, "Order")), 1u);
        transaction.Commit();
    }
    other.join();
    EXPECT_EQ(AsDword(Get(key, "Order")), 2u);
}

}  // namespace
