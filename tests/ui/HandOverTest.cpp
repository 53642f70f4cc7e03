// What the window does with the records of a second start: the pieces of a
// text join in the command line, a switch sets its option, and the end mark
// opens the medium or applies the options alone.
#include "PlayerWindow.h"

#include "platform/Atoms.h"
#include "settings/HandOverRecords.h"

namespace {

class HandOverTest : public PlayerWindowTest {
protected:
    void Record(WPARAM record, LPARAM value) {
        SendMessage(window.get(), WM_INSTANCE_PARAM, record, value);
    }
    // A text in its five pieces of 255 characters, each an atom or nothing.
    void Text(WPARAM first, const QString& value) {
        for (WPARAM piece = 0; piece < hand_over::kPieces; ++piece) {
            const QString part = value.mid(static_cast<qsizetype>(piece) * 255, 255);
            Record(first + piece, part.isEmpty() ? 0 : GlobalAddAtom(part));
        }
    }
};

TEST_F(HandOverTest, TextsJoinAndTheEndMarkOpensTheFileOrAppliesTheOptionsAlone) {
    Start(Media("audio.mp3"));
    commandLine.SetSize("stale");
    const QString longName = QString(1200, u'a') + QStringLiteral("b.mkv");
    Text(1001, longName);  // the fifth piece holds the end
    Text(1011, QString());
    EXPECT_EQ(commandLine.GetFileName(), longName.toStdString());
    EXPECT_EQ(commandLine.GetSize(), "");
    Record(4005, 1);
    EXPECT_EQ(commandLine.GetPlay(), 1);
    Record(4005, 0);
    EXPECT_EQ(commandLine.GetPlay(), 0);
    // Each atom is read once and released.
    EXPECT_EQ(GlobalFindAtom(QString(255, u'a')), 0);

    Text(1001, QString::fromStdString(Media("multi.mkv")));
    Text(1031, QStringLiteral("3"));
    Record(4006, 1);  // pause
    Record(hand_over::kEndMark, 0);
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - multi.mkv - PAUSE"));
    ASSERT_TRUE(WaitFor([this] { return Position() == 300; }));

    Text(1001, QString());
    Text(1031, QStringLiteral("1.5"));
    Record(4006, 0);
    Record(3003, 1);  // compact
    Record(4001, 1);  // loop
    Record(hand_over::kEndMark, 0);
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - multi.mkv - PAUSE"));
    EXPECT_EQ(settings->compactView, 1);
    EXPECT_TRUE(Marks().Looping());
    ASSERT_TRUE(WaitFor([this] { return Position() == 150; }));
}

}  // namespace
