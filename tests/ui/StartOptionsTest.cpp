// The command-line options as the window applies them, at start and after
// every open (what their texts mean is tested with their values), and as a
// second start hands them over.
#include "PlayerWindow.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"
#include "settings/HandOverRecords.h"
#include "settings/RegistryKeys.h"

#include <fstream>
#include <future>

namespace {

using StartOptionsTest = PlayerWindowTest;

TEST_F(StartOptionsTest, SizePositionColourJumpMuteAndPauseApplyAtStartAndAfterEveryOpen) {
    commandLine.SetSize("640x480");
    commandLine.SetWindowPosition("100,50,rightbottom");
    commandLine.SetBorderColour("1,2,3");
    commandLine.SetJumpPosition("2.5");
    commandLine.SetMute(1);
    commandLine.SetPause(1);
    Start(Media("multi.mkv"));
    const QPoint corner(Screen().width() - 100, Screen().height() - 50);
    EXPECT_EQ(window->frameGeometry().topLeft(), corner);
    EXPECT_EQ(QSize(ClientSize().width(), VideoAreaHeight()), QSize(640, 480));
    EXPECT_EQ(BorderColour(), QColor(1, 2, 3));
    ExpectState({.title = TitleOf("multi.mkv", "PAUSE"), .checkedCommands = {IDM_AUDIO_STUMM}});
    ASSERT_TRUE(PositionComes(250));
    // Pause on a paused medium does nothing; mute on a muted one neither.
    window->ApplyStartOptions();
    const auto volume = [this] { return window->Player()->GetVolume(); };
    EXPECT_EQ(std::tuple(window->Session().State().play, volume()), std::tuple(1, -10000));
    commandLine.SetPause(0);
    commandLine.SetPlay(1);
    commandLine.SetMute(0);
    commandLine.SetNoMute(1);
    commandLine.SetJumpPosition("0");
    window->ApplyStartOptions();
    EXPECT_TRUE(window->Session().State().play == 2 && volume() != -10000);

    commandLine.SetSize("0.5x");
    commandLine.SetWindowPosition("30,40");
    commandLine.SetCenter(1);  // both given: neither acts
    commandLine.SetBorderColour("0,0");
    OpenFile(Media("multi.mkv"));
    EXPECT_EQ(ClientSize().width(), 160);
    EXPECT_EQ(window->frameGeometry().topLeft(), corner);
    EXPECT_EQ(BorderColour(), QColor(1, 2, 3));
    commandLine.SetWindowPosition("");
    window->ApplyStartOptions();
    EXPECT_EQ(window->frameGeometry().center(), Screen().center());
}

TEST_F(StartOptionsTest, PairsCancelAndTheBorderOptionsSwitchTheSizingFrame) {
    commandLine.SetLoop(1);
    commandLine.SetFullscreen(1);
    commandLine.SetNoBorder(1);
    Start();
    ExpectState(
        {.checkedCommands = {IDM_WIEDERGABE_ENDLOSSCHLEIFE}, .buttonImages = {{IDTBB_LOOP, 9}}});
    EXPECT_FALSE(Fullscreen().IsFullscreen());  // only with a medium
    OpenFile(Media("multi.mkv"));
    // Loop, fullscreen and the sizing frame.
    const auto state = [this] {
        return std::tuple(Marks().Looping(), Fullscreen().IsFullscreen(),
                          Style() & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    };
    EXPECT_EQ(state(), std::tuple(true, true, 0));
    commandLine.SetNoLoop(1);
    commandLine.SetNoFullscreen(1);
    commandLine.SetBorder(1);  // both given: neither acts
    window->ApplyStartOptions();
    EXPECT_EQ(state(), std::tuple(true, true, 0));
    commandLine.SetLoop(0);
    commandLine.SetFullscreen(0);
    commandLine.SetNoBorder(0);
    window->ApplyStartOptions();
    EXPECT_EQ(state(), std::tuple(false, false, WS_THICKFRAME | WS_MAXIMIZEBOX));
}

TEST_F(StartOptionsTest, CompactOptionAgainstTheStoredSetting) {
    settings->compactView = 1;
    commandLine.SetNoCompact(1);
    Start();
    // A one-off: the view is normal, the stored preference stays.
    EXPECT_FALSE(ToolBar()->isHidden() || Checked(IDM_ANSICHT_VIDEOPUR));
    EXPECT_EQ(settings->compactView, 1);
    window.reset();
    commandLine.SetCompact(1);  // both given: the setting decides
    Start();
    EXPECT_TRUE(ToolBar()->isHidden());

    // Opened while the window is built: centred on the video.
    window.reset();
    commandLine.SetNoBorder(1);
    commandLine.SetNoSplash(1);
    Start(Media("multi.mkv"));
    EXPECT_EQ(window->pos(), QPoint((Screen().width() - 320) / 2, (Screen().height() - 240) / 2));
}

// Records reach the window as a second start sends them: over the window's
// socket, from a thread of their own that waits for each answer.
class HandOverTest : public PlayerWindowTest {
protected:
    void Send(std::function<bool(InstanceConnection&)> send) {
        auto sent = std::async(std::launch::async, [send] {
            const auto window = FindInstanceWindow(QString::fromLatin1(kPlayerWindowClass));
            return window && send(*window);
        });
        ASSERT_TRUE(WaitFor(
            [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            20000));
        ASSERT_TRUE(sent.get()) << "no window answered";
        Settle();
    }
    void Record(WPARAM record, LPARAM value) {
        Send([=](InstanceConnection& window) { return window.SendRecord(record, value); });
    }
    // A text in its five pieces of 255 characters.
    void Text(WPARAM first, const QString& value) {
        for (WPARAM piece = 0; piece < hand_over::kPieces; ++piece) {
            const QString part = value.mid(static_cast<qsizetype>(piece) * 255, 255);
            Send(
                [=](InstanceConnection& window) { return window.SendRecord(first + piece, part); });
        }
    }

    velvaro::test::TestFolder sockets;
    velvaro::test::ScopedEnvironment socketFolder{{{"VELVARO_INSTANCE_DIR", sockets.path()}}};
};

TEST_F(HandOverTest, TextsJoinAndTheEndMarkOpensTheFileOrAppliesTheOptionsAlone) {
    Start(Media("audio.mp3"));
    commandLine.SetSize("stale");
    const QString longName = QString(1200, u'a') + u"b.mkv"_s;
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
    Text(1031, u"3"_s);
    Record(4006, 1);  // pause
    Record(hand_over::kEndMark, 0);
    EXPECT_EQ(Title(), TitleOf("multi.mkv", "PAUSE"));
    ASSERT_TRUE(WaitFor([this] { return Position() == 300; }))
        << Position() << " in state " << EngineState();

    Text(1001, QString());
    Text(1031, u"1.5"_s);
    Record(4006, 0);
    Record(3003, 1);  // compact
    Record(4001, 1);  // loop
    Record(hand_over::kEndMark, 0);
    EXPECT_EQ(Title(), TitleOf("multi.mkv", "PAUSE"));
    EXPECT_EQ(settings->compactView, 1);
    EXPECT_TRUE(Marks().Looping());
    ASSERT_TRUE(PositionComes(150));
}

}  // namespace

TEST_F(StartOptionsTest, AWindowOnADamagedRegistrySaysWhereTheOldSettingsAreForAWhile) {
    velvaro::platform::CloseRegistry();
    std::ofstream(registryPath()) << std::string(8192, '#');
    testing::internal::CaptureStderr();
    Start(Media("video-only.mkv"));
    testing::internal::GetCapturedStderr();
    const QString notice = StatusText(0);
    // Kept through the open; the clock's test sees a notice run out.
    EXPECT_TRUE(notice.contains(QString::fromStdString(registryPath() + ".broken")))
        << notice.toStdString();
    EXPECT_TRUE(std::filesystem::exists(registryPath() + ".broken"));
}

// The user made the settings folder read-only: the window runs on what is
// stored and says once that changes are not kept.
TEST_F(StartOptionsTest, AWindowOnSettingsThatCannotBeWrittenSaysSoOnce) {
    const std::filesystem::path settings = folder().path() / "settings";
    const std::string path = settings / "registry.db";
    const velvaro::test::ScopedEnvironment store({{"VELVARO_REGISTRY", path}});
    velvaro::platform::CloseRegistry();
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, velvaro::kSettingsKey, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    velvaro::platform::CloseRegistry();
    {
        const velvaro::test::ReadOnlyFolder readOnly(settings, false);
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, velvaro::kSettingsKey, KEY_READ, &key),
                  ERROR_SUCCESS);  // as the user's
    }
    Start();
    const QString notice = StatusText(0);
    EXPECT_TRUE(notice.contains(u"will not be saved"_s) &&
                notice.contains(QString::fromStdString(path)))
        << notice.toStdString();
    EXPECT_EQ(velvaro::platform::TakeReadOnlyRegistry(), std::nullopt) << "told once";
    EXPECT_TRUE(std::filesystem::exists(path));
}
