// The registry calls must answer as the Windows registry does, since the
// program's settings code was written against those answers.
#include "RegistryCalls.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <string>
#include <vector>

namespace {

using namespace velvaro::test;
using Names = std::vector<std::string>;

class RegistryKeys : public RegistryTest {};
class RegistryValues : public RegistryTest {};
class RegistryEnumeration : public RegistryTest {};
class RegistryDelete : public RegistryTest {};
class RegistryHandles : public RegistryTest {};
class RegistryStorage : public RegistryTest {};

TEST_F(RegistryKeys, CreateMakesEveryMissingKeyOnTheWay) {
    HKEY deep = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro\\Settings\\Deep", KEY_ALL_ACCESS, &deep,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    HKEY key = 0;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &key), ERROR_SUCCESS);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro\\Settings", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(key), Names{"Deep"});

    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro\\Settings\\Deep", KEY_ALL_ACCESS, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    // Both handles name the same key.
    ASSERT_EQ(SetDword(deep, "Seen", 7), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "Seen")), 7u);
}

TEST_F(RegistryKeys, OpeningAMissingKeyIsFileNotFound) {
    Create(HKEY_CURRENT_USER, "Velvaro");
    HKEY key = 0;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro\\Missing", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Missing\\Deeper", &key), ERROR_FILE_NOT_FOUND);
    // Opening must not have created anything.
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Missing", &key), ERROR_FILE_NOT_FOUND);
    HKEY velvaro = Create(HKEY_CURRENT_USER, "Velvaro");
    EXPECT_TRUE(SubkeyNames(velvaro).empty());
}

TEST_F(RegistryKeys, EmptySubkeyReopensTheKeyItself) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    HKEY again = 0;
    ASSERT_EQ(Open(key, "", &again), ERROR_SUCCESS);
    EXPECT_NE(again, key);
    ASSERT_EQ(SetDword(again, "Volume", 50), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "Volume")), 50u);
}

TEST_F(RegistryKeys, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
    HKEY software = Create(HKEY_CURRENT_USER, "Software");
    Create(HKEY_CURRENT_USER, "Software\\MixedCase");
    Create(HKEY_CURRENT_USER, "Software\\Übersicht");

    HKEY key = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase", KEY_ALL_ACCESS, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "software\\ÜBERSICHT", KEY_ALL_ACCESS, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "sOfTwArE\\übersicht", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), (Names{"MixedCase", "Übersicht"}));

    ASSERT_EQ(SetDword(key, "Volume", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "VOLUME", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Größe", 3), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "GRÖßE", 4), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "volume")), 2u);
    EXPECT_EQ(AsDword(Get(key, "größe")), 4u);
    EXPECT_EQ(ValueNames(key), (Names{"Volume", "Größe"}));
}

TEST_F(RegistryKeys, HivesAreSeparate) {
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Velvaro"), "Hive", 1), ERROR_SUCCESS);
    HKEY key = 0;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "Velvaro", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(HKEY_CLASSES_ROOT, "Velvaro", &key), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(SetDword(Create(HKEY_LOCAL_MACHINE, "Velvaro"), "Hive", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(Create(HKEY_CLASSES_ROOT, "Velvaro"), "Hive", 3), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "Velvaro"), ERROR_SUCCESS);

    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &key), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "Hive")), 1u);
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "Velvaro", &key), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "Hive")), 3u);
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "Velvaro", &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, StringsRoundTripByteForByte) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    const std::vector<std::string> strings = {Sz("Dark"),
                                              Sz(""),
                                              Sz("Grüße, 日本"),
                                              std::string("no terminator"),
                                              std::string(),
                                              std::string("two\0\0", 5),
                                              std::string("a\0b\0", 4)};
    for (const auto& data : strings) {
        ASSERT_EQ(Set(key, "Text", REG_SZ, data), ERROR_SUCCESS);
        const Value read = Get(key, "Text");
        ASSERT_EQ(read.status, ERROR_SUCCESS);
        EXPECT_EQ(read.type, REG_SZ);
        EXPECT_EQ(read.data, data) << "size " << data.size();
    }
}

TEST_F(RegistryValues, DwordsAndBinaryDataRoundTrip) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    for (const DWORD number : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        ASSERT_EQ(SetDword(key, "Number", number), ERROR_SUCCESS);
        const Value read = Get(key, "Number");
        EXPECT_EQ(read.type, REG_DWORD);
        EXPECT_EQ(AsDword(read), number);
    }

    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    bytes += std::string("\0\0tail\0", 7);
    for (const DWORD type : {REG_BINARY, REG_NONE, REG_DWORD}) {
        ASSERT_EQ(Set(key, "Blob", type, bytes), ERROR_SUCCESS);
        const Value read = Get(key, "Blob");
        EXPECT_EQ(read.type, type);
        EXPECT_EQ(read.data, bytes);
    }
    // Overwriting may change the type as well as the data.
    ASSERT_EQ(Set(key, "Blob", REG_SZ, Sz("now text")), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "Blob").type, REG_SZ);
    EXPECT_EQ(Get(key, "Blob").data, Sz("now text"));
}

TEST_F(RegistryValues, DefaultValueHasTheEmptyName) {
    HKEY key = Create(HKEY_CLASSES_ROOT, ".mkv");
    EXPECT_EQ(Get(key, "").status, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Set(key, "", REG_SZ, Sz("Velvaro.mkv")), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Content Type", REG_SZ, Sz("video/x-matroska")), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "").data, Sz("Velvaro.mkv"));
    EXPECT_EQ(ValueNames(key), (Names{"", "Content Type"}));
    ASSERT_EQ(RegDeleteValue(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), Names{"Content Type"});
}

TEST_F(RegistryValues, QueryWithSmallOrNoBufferReportsTheSize) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    ASSERT_EQ(Set(key, "Skin", REG_SZ, Sz("abcdef")), ERROR_SUCCESS);

    DWORD type = REG_NONE;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Skin", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 7u);

    BYTE small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Skin", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(small), sizeof small), "xxxxxx");

    BYTE exact[7] = {};
    size = sizeof exact;
    EXPECT_EQ(RegQueryValueEx(key, "Skin", &type, exact, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), size), Sz("abcdef"));
}

TEST_F(RegistryValues, MissingAndDeletedValuesAreFileNotFound) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    EXPECT_EQ(Get(key, "Volume").status, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetDword(key, "Volume", 80), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Mute", 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "VOLUME"), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "Volume").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(key, "Volume"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ValueNames(key), Names{"Mute"});
}

TEST_F(RegistryEnumeration, EmptyKeysExistAndEnumerate) {
    HKEY parent = Create(HKEY_CURRENT_USER, "Velvaro");
    HKEY empty = Create(parent, "Empty");
    EXPECT_EQ(SubkeyNames(parent), Names{"Empty"});

    char name[16];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(empty, 0, name, &size), ERROR_NO_MORE_ITEMS);
    size = sizeof name;
    EXPECT_EQ(RegEnumValue(empty, 0, name, &size, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    DWORD counts[5] = {9, 9, 9, 9, 9};
    ASSERT_EQ(RegQueryInfoKey(empty, &counts[0], &counts[1], &counts[2], &counts[3], &counts[4]),
              ERROR_SUCCESS);
    for (const DWORD count : counts) {
        EXPECT_EQ(count, 0u);
    }
}

TEST_F(RegistryEnumeration, SubkeysComeInNameOrderIgnoringCase) {
    HKEY parent = Create(HKEY_CURRENT_USER, "Velvaro");
    for (const char* name : {"delta", "bravo", "Charlie", "Alpha", "echo"}) {
        Create(parent, name);
    }
    const Names expected = {"Alpha", "bravo", "Charlie", "delta", "echo"};
    EXPECT_EQ(SubkeyNames(parent), expected);
    EXPECT_EQ(SubkeyNames(parent), expected);
    velvaro::platform::CloseRegistry();
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &parent), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(parent), expected);
}

TEST_F(RegistryEnumeration, ValuesComeInFirstWrittenOrder) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    ASSERT_EQ(SetDword(key, "zeta", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Alpha", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "mid", 3), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "ALPHA", REG_SZ, Sz("changed")), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (Names{"zeta", "Alpha", "mid"}));

    char name[16];
    DWORD nameSize = sizeof name;
    DWORD type = REG_NONE;
    BYTE data[16];
    DWORD dataSize = sizeof data;
    ASSERT_EQ(RegEnumValue(key, 1, name, &nameSize, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, nameSize), "Alpha");
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataSize), Sz("changed"));
}

TEST_F(RegistryEnumeration, NameBufferCountsTheTerminator) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    Create(key, "Five5");
    char name[8] = "xxxxxxx";
    DWORD size = 5;
    EXPECT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_MORE_DATA);
    size = 6;
    ASSERT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(name, "Five5");
}

TEST_F(RegistryEnumeration, SeesChangesMadeBetweenCalls) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    ASSERT_EQ(SetDword(key, "v0", 0), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "v1", 1), ERROR_SUCCESS);
    Create(key, "a");
    Create(key, "b");

    char name[16];
    DWORD size = sizeof name;
    DWORD type = REG_NONE;
    DWORD number = 0;
    DWORD dataSize = sizeof number;
    auto data = reinterpret_cast<BYTE*>(&number);
    ASSERT_EQ(RegEnumValue(key, 0, name, &size, &type, data, &dataSize), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "v1", 11), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "v2", 2), ERROR_SUCCESS);
    size = sizeof name;
    dataSize = sizeof number;
    ASSERT_EQ(RegEnumValue(key, 1, name, &size, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "v1");
    EXPECT_EQ(number, 11u);
    size = sizeof name;
    ASSERT_EQ(RegEnumValue(key, 2, name, &size, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "v2");
    size = sizeof name;
    EXPECT_EQ(RegEnumValue(key, 3, name, &size, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    size = sizeof name;
    ASSERT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_SUCCESS);
    Create(key, "c");
    size = sizeof name;
    ASSERT_EQ(RegEnumKeyEx(key, 2, name, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "c");
    ASSERT_EQ(RegDeleteKey(key, "c"), ERROR_SUCCESS);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(key, 2, name, &size), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryEnumeration, QueryInfoKeyGivesCountsAndLongestLengths) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    Create(key, "ab");
    Create(key, "abcdef\\below");
    ASSERT_EQ(SetDword(key, "x", 1), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "longername", REG_SZ, Sz("hi")), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "y", REG_BINARY, std::string(10, '\0')), ERROR_SUCCESS);

    DWORD subKeys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
    ASSERT_EQ(RegQueryInfoKey(key, &subKeys, &longestKey, &values, &longestName, &longestData),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(longestKey, 6u);
    EXPECT_EQ(values, 3u);
    EXPECT_EQ(longestName, 10u);
    EXPECT_EQ(longestData, 10u);

    // Every output is optional.
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, &values, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(values, 3u);
}

TEST_F(RegistryDelete, DeleteKeyRefusesAKeyWithSubkeys) {
    Create(HKEY_CURRENT_USER, "A\\B\\C");
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "A\\B"), ERROR_ACCESS_DENIED);
    HKEY key = 0;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "A\\B\\C", &key), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "a\\b\\c"), ERROR_SUCCESS);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "A\\B\\C", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "A\\B"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "A", &key), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(key).empty());
}

TEST_F(RegistryDelete, DeletedKeyTakesItsValuesAlong) {
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Leaf"), "Volume", 5), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Leaf"), ERROR_SUCCESS);

    HKEY key = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Leaf", KEY_ALL_ACCESS, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(Get(key, "Volume").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryDelete, DeleteTreeSparesSiblingsSharingThePrefix) {
    const std::vector<std::string> siblings = {"A\\B2", "A\\BC", "A\\B!",   "A\\B[",
                                               "A\\B]", "A\\BÜ", "A\\B2\\C"};
    for (const auto& path : siblings) {
        ASSERT_EQ(Set(Create(HKEY_CURRENT_USER, path), "Path", REG_SZ, Sz(path)), ERROR_SUCCESS);
    }
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "A"), "Own", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "A\\B"), "Own", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "A\\B\\C\\D"), "Own", 3), ERROR_SUCCESS);
    Create(HKEY_CURRENT_USER, "A\\B\\E");

    ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "a\\b"), ERROR_SUCCESS);

    HKEY key = 0;
    for (const char* gone : {"A\\B", "A\\B\\C", "A\\B\\C\\D", "A\\B\\E"}) {
        EXPECT_EQ(Open(HKEY_CURRENT_USER, gone, &key), ERROR_FILE_NOT_FOUND) << gone;
    }
    for (const auto& path : siblings) {
        ASSERT_EQ(Open(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS) << path;
        EXPECT_EQ(Get(key, "Path").data, Sz(path));
    }
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "A", &key), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(key, "Own")), 1u);
    EXPECT_EQ(SubkeyNames(key).size(), 6u);
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "A\\B"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryDelete, DeleteTreeOfEmptyNameEmptiesTheKey) {
    HKEY parent = Create(HKEY_CURRENT_USER, "Velvaro");
    ASSERT_EQ(SetDword(parent, "Kept", 1), ERROR_SUCCESS);
    HKEY key = Create(parent, "Recent");
    ASSERT_EQ(SetDword(key, "Count", 2), ERROR_SUCCESS);
    Create(key, "File1\\Deeper");
    Create(parent, "RecentList");

    ASSERT_EQ(RegDeleteTree(key, ""), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(key).empty());
    EXPECT_TRUE(ValueNames(key).empty());
    // The key itself stays, and so does its handle.
    ASSERT_EQ(SetDword(key, "Count", 0), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(parent), (Names{"Recent", "RecentList"}));
    EXPECT_EQ(AsDword(Get(parent, "Kept")), 1u);
}

TEST_F(RegistryDelete, HandleToADeletedKeyFails) {
    HKEY key = Create(HKEY_CURRENT_USER, "A\\B\\C");
    ASSERT_EQ(SetDword(key, "Volume", 1), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "A"), ERROR_SUCCESS);

    // A key of the same name made afterwards is another key.
    HKEY recreated = Create(HKEY_CURRENT_USER, "A\\B\\C");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Volume", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetDword(key, "Volume", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValue(key, "Volume"), ERROR_KEY_DELETED);
    char name[16];
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_KEY_DELETED);
    size = sizeof name;
    EXPECT_EQ(RegEnumValue(key, 0, name, &size, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyEx(key, "D", KEY_ALL_ACCESS, &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyEx(key, "", KEY_ALL_ACCESS, &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_TRUE(ValueNames(recreated).empty());
    EXPECT_TRUE(SubkeyNames(recreated).empty());
}

TEST_F(RegistryHandles, AccessRightsAreChecked) {
    ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Velvaro"), "Volume", 30), ERROR_SUCCESS);

    HKEY reader = 0;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &reader, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(AsDword(Get(reader, "Volume")), 30u);
    EXPECT_EQ(SetDword(reader, "Volume", 99), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetDword(reader, "Other", 99), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(reader, "Volume"), ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyEx(reader, "Sub", KEY_ALL_ACCESS, &sub), ERROR_ACCESS_DENIED);
    EXPECT_EQ(AsDword(Get(reader, "Volume")), 30u);
    EXPECT_EQ(ValueNames(reader), Names{"Volume"});
    EXPECT_TRUE(SubkeyNames(reader).empty());

    HKEY writer = 0;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &writer, KEY_WRITE), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(writer, "Volume", 40), ERROR_SUCCESS);
    EXPECT_EQ(Get(writer, "Volume").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(AsDword(Get(reader, "Volume")), 40u);
}

TEST_F(RegistryHandles, ClosedAndUnknownHandlesAreInvalid) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    const HKEY stale = Create(HKEY_CURRENT_USER, "Velvaro");
    velvaro::platform::CloseRegistry();

    for (const HKEY bad : {key, stale, HKEY{0}, HKEY{0x12345678}}) {
        SCOPED_TRACE(bad);
        HKEY out = 0;
        DWORD size = 0;
        char name[16];
        EXPECT_EQ(RegOpenKeyEx(bad, "", KEY_READ, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCreateKeyEx(bad, "Sub", KEY_ALL_ACCESS, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueEx(bad, "Volume", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetDword(bad, "Volume", 1), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValue(bad, "Volume"), ERROR_INVALID_HANDLE);
        size = sizeof name;
        EXPECT_EQ(RegEnumKeyEx(bad, 0, name, &size), ERROR_INVALID_HANDLE);
        size = sizeof name;
        EXPECT_EQ(RegEnumValue(bad, 0, name, &size, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryInfoKey(bad, nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKey(bad, "Sub"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteTree(bad, ""), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    }

    // Closing a hive is allowed and leaves it usable.
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    HKEY out = 0;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &out), ERROR_SUCCESS);
}

TEST_F(RegistryStorage, DataSurviveClosingTheStore) {
    const std::string blob("\x01\0\x02\0", 4);
    {
        HKEY key = Create(HKEY_CURRENT_USER, "Velvaro\\Settings");
        ASSERT_EQ(Set(key, "Skin", REG_SZ, Sz("Dark")), ERROR_SUCCESS);
        ASSERT_EQ(SetDword(key, "Volume", 75), ERROR_SUCCESS);
        ASSERT_EQ(Set(key, "Layout", REG_BINARY, blob), ERROR_SUCCESS);
        ASSERT_EQ(Set(key, "", REG_SZ, Sz("default")), ERROR_SUCCESS);
        Create(HKEY_CURRENT_USER, "Velvaro\\Settings\\Empty");
    }
    velvaro::platform::CloseRegistry();

    HKEY key = 0;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "velvaro\\settings", &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (Names{"Skin", "Volume", "Layout", ""}));
    EXPECT_EQ(SubkeyNames(key), Names{"Empty"});
    EXPECT_EQ(Get(key, "Skin").data, Sz("Dark"));
    EXPECT_EQ(Get(key, "Volume").type, REG_DWORD);
    EXPECT_EQ(AsDword(Get(key, "Volume")), 75u);
    EXPECT_EQ(Get(key, "Layout").type, REG_BINARY);
    EXPECT_EQ(Get(key, "Layout").data, blob);
    EXPECT_EQ(Get(key, "").data, Sz("default"));
}

TEST_F(RegistryStorage, DatabaseShowsNumbersAndTextPlainly) {
    HKEY key = Create(HKEY_CURRENT_USER, "Velvaro\\Settings");
    ASSERT_EQ(SetDword(key, "Volume", 75), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Skin", REG_SZ, Sz("Dark")), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Raw", REG_BINARY, std::string("\0\1", 2)), ERROR_SUCCESS);

    // Read while the store is still open, as a user poking at it would.
    SqliteFile file(registryPath(), SQLITE_OPEN_READONLY);
    const auto rows = file.Rows(
        "SELECT key, name, type, typeof(data), quote(data) FROM registry "
        "WHERE name IN ('Volume', 'Skin', 'Raw') ORDER BY name");
    using Row = std::vector<std::string>;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (Row{"Velvaro\\Settings", "Raw", "3", "blob", "X'0001'"}));
    EXPECT_EQ(rows[1], (Row{"Velvaro\\Settings", "Skin", "1", "text", "'Dark'"}));
    EXPECT_EQ(rows[2], (Row{"Velvaro\\Settings", "Volume", "4", "integer", "75"}));
}

}  // namespace
