// Other programs in tests, in programs with a QCoreApplication: run to their
// end with what they printed, or held and ended when the holder goes.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velvaro::test {

// A process that is ended, if it still runs, when the object goes. The
// `environment` entries override this process's environment (an empty value
// removes one), or are all of it without `inherit`.
class Child : public QProcess {
public:
    explicit Child(const std::map<std::string, std::string>& environment = {},
                   bool inherit = true) {
        QProcessEnvironment merged =
            inherit ? QProcessEnvironment::systemEnvironment() : QProcessEnvironment();
        for (const auto& [name, value] : environment) {
            if (value.empty()) {
                merged.remove(QString::fromStdString(name));
            } else {
                merged.insert(QString::fromStdString(name), QString::fromStdString(value));
            }
        }
        setProcessEnvironment(merged);
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Child() override { Stop(); }

    bool Start(const std::string& program, const std::vector<std::string>& args = {}) {
        QStringList arguments;
        for (const std::string& arg : args) {
            arguments << QString::fromStdString(arg);
        }
        start(QString::fromStdString(program), arguments);
        return waitForStarted(10000);
    }
    // True once it has ended, even when that was noticed before.
    bool WaitForExit(int milliseconds = 10000) {
        return state() == QProcess::NotRunning || waitForFinished(milliseconds);
    }
    void Stop() {
        if (state() != QProcess::NotRunning) {
            kill();
            waitForFinished(10000);
        }
    }
    // The next line of its standard output; nullopt when none comes in time.
    std::optional<std::string> NextLine(int milliseconds = 10000) {
        while (!canReadLine()) {
            if (!waitForReadyRead(milliseconds)) {
                return std::nullopt;
            }
        }
        return readLine().chopped(1).toStdString();
    }
};

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
    bool operator==(const ProgramResult&) const = default;
};

inline void PrintTo(const ProgramResult& result, std::ostream* out) {
    *out << result.exitCode << " \"" << result.out << "\" \"" << result.err << '"';
}

// Runs `program` to its end, or kills it after `milliseconds` (exit code -1
// then, as after a crash); the environment as Child takes it.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& environment = {},
                                bool inherit = true, int milliseconds = 300000) {
    Child child(environment, inherit);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    ProgramResult result;
    if (child.Start(program, args) && child.WaitForExit(milliseconds) &&
        child.exitStatus() == QProcess::NormalExit) {
        result.exitCode = child.exitCode();
    }
    child.Stop();
    result.out = child.readAllStandardOutput().toStdString();
    result.err = child.readAllStandardError().toStdString();
    return result;
}

// An X server of the test's own on a display number it picks itself. It stays
// up between programs: a reset as the last one leaves would turn away the next.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& screen = "1280x800x24")
        : server_({{"PATH", "/usr/bin:/bin"}}, false) {
        server_.setProcessChannelMode(QProcess::SeparateChannels);
        server_.setStandardErrorFile(QProcess::nullDevice());
        if (server_.Start("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten",
                                            "tcp", "-noreset"})) {
            name_ = ":" + server_.NextLine().value_or("");
        }
    }
    ~VirtualDisplay() {
        server_.terminate();  // lets it take its socket and lock file away
        server_.waitForFinished(5000);
    }

    // Empty when the server did not start (Xvfb is not installed).
    std::string Name() const { return name_.size() > 1 ? name_ : std::string(); }

private:
    Child server_;
    std::string name_;
};

// A D-Bus daemon of the test's own, to stand for the session or system bus.
class PrivateBus {
public:
    PrivateBus() {
        if (daemon_.Start("/usr/bin/dbus-daemon",
                          {"--session", "--nofork", "--nopidfile", "--print-address=1"})) {
            address_ = daemon_.NextLine().value_or("");
        }
    }

    // Empty when the daemon did not start.
    const std::string& Address() const { return address_; }

private:
    Child daemon_;
    std::string address_;
};

}  // namespace velvaro::test
