// Stands in for a program file in the update tests. Started with arguments,
// it appends them as one line to "<own path>.ran" and ends.
#include "platform/Paths.h"

#include <fstream>

int main(int argc, char** argv) {
    std::ofstream ran(velvaro::platform::ProgramFile() + ".ran", std::ios::app);
    for (int i = 1; i < argc; ++i) {
        ran << (i > 1 ? " " : "") << argv[i];
    }
    ran << '\n';
    return 0;
}
