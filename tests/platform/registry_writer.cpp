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

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // every line goes out at once
    if (argc < 4) {
        return 2;
    }
    const std::string keyPath = argv[1], prefix = argv[2];
    const unsigned long count = std::strtoul(argv[3], nullptr, 10);
    if (argc > 4) {
        std::printf("ready\n");
        while (std::fgetc(stdin) != EOF) {
        }
    }
    HKEY key = 0, sub = 0;
    LONG status = RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS, &key);
    for (unsigned long i = 0; i < count && status == ERROR_SUCCESS; ++i) {
        if (i % 10 == 0) {
            status = RegCreateKeyEx(HKEY_CURRENT_USER,
                                    keyPath + '\\' + prefix + '-' + std::to_string(i / 10),
                                    KEY_ALL_ACCESS, &sub);
            RegCloseKey(sub);
            RegCloseKey(key);
            status =
                status ? status : RegOpenKeyEx(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS, &key);
        }
        const DWORD data = static_cast<DWORD>(i);
        status = status ? status
                        : RegSetValueEx(key, prefix + '-' + std::to_string(i), REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&data), sizeof data);
        // The reader trusts every index it sees, so it must be out before the next write.
        if (status == ERROR_SUCCESS) {
            std::printf("%lu\n", i);
        }
    }
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "registry_writer: a call failed with %d\n", static_cast<int>(status));
        return 1;
    }
    RegCloseKey(key);
    return 0;
}
