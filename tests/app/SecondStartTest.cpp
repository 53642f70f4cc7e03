// A second start of the real program while a window listens in this
// process: what it hands over, record by record.
#include "StartupFixture.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <string>
#include <vector>

namespace {

constexpr UINT kInstanceParam = 0xFA78;

struct Record {
    WPARAM wParam;
    LPARAM lParam;
    QString text;  // the atom's name
};

// Reads and deletes each atom as the player window does.
class ReceivingWindow : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QObject::event(event);
        }
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message == kInstanceParam) {
            const bool piece = message->wParam >= 1001 && message->wParam <= 2005;
            const auto atom = static_cast<ATOM>(message->lParam & 0xFFFF);
            QString text;
            if (piece && atom != 0) {
                text = GlobalGetAtomName(atom);
                GlobalDeleteAtom(atom);
            }
            records.push_back({message->wParam, message->lParam, text});
        }
        return true;
    }

    std::vector<Record> records;
};

class SecondStartTest : public velvaro::test::StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        StoreDword("LanguageType", 0);
        StoreString("LanguageResource", "IDR_LNG_ENGLISH");
    }

    // Starts the program with `arguments` and serves the events until it ends
    // or `milliseconds` are over (then it is ended).
    bool Start(const QStringList& arguments, int milliseconds = 20000) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);  // registry and folders are the test's
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(VELVARO_EXECUTABLE), arguments);
        EXPECT_TRUE(program.waitForStarted(5000));
        const QDeadlineTimer deadline(milliseconds);
        while (program.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
            return false;
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        return true;
    }

    ReceivingWindow window_;
};

// The wParams in the order they must come: pieces, switches, end mark.
std::vector<WPARAM> RecordOrder() {
    std::vector<WPARAM> order;
    for (WPARAM field : {1001, 1011, 1021, 1031, 1041, 1051, 2001}) {
        for (WPARAM piece = 0; piece < 5; ++piece) {
            order.push_back(field + piece);
        }
    }
    for (WPARAM option = 3001; option <= 3004; ++option) {
        order.push_back(option);
    }
    for (WPARAM option = 4001; option <= 4010; ++option) {
        order.push_back(option);
    }
    order.push_back(0xFFFFFFFFu);
    return order;
}

// A path of `length` characters.
QString LongPath(int length) {
    QString path = QStringLiteral("/media/films");
    for (int part = 0; path.size() < length; ++part) {
        path += QStringLiteral("/folder-%1-").arg(part, 3, 10, QLatin1Char('0'));
        path += QString(40, QLatin1Char('a' + part % 26));
    }
    return path.left(length);
}

TEST_F(SecondStartTest, TheCommandLineArrivesInFiftyRecords) {
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass), &window_, kInstanceParam);
    ASSERT_TRUE(listener.IsListening());
    const QString file = LongPath(1300);
    ASSERT_TRUE(
        Start({file, QStringLiteral("/fullscreen"), QStringLiteral("-loop"),
               QStringLiteral("/NOBORDER"), QStringLiteral("/mute"), QStringLiteral("/nocompact"),
               QStringLiteral("/size:640x480"), QStringLiteral("/wndpos:10,20,righttop"),
               QStringLiteral("/jumptopos:00:01:02"), QStringLiteral("/bookmark:/tmp/marks.vbm"),
               QStringLiteral("/bordercol:255,0,0"), QStringLiteral("/audio:/tmp/sound.mp3"),
               QStringLiteral("/close"), QStringLiteral("/language:deutsch")}));

    const std::vector<WPARAM> order = RecordOrder();
    ASSERT_EQ(order.size(), 50u);
    ASSERT_EQ(window_.records.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(window_.records[i].wParam, order[i]) << i;
    }
    // The file name in five pieces of 255 characters: cut to 1275.
    for (int piece = 0; piece < 5; ++piece) {
        const Record& record = window_.records[static_cast<std::size_t>(piece)];
        EXPECT_NE(record.lParam, 0);
        EXPECT_EQ(record.text, file.mid(piece * 255, 255)) << piece;
    }
    // One piece each, the rest empty: no atom.
    const std::vector<std::pair<std::size_t, QString>> texts = {
        {5, QStringLiteral("640x480")},   {10, QStringLiteral("10,20,righttop")},
        {15, QStringLiteral("00:01:02")}, {20, QStringLiteral("/tmp/marks.vbm")},
        {25, QStringLiteral("255,0,0")},  {30, QStringLiteral("/tmp/sound.mp3")},
    };
    for (const auto& [first, text] : texts) {
        EXPECT_EQ(window_.records[first].text, text) << first;
        EXPECT_GE(window_.records[first].lParam, kFirstStringAtom) << first;
        for (std::size_t empty = first + 1; empty < first + 5; ++empty) {
            EXPECT_EQ(window_.records[empty].lParam, 0) << empty;
        }
    }
    // The switches: 0 or 1 each; /close and the language are not handed over.
    const std::vector<LPARAM> switches = {1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0};
    for (std::size_t i = 0; i < switches.size(); ++i) {
        EXPECT_EQ(window_.records[35 + i].lParam, switches[i]) << window_.records[35 + i].wParam;
    }
    EXPECT_EQ(window_.records[49].lParam, 0);
    // Every atom was read and deleted: nothing is left behind.
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("640x480")), 0);
}

TEST_F(SecondStartTest, TextsComeBackWholeAcrossPieceBoundaries) {
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass), &window_, kInstanceParam);
    // Characters beyond ASCII and beyond the basic plane right where the
    // pieces meet.
    const QString file = QStringLiteral("/") + QString(252, QLatin1Char('x')) +
                         QStringLiteral(u"äö𝄞ü") + QString(250, QLatin1Char('y')) +
                         QStringLiteral(u"Ärger 𝄞.mkv");
    ASSERT_TRUE(Start({file, QStringLiteral("/play")}));
    ASSERT_EQ(window_.records.size(), 50u);
    QString joined;
    for (std::size_t piece = 0; piece < 5; ++piece) {
        joined += window_.records[piece].text;
    }
    EXPECT_EQ(joined, file);
    EXPECT_EQ(window_.records[0].text.toUcs4().size(), 255);
    EXPECT_TRUE(window_.records[0].text.endsWith(QStringLiteral(u"äö")));
    EXPECT_TRUE(window_.records[1].text.startsWith(QStringLiteral(u"𝄞ü")));
    EXPECT_EQ(window_.records[3].lParam, 0);
    EXPECT_EQ(window_.records[43].lParam, 1) << "play";
}

TEST_F(SecondStartTest, WithSingleInstanceModeOffNothingIsHandedOver) {
    StoreDword("SingleInstanceMode", 0);
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass), &window_, kInstanceParam);
    // It starts a window of its own (or ends); either way the running one
    // hears nothing.
    Start({QStringLiteral("/tmp/film.mkv")}, 3000);
    EXPECT_TRUE(window_.records.empty());
}

}  // namespace
