// The single-instance channel over real local sockets: listeners in this
// process and in helper processes, senders in threads and in this process.
#include "EventLoop.h"
#include "TestRegistry.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QtEndian>

#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using velvaro::test::RunEventsFor;
using velvaro::test::RunEventsUntil;

const QString kClass = QStringLiteral("VelvaroClass");
constexpr UINT kMessage = 0xFA78;

struct Received {
    WPARAM wParam;
    LPARAM lParam;
    QString text;  // the atom's name, read and deleted as the player does
    bool operator==(const Received&) const = default;
};

void PrintTo(const Received& record, std::ostream* out) {
    *out << "{" << record.wParam << ", " << record.lParam << ", \"" << record.text.toStdString()
         << "\"}";
}

// A window that keeps what it is sent and answers wParam * 2.
class RecordingWindow : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QObject::event(event);
        }
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message != kMessage) {
            return true;
        }
        QString text;
        // Only records sent with a text carry atoms here.
        if (message->lParam >= kFirstStringAtom && message->lParam <= 0xFFFF) {
            const auto atom = static_cast<ATOM>(message->lParam);
            text = GlobalGetAtomName(atom);
            EXPECT_EQ(GlobalDeleteAtom(atom), 0);
        }
        received.push_back({message->wParam, message->lParam, text});
        if (onRecord) {
            onRecord(message->wParam);
        }
        message->result = static_cast<LRESULT>(message->wParam) * 2;
        return true;
    }

    std::vector<Received> received;
    std::function<void(WPARAM)> onRecord;
};

// Runs `client` on a thread of its own while this thread serves the events.
void RunClient(const std::function<void()>& client) {
    std::atomic<bool> done = false;
    std::thread thread([&] {
        client();
        done = true;
    });
    const bool finished = RunEventsUntil([&] { return done.load(); }, 20000);
    thread.join();
    EXPECT_TRUE(finished);
}

// The stand-in window program, in a process of its own.
class HelperWindow {
public:
    explicit HelperWindow(const QStringList& arguments = {}) {
        process_.setProgram(QStringLiteral(INSTANCE_WINDOW));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        EXPECT_TRUE(process_.waitForStarted(5000));
    }
    ~HelperWindow() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Reads output until a line equal to `line` came (true) or the time is up.
    bool WaitForLine(const QString& line, int milliseconds = 5000) {
        const QDeadlineTimer deadline(milliseconds);
        while (true) {
            while (process_.canReadLine()) {
                const QString read = QString::fromUtf8(process_.readLine()).chopped(1);
                lines_.push_back(read);
                if (read == line) {
                    return true;
                }
            }
            if (deadline.hasExpired() ||
                !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
        }
    }
    QStringList Records() {
        while (process_.waitForReadyRead(100)) {
        }
        while (process_.canReadLine()) {
            lines_.push_back(QString::fromUtf8(process_.readLine()).chopped(1));
        }
        QStringList records;
        for (const QString& line : lines_) {
            if (line.startsWith(QStringLiteral("record "))) {
                records.push_back(line.mid(7));
            }
        }
        return records;
    }
    bool WaitForExit(int milliseconds = 5000) { return process_.waitForFinished(milliseconds); }
    int ExitCode() const { return process_.exitCode(); }
    void Crash() {
        process_.kill();  // SIGKILL: nothing is cleaned up
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    QStringList lines_;
};

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELVARO_INSTANCE_DIR", folder_.path().c_str(), 1);
        socketPath_ = QString::fromStdString(folder_ / "VelvaroClass");
    }
    void TearDown() override { unsetenv("VELVARO_INSTANCE_DIR"); }

    velvaro::test::TestFolder folder_;
    QString socketPath_;
};

TEST_F(InstanceChannelTest, SocketPathFollowsTheEnvironment) {
    EXPECT_EQ(InstanceSocketPath(kClass), socketPath_);
    unsetenv("VELVARO_INSTANCE_DIR");
    setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
    EXPECT_EQ(InstanceSocketPath(kClass), socketPath_);
    // A runtime folder that is not there is no place for it.
    setenv("XDG_RUNTIME_DIR", (folder_ / "missing").c_str(), 1);
    const QString shared = InstanceSocketPath(kClass);
    EXPECT_TRUE(shared.endsWith(QStringLiteral("/VelvaroClass-") + QString::number(getuid())))
        << shared.toStdString();
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceSocketPath(kClass), shared);
}

TEST_F(InstanceChannelTest, RecordsArriveInOrderWithTheirTextsAsAtoms) {
    RecordingWindow window;
    InstanceListener listener(kClass, &window, kMessage);
    ASSERT_TRUE(listener.IsListening());
    EXPECT_EQ(listener.SocketPath(), socketPath_);

    const QString umlauts = QStringLiteral(u"/home/jörg/Filme/Ärger – 𝄞.mkv");
    std::vector<LRESULT> answers;
    std::vector<bool> sent;
    RunClient([&] {
        auto window = FindInstanceWindow(kClass);
        ASSERT_NE(window, nullptr);
        LRESULT answer = 0;
        sent.push_back(window->SendRecord(1001, QStringLiteral("/media/film.mkv"), &answer));
        answers.push_back(answer);
        sent.push_back(window->SendRecord(1002, umlauts, &answer));
        answers.push_back(answer);
        sent.push_back(window->SendRecord(1003, QString(), &answer));
        answers.push_back(answer);
        sent.push_back(window->SendRecord(3001, LPARAM{1}, &answer));
        answers.push_back(answer);
        sent.push_back(window->SendRecord(3002, LPARAM{0}, &answer));
        answers.push_back(answer);
        sent.push_back(window->SendRecord(0xFFFFFFFFu, LPARAM{0}, &answer));
        answers.push_back(answer);
    });

    EXPECT_EQ(sent, std::vector<bool>(6, true));
    EXPECT_EQ(answers, (std::vector<LRESULT>{2002, 2004, 2006, 6002, 6004, 0x1FFFFFFFEll}));
    ASSERT_EQ(window.received.size(), 6u);
    EXPECT_EQ(window.received[0].wParam, 1001u);
    EXPECT_GE(window.received[0].lParam, kFirstStringAtom);
    EXPECT_EQ(window.received[0].text, QStringLiteral("/media/film.mkv"));
    EXPECT_EQ(window.received[1].text, umlauts);
    // An empty piece carries no atom.
    EXPECT_EQ(window.received[2], (Received{1003, 0, QString()}));
    EXPECT_EQ(window.received[3], (Received{3001, 1, QString()}));
    EXPECT_EQ(window.received[4], (Received{3002, 0, QString()}));
    // The end mark's wParam is the 32-bit value, not a sign-extended one.
    EXPECT_EQ(window.received[5], (Received{0xFFFFFFFFu, 0, QString()}));
    // The window deleted what it read: nothing is left in the table.
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("/media/film.mkv")), 0);
    EXPECT_EQ(GlobalFindAtom(umlauts), 0);
}

TEST_F(InstanceChannelTest, RecordsStayInOrderWhileTheWindowRunsANestedLoop) {
    RecordingWindow window;
    InstanceListener listener(kClass, &window, kMessage);
    ASSERT_TRUE(listener.IsListening());
    // The first record opens a nested event loop, as a message box would;
    // the records already sent must wait for it.
    window.onRecord = [](WPARAM wParam) {
        if (wParam == 1) {
            RunEventsFor(300);
        }
    };
    std::vector<qint64> answers;
    RunClient([&] {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        ASSERT_TRUE(socket.waitForConnected(2000));
        // Records without waiting for answers: the second and third come
        // while the window is still busy with the first.
        const auto record = [](quint32 wParam) {
            QByteArray bytes(20, '\0');
            qToLittleEndian<quint32>(0x31504956, bytes.data());
            qToLittleEndian<quint32>(wParam, bytes.data() + 4);
            qToLittleEndian<qint64>(wParam * 10, bytes.data() + 8);
            qToLittleEndian<qint32>(-1, bytes.data() + 16);
            return bytes;
        };
        socket.write(record(1));
        socket.waitForBytesWritten(2000);
        QThread::msleep(100);
        socket.write(record(2) + record(3));
        socket.waitForBytesWritten(2000);
        while (socket.bytesAvailable() < 24 && socket.waitForReadyRead(5000)) {
        }
        const QByteArray reply = socket.readAll();
        for (int i = 0; i + 8 <= reply.size(); i += 8) {
            answers.push_back(qFromLittleEndian<qint64>(reply.constData() + i));
        }
    });
    EXPECT_EQ(window.received, (std::vector<Received>{{1, 10, {}}, {2, 20, {}}, {3, 30, {}}}));
    EXPECT_EQ(answers, (std::vector<qint64>{2, 4, 6}));
}

TEST_F(InstanceChannelTest, BrokenSendersAreDroppedAndTheListenerServesOn) {
    RecordingWindow window;
    InstanceListener listener(kClass, &window, kMessage);
    ASSERT_TRUE(listener.IsListening());
    RunClient([&] {
        // Half a record, then the sender is gone.
        QLocalSocket half;
        half.connectToServer(socketPath_);
        ASSERT_TRUE(half.waitForConnected(2000));
        QByteArray header(20, '\0');
        qToLittleEndian<quint32>(0x31504956, header.data());
        qToLittleEndian<quint32>(1001, header.data() + 4);
        qToLittleEndian<qint32>(100, header.data() + 16);
        half.write(header + QByteArray("only a part"));
        half.waitForBytesWritten(2000);
        half.disconnectFromServer();
        // Something that is no record at all.
        QLocalSocket garbage;
        garbage.connectToServer(socketPath_);
        ASSERT_TRUE(garbage.waitForConnected(2000));
        garbage.write(QByteArray(64, 'x'));
        garbage.waitForBytesWritten(2000);
        // The listener hangs up on it.
        EXPECT_FALSE(garbage.waitForReadyRead(2000));
        EXPECT_EQ(garbage.state(), QLocalSocket::UnconnectedState);
    });
    EXPECT_TRUE(window.received.empty());

    bool sent = false;
    RunClient([&] {
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        sent = found->SendRecord(4001, LPARAM{1});
    });
    EXPECT_TRUE(sent);
    EXPECT_EQ(window.received, (std::vector<Received>{{4001, 1, {}}}));
}

TEST_F(InstanceChannelTest, NoWindowIsFoundWithoutALiveListener) {
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);
    {
        RecordingWindow window;
        InstanceListener listener(kClass, &window, kMessage);
        ASSERT_TRUE(listener.IsListening());
        EXPECT_NE(FindInstanceWindow(kClass), nullptr);
    }
    // A listener that ends takes its socket with it.
    EXPECT_FALSE(QFileInfo::exists(socketPath_));
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);
    // Whatever else has the name is no window either.
    QFile file(socketPath_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);
}

TEST_F(InstanceChannelTest, TheSocketOfACrashedWindowIsReplaced) {
    {
        HelperWindow crashed;
        ASSERT_TRUE(crashed.WaitForLine(QStringLiteral("listening")));
        crashed.Crash();
    }
    ASSERT_TRUE(QFileInfo::exists(socketPath_)) << "a killed process leaves its socket";
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);

    RecordingWindow window;
    InstanceListener listener(kClass, &window, kMessage);
    EXPECT_TRUE(listener.IsListening());
    bool sent = false;
    RunClient([&] {
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        sent = found->SendRecord(4002, LPARAM{1});
    });
    EXPECT_TRUE(sent);
    EXPECT_EQ(window.received.size(), 1u);
}

TEST_F(InstanceChannelTest, ALaterListenerStandsByUntilTheOwnerEnds) {
    HelperWindow first({QStringLiteral("--quit-on-end")});
    ASSERT_TRUE(first.WaitForLine(QStringLiteral("listening")));

    RecordingWindow window;
    InstanceListener second(kClass, &window, kMessage);
    EXPECT_FALSE(second.IsListening());
    ASSERT_TRUE(QFileInfo::exists(socketPath_)) << "the owner's socket stays";

    // The owner gets the records; its end mark makes it quit.
    {
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        LRESULT answer = 0;
        EXPECT_TRUE(found->SendRecord(1001, QStringLiteral("first.mkv"), &answer));
        EXPECT_EQ(answer, 2001);
        EXPECT_TRUE(found->SendRecord(0xFFFFFFFFu, LPARAM{0}, &answer));
    }
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_EQ(first.ExitCode(), 0);
    const QStringList records = first.Records();
    ASSERT_EQ(records.size(), 2);
    EXPECT_TRUE(records[0].startsWith(QStringLiteral("1001 ")));
    EXPECT_TRUE(records[0].endsWith(QStringLiteral(" first.mkv")));
    EXPECT_EQ(records[1], QStringLiteral("4294967295 0 "));
    EXPECT_TRUE(window.received.empty());

    // Now the one standing by owns the name.
    EXPECT_TRUE(RunEventsUntil([&] { return second.IsListening(); }));
    bool sent = false;
    RunClient([&] {
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        sent = found->SendRecord(1011, QStringLiteral("640x480"));
    });
    EXPECT_TRUE(sent);
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0].text, QStringLiteral("640x480"));
}

TEST_F(InstanceChannelTest, AStandingByListenerTakesOverFromACrashedOwner) {
    HelperWindow first;
    ASSERT_TRUE(first.WaitForLine(QStringLiteral("listening")));
    HelperWindow second;
    ASSERT_TRUE(second.WaitForLine(QStringLiteral("standing-by")));
    first.Crash();
    EXPECT_TRUE(second.WaitForLine(QStringLiteral("listening")));
    auto found = FindInstanceWindow(kClass);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->SendRecord(4009, LPARAM{1}));
    EXPECT_EQ(second.Records(), QStringList{QStringLiteral("4009 1 ")});
}

TEST_F(InstanceChannelTest, AWindowThatDiesOrHangsFailsTheSenderWithoutHangingIt) {
    {
        HelperWindow dying({QStringLiteral("--die-after"), QStringLiteral("3")});
        ASSERT_TRUE(dying.WaitForLine(QStringLiteral("listening")));
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        EXPECT_TRUE(found->SendRecord(1001, QStringLiteral("a")));
        EXPECT_TRUE(found->SendRecord(1002, QStringLiteral("b")));
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(found->SendRecord(1003, QStringLiteral("c")));
        EXPECT_FALSE(found->SendRecord(1004, LPARAM{0}));
        EXPECT_LT(clock.elapsed(), 5000) << "a dead window is noticed at once";
        ASSERT_TRUE(dying.WaitForExit());
        EXPECT_EQ(dying.ExitCode(), 7);
        EXPECT_EQ(dying.Records().size(), 2);
    }
    {
        HelperWindow hanging({QStringLiteral("--hang-after"), QStringLiteral("2")});
        ASSERT_TRUE(hanging.WaitForLine(QStringLiteral("listening")));
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        found->SetTimeout(500);
        EXPECT_TRUE(found->SendRecord(3001, LPARAM{1}));
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(found->SendRecord(3002, LPARAM{1}));
        EXPECT_GE(clock.elapsed(), 450);
        EXPECT_LT(clock.elapsed(), 5000);
        // After a failure nothing more is sent.
        EXPECT_FALSE(found->SendRecord(3003, LPARAM{1}));
        EXPECT_LT(clock.elapsed(), 5000);
    }
}

}  // namespace
