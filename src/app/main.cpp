#include "CPlayerApp.h"
#include "platform/ProductVersion.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before anything else: no settings touched, no display needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Velvaro %s\n", GetProductVersion().toStdString().c_str());
            return 0;
        }
    }
    CPlayerApp app(argc, argv);
    app.InitInstance();
    return 0;
}
