// Stands in for a program file in the update tests. With "--hold" it runs
// like a program holding its lock, starts a program that outlives it, prints
// that one's process id and waits for its standard input to end. With other
// arguments it appends them as one line to "<own path>.ran" and ends.
#include "platform/Paths.h"
#include "platform/ProgramFileLock.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <fstream>

int main(int argc, char** argv) {
    const std::string self = velvaro::platform::ProgramFile();
    if (argc == 2 && std::strcmp(argv[1], "--hold") == 0) {
        velvaro::platform::HoldProgramFileLock(self);
        qint64 pid = 0;
        QProcess::startDetached(QStringLiteral("/bin/sleep"), {QStringLiteral("60")}, {}, &pid);
        std::printf("%lld\n", static_cast<long long>(pid));
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    std::ofstream ran(self + ".ran", std::ios::app);
    for (int i = 1; i < argc; ++i) {
        ran << (i > 1 ? " " : "") << argv[i];
    }
    ran << '\n';
    return 0;
}
