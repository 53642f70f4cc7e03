// The single-instance channel over real local sockets: listeners in this
// process and in helper processes, senders in threads and in this process.
#include "EventLoop.h"
#include "RecordingWindow.h"
#include "RunProgram.h"
#include "TestRegistry.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QVariant>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace velvaro::test;
using Answers = std::vector<LRESULT>;
using Records = std::vector<std::pair<UINT, QVariant>>;  // a text or an lParam each
using Lines = std::vector<std::string>;

const QString kClass = QString::fromLatin1(kPlayerWindowClass);
constexpr UINT kMessage = 0xFA78;

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

// Finds the window and sends it the records from a thread, as a second start
// does; the answers, -1 for each record that failed.
Answers Send(const Records& records, int timeout = 0) {
    Answers answers;
    RunClient([&] {
        auto found = FindInstanceWindow(kClass);
        ASSERT_NE(found, nullptr);
        if (timeout) {
            found->SetTimeout(timeout);
        }
        for (const auto& [wParam, value] : records) {
            LRESULT answer = -1;
            const bool sent = value.typeId() == QMetaType::QString
                                  ? found->SendRecord(wParam, value.toString(), &answer)
                                  : found->SendRecord(wParam, LPARAM{value.toLongLong()}, &answer);
            answers.push_back(sent ? answer : -1);
        }
    });
    return answers;
}

// A record as it travels: magic, wParam, lParam, text length (-1: none), text.
QByteArray Record(quint32 wParam, qint64 lParam, qint32 length = -1) {
    QByteArray bytes(20, '\0');
    qToLittleEndian<quint32>(0x31504956, bytes.data());
    qToLittleEndian<quint32>(wParam, bytes.data() + 4);
    qToLittleEndian<qint64>(lParam, bytes.data() + 8);
    qToLittleEndian<qint32>(length, bytes.data() + 16);
    return bytes;
}

// Connects `socket` when it is not yet, and writes `bytes` without waiting for an answer.
void Put(QLocalSocket& socket, const QByteArray& bytes) {
    if (socket.state() == QLocalSocket::UnconnectedState) {
        socket.connectToServer(InstanceSocketPath(kClass));
        ASSERT_TRUE(socket.waitForConnected(2000));
    }
    socket.write(bytes);
    socket.waitForBytesWritten(2000);
}

// The answers that come on `socket` until `count` are in or none comes for a while.
std::vector<qint64> Replies(QLocalSocket& socket, int count, int milliseconds = 5000) {
    while (socket.bytesAvailable() < count * 8 && socket.waitForReadyRead(milliseconds)) {
    }
    const QByteArray reply = socket.readAll();
    std::vector<qint64> answers;
    for (int i = 0; i + 8 <= reply.size(); i += 8) {
        answers.push_back(qFromLittleEndian<qint64>(reply.constData() + i));
    }
    return answers;
}

// The stand-in window program (answers wParam + 1000), in a process of its
// own, once it has said `ready`.
class HelperWindow : public Child {
public:
    explicit HelperWindow(const Lines& arguments = {}, const std::string& ready = "listening") {
        EXPECT_TRUE(Start(INSTANCE_WINDOW, arguments));
        EXPECT_TRUE(WaitForLine(ready)) << ready;
    }
    // Reads output until a line equal to `line` came (true) or the time is up.
    bool WaitForLine(const std::string& line, int milliseconds = 5000) {
        for (std::optional<std::string> read; (read = NextLine(milliseconds));) {
            if (read->starts_with("record ")) {
                records_.push_back(read->substr(7));
            }
            if (read == line) {
                return true;
            }
        }
        return false;
    }
    const Lines& Records() {
        WaitForLine("", 100);  // the lines still on their way
        return records_;
    }

private:
    Lines records_;
};

class InstanceChannelTest : public ::testing::Test {
protected:
    bool Listen(const RecordFilter& filter = {}) {
        listener_ = std::make_unique<InstanceListener>(kClass, ToWindow(), filter);
        return listener_->IsListening();
    }

    TestFolder folder_;
    ScopedEnvironment environment_{{{"VELVARO_INSTANCE_DIR", folder_.path()}}};
    QString socketPath_ = QString::fromStdString(folder_ / "VelvaroClass");
    RecordingWindow window_;
    std::unique_ptr<InstanceListener> listener_;

    // The records, as the window they are meant for hears them.
    InstanceListener::Delivery ToWindow() {
        return [this](WPARAM wParam, LPARAM lParam) {
            return SendMessage(&window_, kMessage, wParam, lParam);
        };
    }
};

TEST_F(InstanceChannelTest, SocketPathFollowsTheEnvironmentAndLivesOnlyInPrivateFolders) {
    const TestFolder runtime, temp;
    chmod(runtime.path().c_str(), 0700);
    ScopedEnvironment environment({{"VELVARO_INSTANCE_DIR", std::nullopt},
                                   {"XDG_RUNTIME_DIR", runtime.path()},
                                   {"TMPDIR", temp.path()}});
    EXPECT_EQ(InstanceSocketPath(kClass), QString::fromStdString(runtime / "VelvaroClass"));
    // A folder others may enter, or none at all, is no place for it; nor is
    // what another user could have put in the shared temporary folder first:
    // a link to somewhere else, a folder others may write to, a file.
    const std::string mine = temp / ("velvaro-" + std::to_string(getuid()));
    std::filesystem::create_directory(temp / "elsewhere");
    std::filesystem::create_directory_symlink(temp / "elsewhere", mine);
    mkdir((mine + ".1").c_str(), 0777);
    chmod((mine + ".1").c_str(), 0777);
    std::ofstream(mine + ".2") << "x";
    for (const char* folder : {"0755", "missing"}) {
        const std::string path = runtime / folder;
        mkdir(path.c_str(), 0755);
        environment.Set("XDG_RUNTIME_DIR", folder == std::string("missing") ? "" : path);
        EXPECT_EQ(InstanceSocketPath(kClass), QString::fromStdString(mine + ".3/VelvaroClass"));
    }
    struct stat made {};
    ASSERT_EQ(lstat((mine + ".3").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700u);
    // Both sides meet there.
    ASSERT_TRUE(Listen());
    EXPECT_EQ(Send({{3001, 1}}), Answers{6002});
}

// A sender that leaves while the window is in a nested loop over its record
// is let go only after it; the next is served after it, and its own records
// that come while the window is busy stay in order.
TEST_F(InstanceChannelTest, BrokenSendersAreDroppedAndRecordsStayInOrderAndDoNotMix) {
    ASSERT_TRUE(Listen());
    RunClient([] {
        // Half a record, and no more; then something that is no record at
        // all, on which the listener hangs up.
        QLocalSocket half, garbage, leaving, socket;
        Put(half, Record(1001, 0, 100) + QByteArray("only a part"));
        Put(garbage, QByteArray(64, 'x'));
        EXPECT_FALSE(garbage.waitForReadyRead(2000));
        EXPECT_EQ(garbage.state(), QLocalSocket::UnconnectedState);
        Put(leaving, Record(1, 10));
        QThread::msleep(100);
        leaving.abort();
        Put(socket, Record(1, 11));
        QThread::msleep(400);
        Put(socket, Record(2, 20) + Record(3, 30));
        EXPECT_EQ(Replies(socket, 3), (std::vector<qint64>{2, 4, 6}));
        // The sender that stopped halfway is hung up on after a while.
        EXPECT_TRUE(half.state() == QLocalSocket::UnconnectedState ||
                    half.waitForDisconnected(8000));
    });
    EXPECT_EQ(window_.received,
              (std::vector<Received>{{1, 10, {}}, {1, 11, {}}, {2, 20, {}}, {3, 30, {}}}));

    // Two senders at once: each one's records arrive together, never mixed.
    window_.received.clear();
    const auto send = [](UINT first) {
        auto window = FindInstanceWindow(kClass);
        for (UINT wParam = first; window && wParam < first + 3; ++wParam) {
            window->SendRecord(wParam, LPARAM{0});
            QThread::msleep(20);
        }
    };
    RunClient([&] {
        std::thread other(send, 11);
        send(1);
        other.join();
    });
    std::vector<WPARAM> order;
    for (const Received& record : window_.received) {
        order.push_back(record.wParam);
    }
    EXPECT_TRUE(order == (std::vector<WPARAM>{1, 2, 3, 11, 12, 13}) ||
                order == (std::vector<WPARAM>{11, 12, 13, 1, 2, 3}))
        << testing::PrintToString(order);
}

// Order, texts and end mark of a whole command line are the second start's
// tests; here the answers.
TEST_F(InstanceChannelTest, OnlyALiveListenerIsAWindowAnswersAndACrashedOnesSocketIsReplaced) {
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);
    ASSERT_TRUE(Listen());
    const QString file = QStringLiteral(u"/home/jörg/Filme/Ärger – 𝄞.mkv");
    EXPECT_EQ(Send({{1001, file}, {1003, QString()}, {3001, 1}, {0xFFFFFFFFu, 0}}),
              (Answers{2002, 2006, 6002, 0x1FFFFFFFEll}));
    ASSERT_EQ(window_.received.size(), 4u);
    EXPECT_EQ(window_.received[0].text, file);
    // An empty piece carries no atom.
    EXPECT_EQ(window_.received[1], (Received{1003, 0, {}}));
    listener_.reset();
    EXPECT_FALSE(QFileInfo::exists(socketPath_)) << "a listener that ends takes its socket along";

    HelperWindow crashed;
    crashed.Stop();  // SIGKILL: nothing is cleaned up
    ASSERT_TRUE(QFileInfo::exists(socketPath_)) << "a killed process leaves its socket";
    EXPECT_EQ(FindInstanceWindow(kClass), nullptr);
    EXPECT_TRUE(Listen());
    EXPECT_EQ(Send({{4002, 1}}), Answers{8004});
}

TEST_F(InstanceChannelTest, ALaterListenerStandsByUntilTheOwnerEndsOrCrashes) {
    HelperWindow first({"--quit-on-end"});
    EXPECT_FALSE(Listen());
    ASSERT_TRUE(QFileInfo::exists(socketPath_)) << "the owner's socket stays";
    // The owner gets the records; its end mark makes it quit.
    EXPECT_EQ(Send({{1001, QStringLiteral("first.mkv")}, {0xFFFFFFFFu, 0}}),
              (Answers{2001, 0xFFFFFFFFll + 1000}));
    ASSERT_TRUE(first.WaitForExit(5000));
    EXPECT_TRUE(first.Records().at(0).starts_with("1001 ") &&
                first.Records().at(0).ends_with(" first.mkv"));
    EXPECT_TRUE(window_.received.empty());
    // Now the one standing by owns the name.
    EXPECT_TRUE(RunEventsUntil([&] { return listener_->IsListening(); }));
    EXPECT_EQ(Send({{1011, QStringLiteral("640x480")}}), Answers{2022});

    // A standing-by process takes over from a crashed owner too.
    listener_.reset();
    HelperWindow owner;
    HelperWindow standing({}, "standing-by");
    owner.Stop();
    EXPECT_TRUE(standing.WaitForLine("listening"));
    EXPECT_EQ(Send({{4009, 1}}), Answers{5009});
    EXPECT_EQ(standing.Records(), Lines{"4009 1 "});
}

TEST_F(InstanceChannelTest, AWindowThatDiesOrHangsFailsTheSenderWithoutHangingIt) {
    // After a failure nothing more is sent.
    const struct {
        Lines arguments;
        int timeout;
        Answers answers;
    } cases[] = {{{"--die-after", "3"}, 0, {2001, 2002, -1, -1}},
                 {{"--hang-after", "2"}, 500, {2001, -1, -1, -1}}};
    for (const auto& c : cases) {
        HelperWindow window(c.arguments);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(Send({{1001, QStringLiteral("a")}, {1002, 1}, {1003, 1}, {1004, 0}}, c.timeout),
                  c.answers);
        EXPECT_GE(clock.elapsed(), c.timeout * 9 / 10);
        EXPECT_LT(clock.elapsed(), 5000) << "a dead window is noticed at once";
    }
}

// Records the window does not read are answered with 0 and leave nothing
// behind, however many come: the atom table stays free for real ones.
TEST_F(InstanceChannelTest, RecordsTheWindowDoesNotReadAreDroppedWithoutAtoms) {
    ASSERT_TRUE(Listen([](UINT wParam, bool hasText) { return hasText == (wParam == 1001); }));
    RunClient([] {
        // More than the atom table holds, sent without waiting.
        constexpr int kHostile = 20000;
        QByteArray burst;
        for (int i = 0; i < kHostile; ++i) {
            const QByteArray text = "hostile " + QByteArray::number(i);
            burst += Record(4001 + i % 2, 0, static_cast<qint32>(text.size())) + text;
        }
        QLocalSocket hostile;
        Put(hostile, burst);
        EXPECT_TRUE(Replies(hostile, kHostile, 10000) == std::vector<qint64>(kHostile, 0));
    });
    EXPECT_EQ(Send({{1001, 5}, {1001, QStringLiteral("film.mkv")}}), (Answers{0, 2002}));
    ASSERT_EQ(window_.received.size(), 1u);
    EXPECT_EQ(window_.received[0].text, QStringLiteral("film.mkv"));
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("hostile 19999")), ATOM{});
}

}  // namespace
