// registry_writer KEY PREFIX COUNT [--wait]
//
// Writes COUNT DWORD values PREFIX-0 ... PREFIX-<COUNT-1> (data: the index)
// into HKEY_CURRENT_USER\KEY of the store named by the environment, each its
// own call, and prints the index on standard output once the write returned.
// Before every tenth value it also creates the subkey KEY\PREFIX-<index/10>
// and reopens KEY, so key creation competes with value writes.
// With --wait it prints "ready" and reads standard input to its end before
// anything else, so that a test can let several writers go at one moment.
#include "platform/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Fail(const char* what, LONG status) {
    std::fprintf(stderr, "registry_writer: %s failed with %d\n", what, static_cast<int>(status));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool wait = argc == 5 && std::string(argv[4]) == "--wait";
    if (argc != 4 && !wait) {
        std::fprintf(stderr, "usage: registry_writer KEY PREFIX COUNT [--wait]\n");
        return 2;
    }
    const std::string keyPath = argv[1];
    const std::string prefix = argv[2];
    const unsigned long count = std::strtoul(argv[3], nullptr, 10);

    if (wait) {
        std::printf("ready\n");
        std::fflush(stdout);
        while (std::fgetc(stdin) != EOF) {
        }
    }

    HKEY key = 0;
    if (const LONG status = RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS, &key)) {
        return Fail("creating the key", status);
    }
    for (unsigned long i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            const std::string subPath = keyPath + '\\' + prefix + '-' + std::to_string(i / 10);
            HKEY sub = 0;
            if (const LONG status =
                    RegCreateKeyEx(HKEY_CURRENT_USER, subPath, KEY_ALL_ACCESS, &sub)) {
                return Fail("creating a subkey", status);
            }
            RegCloseKey(sub);
            RegCloseKey(key);
            if (const LONG status =
                    RegOpenKeyEx(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS, &key)) {
                return Fail("reopening the key", status);
            }
        }
        const std::string name = prefix + '-' + std::to_string(i);
        const DWORD data = static_cast<DWORD>(i);
        if (const LONG status = RegSetValueEx(key, name, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&data), sizeof data)) {
            return Fail("setting a value", status);
        }
        // The reader trusts every index it sees, so it must be out before the next write.
        std::printf("%lu\n", i);
        std::fflush(stdout);
    }
    RegCloseKey(key);
    return 0;
}
