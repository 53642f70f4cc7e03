// A second start of the real program while a window listens in this
// process: what it hands over, record by record.
#include "EventLoop.h"
#include "StartupFixture.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

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

using SecondStartTest = velvaro::test::StartupTest;

// The wParams in the order they must come: pieces, switches, end mark.
std::vector<WPARAM> RecordOrder() {
    std::vector<WPARAM> order;
    for (WPARAM field : {1001, 1011, 1021, 1031, 1041, 1051, 2001}) {
        for (WPARAM piece = 0; piece < 5; ++piece) {
            order.push_back(field + piece);
        }
    }
    for (WPARAM option :
         {3001, 3002, 3003, 3004, 4001, 4002, 4003, 4004, 4005, 4006, 4007, 4008, 4009, 4010}) {
        order.push_back(option);
    }
    order.push_back(0xFFFFFFFFu);
    return order;
}

TEST_F(SecondStartTest, TheCommandLineArrivesInFiftyRecordsWithTextsCutIntoCharacterPieces) {
    ChooseEnglish();
    ReceivingWindow window;
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass), &window, kInstanceParam);
    ASSERT_TRUE(listener.IsListening());
    // A character beyond the basic plane right where the first piece ends,
    // others beyond ASCII; 1300 characters, cut to 1275.
    QString file = QStringLiteral("/") + QString(252, u'x') + QStringLiteral(u"ä𝄞");
    for (int part = 0; file.toUcs4().size() < 1300; ++part) {
        file +=
            QStringLiteral(u"/Ordner-%1-").arg(part) + QString(40, QLatin1Char('a' + part % 26));
    }
    const QList<uint> characters = file.toUcs4().mid(0, 1300);
    file = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                             characters.size());

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(
        QStringLiteral(VELVARO_EXECUTABLE),
        {file, QStringLiteral("/fullscreen"), QStringLiteral("-loop"), QStringLiteral("/NOBORDER"),
         QStringLiteral("/mute"), QStringLiteral("/nocompact"), QStringLiteral("/size:640x480"),
         QStringLiteral("/wndpos:10,20,righttop"), QStringLiteral("/jumptopos:00:01:02"),
         QStringLiteral("/bookmark:/tmp/marks.vbm"), QStringLiteral("/bordercol:255,0,0"),
         QStringLiteral("/audio:/tmp/sound.mp3"), QStringLiteral("/close"),
         QStringLiteral("/language:deutsch")});
    ASSERT_TRUE(velvaro::test::RunEventsUntil(
        [&] { return program.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    const std::vector<WPARAM> order = RecordOrder();
    ASSERT_EQ(order.size(), 50u);
    ASSERT_EQ(window.records.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(window.records[i].wParam, order[i]) << i;
    }
    // The file name in five pieces of 255 characters, not UTF-16 units.
    for (int piece = 0; piece < 5; ++piece) {
        const Record& record = window.records[static_cast<std::size_t>(piece)];
        EXPECT_GE(record.lParam, kFirstStringAtom);
        EXPECT_EQ(record.text.toUcs4(), characters.mid(piece * 255, 255)) << piece;
    }
    // One piece each, the rest empty: no atom.
    const std::vector<std::pair<std::size_t, QString>> texts = {
        {5, QStringLiteral("640x480")},   {10, QStringLiteral("10,20,righttop")},
        {15, QStringLiteral("00:01:02")}, {20, QStringLiteral("/tmp/marks.vbm")},
        {25, QStringLiteral("255,0,0")},  {30, QStringLiteral("/tmp/sound.mp3")},
    };
    for (const auto& [first, text] : texts) {
        EXPECT_EQ(window.records[first].text, text) << first;
        EXPECT_GE(window.records[first].lParam, kFirstStringAtom) << first;
        for (std::size_t empty = first + 1; empty < first + 5; ++empty) {
            EXPECT_EQ(window.records[empty].lParam, 0) << empty;
        }
    }
    // The switches: 0 or 1 each; /close and the language are not handed over.
    const std::vector<LPARAM> switches = {1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0};
    for (std::size_t i = 0; i < switches.size(); ++i) {
        EXPECT_EQ(window.records[35 + i].lParam, switches[i]) << window.records[35 + i].wParam;
    }
    // Every atom was read and deleted: nothing is left behind.
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("640x480")), 0);
}

}  // namespace
