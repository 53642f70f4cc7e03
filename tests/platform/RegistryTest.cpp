// The registry calls must answer as the Windows registry does, since the
// program's settings code was written against those answers. Transaction
// scopes make writes land together when the scope ends, and take them back
// when it is rolled back; inner scopes and other threads wait their turn.
#include "RegistryCalls.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <tuple>

namespace {

using namespace velvaro::test;
using Names = std::vector<std::string>;
using Statuses = std::vector<LONG>;
using velvaro::platform::RegistryTransaction;
constexpr HKEY kUser = HKEY_CURRENT_USER;

DWORD Number(HKEY key, std::string_view name) {
    return AsDword(Get(key, name));
}

DWORD Disposition(HKEY parent, std::string_view path, HKEY* key) {
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyEx(parent, path, KEY_ALL_ACCESS, key, &disposition), ERROR_SUCCESS);
    return disposition;
}

TEST_F(RegistryTest, CreateMakesEveryMissingKeyOnTheWayOpeningMakesNoneAndHivesAreSeparate) {
    HKEY deep = 0, key = 0, again = 0;
    EXPECT_EQ(Disposition(kUser, "Velvaro\\Settings\\Deep", &deep), REG_CREATED_NEW_KEY);
    EXPECT_EQ(Disposition(kUser, "Velvaro\\Settings\\Deep", &key), REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(SubkeyNames(Create(kUser, "Velvaro\\Settings")), Names{"Deep"});
    EXPECT_EQ((Statuses{OpenStatus(kUser, "Velvaro\\Missing"), OpenStatus(kUser, "Missing\\Deeper"),
                        OpenStatus(HKEY_CLASSES_ROOT, "Velvaro")}),
              Statuses(3, ERROR_FILE_NOT_FOUND));
    // An empty subkey opens the key itself under a handle of its own.
    ASSERT_EQ(Open(deep, "", &again), ERROR_SUCCESS);
    EXPECT_NE(again, deep);
    SetDword(again, "Seen", 50);
    ASSERT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    SetDword(Create(HKEY_LOCAL_MACHINE, "Velvaro\\Settings\\Deep"), "Seen", 2);
    ASSERT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "Velvaro"), ERROR_SUCCESS);
    EXPECT_EQ(Number(deep, "Seen"), 50u);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
    HKEY software = Create(kUser, "Software"), key = 0;
    Create(kUser, "Software\\Übersicht");
    EXPECT_EQ(Disposition(kUser, "software\\ÜBERSICHT", &key), REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Open(kUser, "sOfTwArE\\übersicht", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), Names{"Übersicht"});
    for (const auto& [name, value] :
         {std::pair{"Volume", 1u}, {"VOLUME", 2u}, {"Größe", 3u}, {"GRÖßE", 4u}}) {
        SetDword(key, name, value);
    }
    EXPECT_EQ(std::pair(Number(key, "volume"), Number(key, "größe")), std::pair(2u, 4u));
    EXPECT_EQ(ValueNames(key), (Names{"Volume", "Größe"}));
}

TEST_F(RegistryTest, DataRoundTripByteForByteWithTheirType) {
    HKEY key = Create(kUser, "Velvaro");
    std::string bytes(256, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    bytes += std::string("\0\0tail\0", 7);
    const std::pair<DWORD, std::string> values[] = {
        {REG_SZ, Sz("Dark")},      {REG_SZ, Sz("")},  {REG_SZ, Sz("Grüße, 日本")},
        {REG_SZ, "no terminator"}, {REG_SZ, ""},      {REG_SZ, std::string("two\0\0", 5)},
        {REG_BINARY, bytes},       {REG_NONE, bytes}, {REG_DWORD, bytes},
        {REG_SZ, Sz("now text")},  // overwriting may change the type as well
    };
    for (const auto& [type, data] : values) {
        ASSERT_EQ(Set(key, "Data", type, data), ERROR_SUCCESS);
        const Value read = Get(key, "Data");
        EXPECT_EQ(std::tuple(read.status, read.type, read.data),
                  std::tuple(LONG{ERROR_SUCCESS}, type, data));
    }
    for (const DWORD number : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        SetDword(key, "Number", number);
        EXPECT_EQ(std::pair(Get(key, "Number").type, Number(key, "Number")),
                  std::pair(DWORD{REG_DWORD}, number));
    }
    // A buffer too small is left alone and told the size needed.
    BYTE buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    DWORD type = REG_NONE, size = sizeof buffer;
    EXPECT_EQ(RegQueryValueEx(key, "Data", &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(std::pair(size, std::string(reinterpret_cast<char*>(buffer), 8)),
              std::pair(DWORD{9}, std::string(8, 'x')));
}

TEST_F(RegistryTest, DefaultValueHasTheEmptyNameAndMissingValuesAreFileNotFound) {
    HKEY key = Create(HKEY_CLASSES_ROOT, ".mkv");
    EXPECT_EQ(Get(key, "").status, ERROR_FILE_NOT_FOUND);
    Set(key, "", REG_SZ, Sz("Velvaro.mkv"));
    SetDword(key, "Volume", 80);
    Set(key, "Content Type", REG_SZ, Sz("video/x-matroska"));
    EXPECT_EQ(Get(key, "").data, Sz("Velvaro.mkv"));
    EXPECT_EQ(ValueNames(key), (Names{"", "Volume", "Content Type"}));
    EXPECT_EQ((Statuses{RegDeleteValue(key, ""), RegDeleteValue(key, "VOLUME"),
                        RegDeleteValue(key, "Volume"), Get(key, "Volume").status}),
              (Statuses{ERROR_SUCCESS, ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND}));
    EXPECT_EQ(ValueNames(key), Names{"Content Type"});
}

TEST_F(RegistryTest, SubkeysInNameOrderIgnoringCaseValuesInFirstWrittenOrderAndCounted) {
    HKEY key = Create(kUser, "Velvaro");
    for (const char* name : {"delta\\below", "bravo", "Charlie", "Alpha"}) {
        Create(key, name);
    }
    for (const auto& [name, value] : {std::pair{"zeta", 1u}, {"Alpha", 2u}, {"mid", 3u}}) {
        SetDword(key, name, value);
    }
    Set(key, "ALPHA", REG_SZ, Sz("changed"));
    velvaro::platform::CloseRegistry();
    ASSERT_EQ(Open(kUser, "Velvaro", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(key), (Names{"Alpha", "bravo", "Charlie", "delta"}));
    EXPECT_EQ(ValueNames(key), (Names{"zeta", "Alpha", "mid"}));
    char name[16];
    BYTE data[16];
    DWORD nameSize = sizeof name, type = REG_NONE, dataSize = sizeof data;
    ASSERT_EQ(RegEnumValue(key, 1, name, &nameSize, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::tuple(std::string(name, nameSize), type,
                         std::string(reinterpret_cast<char*>(data), dataSize)),
              std::tuple(std::string("Alpha"), DWORD{REG_SZ}, Sz("changed")));
    // The name buffer counts the terminator.
    nameSize = 5;
    EXPECT_EQ(RegEnumKeyEx(key, 0, name, &nameSize), ERROR_MORE_DATA);
    // Counts and longest lengths: direct subkeys only, data with its terminator.
    DWORD info[5] = {};
    ASSERT_EQ(RegQueryInfoKey(key, &info[0], &info[1], &info[2], &info[3], &info[4]),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector(info, info + 5), (std::vector<DWORD>{4, 7, 3, 5, 8}));
}

TEST_F(RegistryTest, DeleteKeyTakesOnlyKeysWithoutSubkeysAndDeleteTreeSparesSiblings) {
    SetDword(Create(kUser, "A\\B\\C"), "Volume", 5);
    EXPECT_EQ((Statuses{RegDeleteKey(kUser, "A\\B"), OpenStatus(kUser, "A\\B\\C"),
                        RegDeleteKey(kUser, "a\\b\\c"), OpenStatus(kUser, "A\\B\\C"),
                        RegDeleteKey(kUser, "A\\B"), RegDeleteKey(kUser, "A\\B")}),
              (Statuses{ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
                        ERROR_SUCCESS, ERROR_FILE_NOT_FOUND}));
    EXPECT_EQ(Get(Create(kUser, "A\\B\\C"), "Volume").status, ERROR_FILE_NOT_FOUND);

    // Deleting a tree spares the siblings sharing its prefix.
    const Names siblings = {"A\\B2", "A\\BC", "A\\B!", "A\\B[", "A\\B]", "A\\BÜ", "A\\B2\\C"};
    for (const auto& path : siblings) {
        Set(Create(kUser, path), "Path", REG_SZ, Sz(path));
    }
    SetDword(Create(kUser, "A"), "Own", 1);
    SetDword(Create(kUser, "A\\B\\C\\D"), "Own", 3);
    ASSERT_EQ(RegDeleteTree(kUser, "a\\b"), ERROR_SUCCESS);
    EXPECT_EQ(std::pair(OpenStatus(kUser, "A\\B"), OpenStatus(kUser, "A\\B\\C\\D")),
              std::pair(LONG{ERROR_FILE_NOT_FOUND}, LONG{ERROR_FILE_NOT_FOUND}));
    for (const auto& path : siblings) {
        EXPECT_EQ(Get(Create(kUser, path), "Path").data, Sz(path));
    }
    EXPECT_EQ(RegDeleteTree(kUser, "A\\B"), ERROR_FILE_NOT_FOUND);
    // With an empty name it empties the key, which stays, and its handle too.
    HKEY key = Create(kUser, "A\\B2");
    ASSERT_EQ(RegDeleteTree(key, ""), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(key).empty() && ValueNames(key).empty());
    EXPECT_EQ(SetDword(key, "Count", 0), ERROR_SUCCESS);
    EXPECT_EQ(Number(Create(kUser, "A"), "Own"), 1u);
}

// Every call on `key` but deleting and closing, each with the status it gave.
Statuses EveryCall(HKEY key) {
    HKEY out = 0;
    DWORD size = 0;
    char name[16];
    DWORD nameSize = sizeof name;
    // A braced list runs its calls in order.
    return {RegQueryValueEx(key, "Volume", nullptr, nullptr, &size),
            SetDword(key, "Volume", 2),
            RegDeleteValue(key, "Volume"),
            RegEnumKeyEx(key, 0, name, &nameSize),
            RegEnumValue(key, 0, name, &(nameSize = sizeof name), nullptr, nullptr, nullptr),
            RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr),
            RegCreateKeyEx(key, "D", KEY_ALL_ACCESS, &out),
            RegOpenKeyEx(key, "", KEY_ALL_ACCESS, &out)};
}

TEST_F(RegistryTest, HandlesOfDeletedKeysFailAndClosedOrUnknownOnesAreInvalid) {
    HKEY key = Create(kUser, "A\\B\\C");
    SetDword(key, "Volume", 1);
    ASSERT_EQ(RegDeleteTree(kUser, "A"), ERROR_SUCCESS);
    // A key of the same name made afterwards is another key.
    HKEY recreated = Create(kUser, "A\\B\\C");
    EXPECT_EQ(EveryCall(key), Statuses(8, ERROR_KEY_DELETED));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(ValueNames(recreated).empty() && SubkeyNames(recreated).empty());

    const HKEY stale = Create(kUser, "Velvaro");
    velvaro::platform::CloseRegistry();
    for (const HKEY bad : {key, stale, HKEY{0}, HKEY{0x12345678}}) {
        EXPECT_EQ(EveryCall(bad), Statuses(8, ERROR_INVALID_HANDLE)) << bad;
        EXPECT_EQ((Statuses{RegDeleteKey(bad, "Sub"), RegDeleteTree(bad, ""), RegCloseKey(bad)}),
                  Statuses(3, ERROR_INVALID_HANDLE));
    }
    // Closing a hive is allowed and leaves it usable.
    EXPECT_EQ(RegCloseKey(kUser), ERROR_SUCCESS);
    EXPECT_EQ(OpenStatus(kUser, "Velvaro"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, AccessRightsAreChecked) {
    SetDword(Create(kUser, "Velvaro"), "Volume", 30);
    HKEY reader = 0, writer = 0, sub = 0;
    ASSERT_EQ(Open(kUser, "Velvaro", &reader, KEY_READ), ERROR_SUCCESS);
    ASSERT_EQ(Open(kUser, "Velvaro", &writer, KEY_WRITE), ERROR_SUCCESS);
    EXPECT_EQ((Statuses{SetDword(reader, "Volume", 99), SetDword(reader, "Other", 99),
                        RegDeleteValue(reader, "Volume"),
                        RegCreateKeyEx(reader, "Sub", KEY_ALL_ACCESS, &sub),
                        Get(writer, "Volume").status}),
              Statuses(5, ERROR_ACCESS_DENIED));
    EXPECT_EQ(SetDword(writer, "Volume", 40), ERROR_SUCCESS);
    EXPECT_EQ(std::pair(ValueNames(reader), SubkeyNames(reader)),
              std::pair(Names{"Volume"}, Names{}));
    EXPECT_EQ(Number(reader, "Volume"), 40u);
}

TEST_F(RegistryTest, DataShowPlainlyInTheDatabase) {
    HKEY key = Create(kUser, "Velvaro\\Settings");
    Set(key, "Skin", REG_SZ, Sz("Dark"));
    SetDword(key, "Volume", 75);
    Set(key, "Layout", REG_BINARY, std::string("\x01\0\x02\0", 4));
    // Read while the store is still open, as a user poking at it would.
    using Row = std::vector<std::string>;
    EXPECT_EQ(SqliteFile(registryPath())
                  .Rows("SELECT key, name, type, typeof(data), quote(data) FROM registry "
                        "WHERE name IN ('Volume', 'Skin', 'Layout') ORDER BY name"),
              (std::vector<Row>{{"Velvaro\\Settings", "Layout", "3", "blob", "X'01000200'"},
                                {"Velvaro\\Settings", "Skin", "1", "text", "'Dark'"},
                                {"Velvaro\\Settings", "Volume", "4", "integer", "75"}}));
}

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
    EXPECT_EQ(Number(key, "Kept"), 1u);
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
        EXPECT_EQ(Number(key, "Outer"), 1u);
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
        EXPECT_EQ(Number(key, "Order"), 1u);
        transaction.Commit();
    }
    other.join();
    EXPECT_EQ(Number(key, "Order"), 2u);
}

}  // namespace
