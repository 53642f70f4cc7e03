// The receiving side of a second start: records into the command line,
// then the end mark opens the medium or applies the options.
#include "PlayerWindow.h"

#include "platform/Atoms.h"

namespace velvaro::test {
namespace {

class HandOverTest : public PlayerWindowTest {
protected:
    void Piece(WPARAM record, const QString& text) {
        SendMessage(window.get(), WM_INSTANCE_PARAM, record,
                    text.isEmpty() ? 0 : GlobalAddAtom(text));
    }
    void Field(WPARAM first, const QString& value) {
        for (int piece = 0; piece < 5; ++piece) {
            Piece(first + piece, value.mid(piece * 255, 255));
        }
    }
    void Option(WPARAM record, bool given) {
        SendMessage(window.get(), WM_INSTANCE_PARAM, record, given ? 1 : 0);
    }
    void EndMark() { SendMessage(window.get(), WM_INSTANCE_PARAM, 0xFFFFFFFF, 0); }
};

TEST_F(HandOverTest, PiecesJoinAndEveryRangeStartsEmpty) {
    Start();
    commandLine.SetSize("stale");
    const QString longName = QString(600, u'a') + QStringLiteral(".mkv");
    Field(1001, longName);
    Field(1011, QString());
    EXPECT_EQ(commandLine.GetFileName(), longName.toStdString());
    EXPECT_EQ(commandLine.GetSize(), "");
    Option(4005, true);
    EXPECT_EQ(commandLine.GetPlay(), 1);
    Option(4005, false);
    EXPECT_EQ(commandLine.GetPlay(), 0);
    // Each atom is read once and released.
    EXPECT_EQ(GlobalFindAtom(QString(255, u'a')), 0);
}

TEST_F(HandOverTest, EndMarkWithAFileOpensItWithItsOptions) {
    Start(Media("audio.mp3"));
    Field(1001, QString::fromStdString(Media("multi.mkv")));
    Field(1031, QStringLiteral("3"));
    Option(4006, true);  // pause
    EndMark();
    ASSERT_NE(window->FilePlayer(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - multi.mkv - PAUSE"));
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 300; }));
}

TEST_F(HandOverTest, OptionsAloneApplyToTheOpenMedium) {
    Start(Media("multi.mkv"));
    Field(1001, QString());
    Field(1031, QStringLiteral("1.5"));
    Option(3003, true);  // compact
    Option(4001, true);  // loop
    EndMark();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - multi.mkv - PLAY"));
    EXPECT_EQ(settings->compactView, 1);
    EXPECT_TRUE(window->IsLooping());
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() >= 150; }));
}

}  // namespace
}  // namespace velvaro::test
