// Opening, playing and closing through the window's commands, keys and
// mouse, with the titles, status texts and command states each shows.
#include "PlayerWindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

namespace {

const Expected kIdle{.title = u"Velvaro"_s,
                     .name = QString(),
                     .play = State_Stopped,
                     .volume = std::optional<int>(),
                     .marks = kNoMarks,
                     .greyedCommands = {IDM_DATEI_SCHLIESSEN, IDM_WIEDERGABE_STOPP},
                     .enabledButtons = {IDTBB_OPEN, IDTBB_LOOP},
                     .greyedButtons = {IDTBB_PLAY, IDTBB_CLIPPING},
                     .buttonImages = {{IDTBB_CLIPPING, 27}}};

using OpenPlayTest = PlayerWindowTest;

TEST_F(OpenPlayTest, AVideoOpensPlayingWithItsStatesPlaysPausesStopsAndClosesToTheSplash) {
    Start();
    ExpectState(kIdle);
    EXPECT_FALSE(PositionSlider()->isEnabled() || VolumeSlider()->isEnabled() ||
                 (Style() & WS_THICKFRAME) || VideoAreaHeight() != 250);

    // The film's maximise button comes on the window as it is: one made
    // anew would be hidden, shown and painted all over.
    struct HideCounter : QObject {
        int hides = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            hides += event->type() == QEvent::Hide;
            return false;
        }
    } hidden;
    window->installEventFilter(&hidden);
    OpenFile(Media("multi.mkv"));
    window->removeEventFilter(&hidden);
    EXPECT_EQ(hidden.hides, 0) << "the window went away while opening";
    ExpectState(
        {.title = TitleOf("multi.mkv"),
         .name = u"multi.mkv"_s,
         .play = State_Running,
         .status = {{1, u"00:00:06"_s}, {2, u"100%"_s}, {3, u"100%"_s}, {4, u"320 x 240"_s}},
         .enabledCommands = {IDM_DATEI_SCHLIESSEN, IDM_ANSICHT_VOLLBILD, IDM_AUDIO_STUMM,
                             IDM_WIEDERGABE_STOPP, IDM_ANSICHT_MAXIMIEREN},
         .enabledButtons = {IDTBB_PLAY, IDTBB_CLIPPING, IDTBB_MUTE, IDTBB_STOP, IDTBB_SCREENSHOT},
         .greyedButtons = {IDTBB_PREVTRACKCHAPTER}});
    EXPECT_TRUE(Style() & WS_THICKFRAME);
    // The window fits the video at its own size.
    EXPECT_EQ(QSize(ClientSize().width(), VideoAreaHeight()), QSize(320, 240));
    EXPECT_EQ(PositionSlider()->maximum(), window->Player()->GetDuration());
    ASSERT_TRUE(WaitFor([this] { return PositionSlider()->value() >= 100; }));
    EXPECT_EQ(StatusText(0), u"00:00:01"_s);
    ASSERT_TRUE(WaitFor([this] { return StatusText(6).endsWith(u" fps"_s); }));

    // Every way to play, pause and stop; stopped, the picture is the first.
    const std::tuple<std::function<void()>, const char*, int> steps[] = {
        {[this] { Command(IDM_WIEDERGABE_WIEDERGABE_PAUSE); }, "PAUSE", 1},
        {[this] { Command(IDTBB_PLAY); }, "PLAY", 2},
        {[this] { Key(VK_SPACE); }, "PAUSE", 1},
        {[this] { Key(VK_NUMPAD5); }, "PLAY", 2},
        {[this] { window->Menus().ToolButton(IDTBB_PAUSE)->trigger(); }, "PAUSE", 1},
        {[this] {
             Mouse(QEvent::MouseButtonPress, {10, 10}, Qt::MiddleButton);
             Mouse(QEvent::MouseButtonRelease, {10, 10}, Qt::MiddleButton);
         },
         "PLAY", 2},
        {[this] { Command(IDTBB_STOP); }, "STOP", 0}};
    for (const auto& [act, title, state] : steps) {
        act();
        ExpectState({.title = TitleOf("multi.mkv", title), .play = state});
    }
    EXPECT_TRUE(PositionComes(0));

    Command(IDM_VIDEO_FILLSCREENWITHOUTCLIPPING);  // its button face goes back on closing
    window->Player()->SetVolume(-1500);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_EQ(settings->volume, -1500);
    ExpectState(kIdle);
    EXPECT_EQ(ClientSize().width(), 450);
    EXPECT_TRUE(WaitFor([this] { return Video() == nullptr; }));
}

// Sound alone, a film without sound, the same with a sound track chosen
// and taken away again (or a file that is no sound), a film with a companion.
TEST_F(OpenPlayTest, SoundAloneOrAFilmWithoutSoundOrWithAChosenOrACompanionSoundTrack) {
    Start(Media("multi.mkv"));
    window->Player()->SetVolume(-700);
    OpenFile(Media("audio.mp3"));
    EXPECT_EQ(settings->volume, -700);  // the first medium's, kept before the second opened
    ExpectState({.enabledCommands = {IDM_AUDIO_SETTINGS},
                 .greyedCommands = {IDM_ANSICHT_VOLLBILD, IDM_ANSICHT_ORIGINAL,
                                    IDM_AUDIO_AUDIOTRACKOEFFNEN, IDM_ANSICHT_MAXIMIEREN},
                 .enabledButtons = {IDTBB_MUTE},
                 .greyedButtons = {IDTBB_CLIPPING, IDTBB_SCREENSHOT}});
    EXPECT_EQ(ClientSize().width(), 450);
    EXPECT_TRUE(StatusText(4).isEmpty() && VolumeSlider()->isEnabled());

    // Without sound the volume slider has nothing to show.
    const Expected silent{.volume = std::optional<int>(),
                          .greyedCommands = {IDM_AUDIO_STUMM, IDM_AUDIO_SETTINGS},
                          .uncheckedCommands = {IDM_AUDIO_AUDIOTRACKOEFFNEN},
                          .greyedButtons = {IDTBB_MUTE}};
    const Expected withTrack{.enabledCommands = {IDM_AUDIO_STUMM, IDM_AUDIO_SETTINGS},
                             .checkedCommands = {IDM_AUDIO_AUDIOTRACKOEFFNEN},
                             .enabledButtons = {IDTBB_MUTE}};
    OpenFile(Media("video-only.mkv"));
    EXPECT_FALSE(VolumeSlider()->isEnabled());
    ExpectState(silent);
    ChooseFile(IDM_AUDIO_AUDIOTRACKOEFFNEN, Media("audio.mp3"));
    EXPECT_TRUE(FilePlayer()->HasExternalAudio());
    ExpectState(withTrack);
    // Checked, the command takes the track away: the film has no sound left.
    Command(IDM_AUDIO_AUDIOTRACKOEFFNEN);
    EXPECT_FALSE(FilePlayer()->HasExternalAudio() || VolumeSlider()->isEnabled());
    ExpectState(silent);
    const auto refused = EngineWarnings();
    ChooseFile(IDM_AUDIO_AUDIOTRACKOEFFNEN, Media("damaged/empty.mkv"));
    ExpectState(silent);

    // A track that keeps its open waiting leaves the window answering, and
    // the film's commands wait for it.
    QElapsedTimer clock;
    clock.start();
    window->OpenExternalAudio(QString::fromStdString(Media("damaged/huge.y4m")));
    EXPECT_LT(clock.elapsed(), 100) << "the sound track's open holds the window";
    EXPECT_TRUE(window->IsOpening());
    const auto user = FileChooser(Media("audio.mp3"));
    window->Session().Execute(IDM_AUDIO_AUDIOTRACKOEFFNEN);
    EXPECT_EQ(user->Count(), 0);
    Settle();
    EXPECT_EQ(user->Count(), 1);
    EXPECT_TRUE(FilePlayer()->HasExternalAudio());
    ExpectState(withTrack);

    OpenFile(Media("companion/film.mp4"));
    EXPECT_TRUE(FilePlayer()->HasExternalAudio());
    ExpectState({.checkedCommands = {IDM_AUDIO_AUDIOTRACKOEFFNEN}});
}

// A medium that breaks half-way ends as its end would, its reason in place of
// the time until the next open; "close" still quits after it.
TEST_F(OpenPlayTest, AMediumThatBreaksWhilePlayingEndsWithItsReasonShown) {
    commandLine.ParseParam("close", true, false);
    const auto broken = EngineWarnings();
    Start();
    OpenFile(Media("broken-middle.ogg"));
    ASSERT_TRUE(WaitFor([this] { return !window->isVisible(); }, 15000)) << Title().toStdString();
    EXPECT_GT(broken.Count(), 0);
    Timer();  // the clock leaves the reason alone
    ExpectState({.play = State_Stopped, .status = {{0, u"Could not decode stream."_s}}});
    OpenFile(Media("audio.mp3"));
    ASSERT_TRUE(WaitFor([this] { return StatusText(0).startsWith(u"00:"_s); }));
}

// Keys that come while a film opens wait for it. A file that keeps its open
// waiting (a picture too large to decode, silent for seconds) leaves the
// window answering, and a close that comes then drops the open at once,
// without a box. A file that is no medium says so in a box of the window's.
TEST_F(OpenPlayTest, KeysWaitForAnOpenACloseDropsItAndAFailureIsBoxed) {
    const auto refused = EngineWarnings();
    Start();
    QStringList shown;
    const auto boxes = Boxes(shown);
    // A key that comes while a film opens is kept for it: ten seconds on.
    window->OpenMedia(QString::fromStdString(Media("long.mkv")), false);
    ASSERT_TRUE(window->IsOpening());
    window->Session().Key('X', true);
    Settle();
    EXPECT_TRUE(WaitFor([this] { return Position() >= 1000; }, 2000)) << Position();

    const QString notMedia = QString::fromStdString(Media("not-media.avi"));
    window->OpenMedia(notMedia, false);
    ASSERT_TRUE(WaitFor([&] { return !shown.isEmpty(); }));
    ASSERT_TRUE(shown.front().startsWith(u"Error|Can't open file \"%1\"\nReason: "_s.arg(notMedia)))
        << shown.front().toStdString();

    CloseWhileOpening(Media("damaged/huge.y4m"), 100);
    EXPECT_EQ(shown.size(), 1) << "no box holds up a window on its way out";
}

TEST_F(OpenPlayTest, PositionAndVolumeSliders) {
    Start(Media("multi.mkv"));
    Scroll(PositionSlider(), SB_THUMBTRACK, 330);
    // The engine pauses; the window's state does not change. The picture
    // follows the thumb to the key frame beside it, one a second here.
    ASSERT_TRUE(WaitFor([&] { return EngineState() == 1 && Playing() && Position() == 300; }))
        << Position();
    // Within half a second the timer only shows the thumb's place; at rest
    // the thumb's very frame comes.
    Timer();
    EXPECT_EQ(StatusText(0), u"00:00:03"_s);
    EXPECT_EQ(Position(), 300);
    Spin(550);
    Timer();
    ASSERT_TRUE(PositionComes(330));
    Scroll(PositionSlider(), SB_THUMBPOSITION, 400);
    ASSERT_TRUE(WaitFor([&] { return EngineState() == 2; }));
    EXPECT_GE(Position(), 400);

    // The volume slider's steps and mute share one display.
    const auto volume = [this] { return window->Player()->GetVolume(); };
    Scroll(VolumeSlider(), SB_THUMBPOSITION, 1);
    const int onePercent = volume();
    Key(VK_SUBTRACT);  // from 1% to silence
    EXPECT_EQ(volume(), -10000);
    ExpectState({.volume = -10000,
                 .enabledCommands = {IDM_AUDIO_LAUTER},
                 .greyedCommands = {IDM_AUDIO_LEISER},
                 .checkedCommands = {IDM_AUDIO_STUMM},
                 .buttonImages = {{IDTBB_MUTE, 15}}});
    Command(IDM_AUDIO_LEISER);
    Command(IDTBB_MUTE);  // at 0% it keeps the volume to go back to
    EXPECT_EQ(std::tuple(volume(), VolumeSlider()->value(), ButtonImage(IDTBB_MUTE)),
              std::tuple(onePercent, 1, 14));
    Key('M');
    Key(VK_ADD);  // louder from silence is 1%
    EXPECT_EQ(volume(), onePercent);
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
    Scroll(VolumeSlider(), SB_THUMBPOSITION, 99);
    Command(IDM_AUDIO_LAUTER);  // full, which greys louder
    EXPECT_TRUE(VolumeSlider()->value() == 100 && !Enabled(IDM_AUDIO_LAUTER) && volume() == 0);

    OpenFile(Media("video-only.mkv"));  // without sound the volume commands are idle
    Key(VK_ADD);
    Key(VK_SUBTRACT);
    Key('M');
    EXPECT_FALSE(VolumeSlider()->value() != 0 || Checked(IDM_AUDIO_STUMM));
}

// The delays of sound and subtitles move by keys and by the menus' items,
// 50 ms a step; each step shows the delay in place of the time for a few
// seconds. Sound alone has no subtitles to delay, and a new medium starts
// without delays.
TEST_F(OpenPlayTest, DelayKeysAndMenuItemsShowTheDelayForAFewSecondsUntilTheNextMedium) {
    Start(Media("onset.mkv"));
    Command(IDTBB_PAUSE);
    const auto menuItem = [this](int id) { return FindCommands(MainMenu(), id).value(0); };
    EXPECT_EQ(menuItem(IDM_AUDIO_DELAY_LATER)->text(), u"Audio &Later\tD"_s);
    EXPECT_EQ(menuItem(IDM_SUBTITLE_DELAY_EARLIER)->text(), u"Subtitles &Earlier\tG"_s);
    const auto type = [this](Qt::Key key) {
        QTest::keyClick(window.get(), key);
        Settle();
        return StatusText(0);
    };
    const auto choose = [&](int id) {
        EXPECT_TRUE(menuItem(id)->isEnabled()) << id;
        menuItem(id)->trigger();
        Settle();
        return StatusText(0);
    };
    EXPECT_EQ(type(Qt::Key_D), u"Audio delay: +50 ms"_s);
    // Read whole, over the parts after the time's.
    const auto shown = [this](const QString& text) {
        for (const QLabel* label : StatusBar()->findChildren<QLabel*>()) {
            if (label->text() == text) {
                return label->isVisible() && label->width() >= label->sizeHint().width();
            }
        }
        return false;
    };
    EXPECT_TRUE(shown(u"Audio delay: +50 ms"_s));
    EXPECT_EQ(type(Qt::Key_D), u"Audio delay: +100 ms"_s);
    EXPECT_EQ(choose(IDM_AUDIO_DELAY_EARLIER), u"Audio delay: +50 ms"_s);
    EXPECT_EQ(type(Qt::Key_C), u"Audio delay: 0 ms"_s);
    EXPECT_EQ(type(Qt::Key_C), u"Audio delay: -50 ms"_s);
    EXPECT_EQ(type(Qt::Key_H), u"Subtitle delay: +50 ms"_s);
    EXPECT_EQ(choose(IDM_SUBTITLE_DELAY_LATER), u"Subtitle delay: +100 ms"_s);
    EXPECT_EQ(type(Qt::Key_G), u"Subtitle delay: +50 ms"_s);
    EXPECT_EQ(choose(IDM_SUBTITLE_DELAY_RESET), u"Subtitle delay: 0 ms"_s);
    EXPECT_EQ(type(Qt::Key_G), u"Subtitle delay: -50 ms"_s);
    EXPECT_EQ(std::pair(State().audioDelay, State().subtitleDelay), std::pair(-50, -50));
    // A few seconds on, the time shows again.
    Spin(1000);
    EXPECT_EQ(StatusText(0), u"Subtitle delay: -50 ms"_s);
    EXPECT_TRUE(StatusComes(0, u"00:00:00"_s, 5000));
    EXPECT_EQ(choose(IDM_AUDIO_DELAY_RESET), u"Audio delay: 0 ms"_s);
    EXPECT_EQ(type(Qt::Key_D), u"Audio delay: +50 ms"_s);

    OpenFile(Media("audio.wav"));
    EXPECT_EQ(std::pair(State().audioDelay, State().subtitleDelay), std::pair(0, 0));
    EXPECT_TRUE(Enabled(IDM_AUDIO_DELAY_LATER));
    EXPECT_FALSE(Enabled(IDM_SUBTITLE_DELAY_LATER));
    EXPECT_FALSE(menuItem(IDM_SUBTITLE_DELAY_RESET)->isEnabled());
    EXPECT_EQ(type(Qt::Key_D), u"Audio delay: +50 ms"_s);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_FALSE(Enabled(IDM_AUDIO_DELAY_LATER));
    EXPECT_EQ(State().audioDelay, 0);
}

}  // namespace
