#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

// Runs in the signal handler: only async-signal-safe calls.
void OnSignal(int number) {
    if (signalled) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    signalled = 1;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

void OnTerminationSignals(std::function<void()> close) {
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [close = std::move(close)] {
        char byte = 0;
        while (read(signalPipe[0], &byte, 1) == 1) {
        }
        close();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

bool TerminationRequested() {
    return signalled != 0;
}
