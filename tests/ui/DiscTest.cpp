// Discs in the window, on the generated test discs.
#include "PlayerWindow.h"

#include "engine/CDvdPlayer.h"
#include "i18n/ui/MenuCommands.h"

#include <QTemporaryDir>

namespace {

class DiscTest : public PlayerWindowTest {
protected:
    CDvdPlayer* Dvd() const { return dynamic_cast<CDvdPlayer*>(window->Player()); }
    // The title shown: its chapter count tells the menu disc's titles apart
    // (title 1 has three, title 2 one, a menu none).
    int Chapters() const { return Dvd() ? Dvd()->GetStreamCount(STREAM_CHAPTERS) : -1; }
    // Where a point of the disc's picture (720x576) is in the video window,
    // or in the client area.
    QPoint VideoPoint(int x, int y, bool inClient = false) const {
        const QRect picture =
            Video()->Destination().translated(inClient ? Video()->pos() : QPoint());
        return {picture.left() + x * picture.width() / 720,
                picture.top() + y * picture.height() / 576};
    }
    QPoint ClientPoint(int x, int y) const { return VideoPoint(x, y, true); }
    // What Playback > Chapter lists.
    QStringList ChapterItems() const {
        QStringList items;
        if (const QMenu* popup = MenuBarPopup("IDM_WIEDERGABE_STREAMS_CHAPTER")) {
            for (const QAction* item : popup->actions()) {
                items << item->text();
            }
        }
        return items;
    }
    // A menu's buttons are there: the disc's news of them has enabled the
    // menu commands, and button 1 answers where it is drawn.
    bool MenuShown() const {
        return Enabled(IDM_NAVIGATION_SHOWROOTMENU) &&
               Dvd()->GetButtonAtPosition(VideoPoint(360, 180)) == 1;
    }
};

// The disc's menus answer keys, commands, the mouse and its hand; then a
// file's subtitles by their commands.
TEST_F(DiscTest, AFolderFromTheCommandLinePlaysItsDiscAndItsMenusAnswer) {
    Start(Media("dvd/menu"));
    ASSERT_NE(Dvd(), nullptr);
    ExpectState({.title = TitleOf("menu"),
                 .enabledCommands = {IDM_WIEDERGABE_STOPP, IDM_DATEI_SCHLIESSEN},
                 .enabledButtons = {IDTBB_PREVTRACKCHAPTER, IDTBB_NEXTTRACKCHAPTER}});
    ASSERT_TRUE(WaitFor([this] { return MenuShown(); }));
    const auto hover = [this](QPoint point) {
        Mouse(QEvent::MouseMove, point, Qt::NoButton);
        return Client()->cursor().shape();
    };
    EXPECT_EQ(hover(ClientPoint(360, 180)), Qt::PointingHandCursor);
    EXPECT_EQ(hover(ClientPoint(20, 20)), Qt::ArrowCursor);
    // The root menu: no length. Ctrl+Down to button 2, Enter: title 2.
    Key(VK_CONTROL);
    Key(VK_DOWN);
    KeyUp(VK_CONTROL);
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([this] { return Chapters() == 1; }));
    EXPECT_TRUE(StatusComes(1, u"00:00:06"_s));
    EXPECT_TRUE(WaitFor([this] { return ChapterItems() == QStringList{u"001"_s}; }))
        << ChapterItems().join(u' ').toStdString();

    // The root menu command; in the menu Resume is offered and goes back.
    Command(IDM_NAVIGATION_SHOWROOTMENU);
    EXPECT_TRUE(StatusComes(1, u"00:00:00"_s));
    EXPECT_TRUE(WaitFor([this] { return Enabled(IDM_NAVIGATION_RESUME); }));
    Command(IDM_NAVIGATION_RESUME);
    EXPECT_TRUE(WaitFor([this] { return StatusText(1) == u"00:00:06"_s && Chapters() == 1; }))
        << StatusText(1).toStdString();
    // The root menu again, then a click on button 1: title 1.
    Command(IDM_NAVIGATION_SHOWROOTMENU);
    EXPECT_TRUE(StatusComes(1, u"00:00:00"_s));
    EXPECT_TRUE(WaitFor([this] {
        Click(ClientPoint(360, 180));
        return Chapters() == 3;
    }));

    OpenFile(Media("multi.mkv"));
    const int off = IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF;
    Command(62001);  // German
    EXPECT_EQ(std::pair(MenuChecked(62001), MenuChecked(off)), std::pair(true, false));
    Command(off);
    EXPECT_TRUE(MenuChecked(off));
    Command(62000);
    EXPECT_EQ(std::pair(MenuChecked(62000), MenuChecked(off)), std::pair(true, false));
}

// A disc by its folder, its VIDEO_TS or its image; a Video CD, or the media
// of a folder as a playlist; a folder with nothing, or a damaged disc: idle,
// with a box when it was given to open.
TEST_F(DiscTest, ChooseDirOpensWhatAFolderHoldsAndADamagedDiscNothing) {
    Start();
    const std::string holiday = Link("Holiday", "dvd/menu");
    const std::pair<std::string, const char*> discs[] = {{Media("dvd/menu"), "menu"},
                                                         {Media("dvd/menu/VIDEO_TS"), "menu"},
                                                         {holiday + "/VIDEO_TS", "Holiday"}};
    for (const auto& [folder, name] : discs) {
        // The folder is read off the window's thread: the disc before would
        // play on meanwhile.
        Command(IDM_DATEI_SCHLIESSEN);
        ChooseFile(IDM_DVD_OPENFOLDER, folder);
        ASSERT_TRUE(WaitFor([this] { return Dvd() != nullptr && Playing(); })) << folder;
        // The menu has no length.
        ExpectState(
            {.title = TitleOf(name), .name = QLatin1String(name), .status = {{1, u"00:00:00"_s}}});
    }
    // An image from the open dialog, or a drop, is a disc named as its volume.
    OpenFile(Media("dvd/menu.iso"));
    ASSERT_NE(Dvd(), nullptr);
    EXPECT_EQ(Title(), TitleOf("VELVARO_MENU"));

    for (const char* disc : {"vcd", "svcd"}) {
        ChooseFile(IDM_DVD_OPENFOLDER, Media(disc));
        ASSERT_TRUE(WaitFor([this] {
            return Playing() && !Playlist().Active() && Title().startsWith(u"Velvaro - AVSEQ01."_s);
        })) << disc;
        EXPECT_TRUE(window->Player()->HasVideo() == S_OK) << disc;
    }
    ChooseFile(IDM_DVD_OPENFOLDER, Media("mp3s"));
    ASSERT_TRUE(WaitFor([this] { return Playing() && Playlist().Active(); }));
    EXPECT_EQ(std::pair(Playlist().Items(), Playlist().Current()), std::pair(3, 1));
    EXPECT_EQ(Title(), TitleOf("song-1.mp3"));
    // A folder still being read gives way to what is opened after it.
    window->OpenMedia(QString::fromStdString(Media("mp3s")), false);
    window->OpenMedia(QString::fromStdString(Media("video-only.mkv")), false);
    EXPECT_TRUE(TitleComes(TitleOf("video-only.mkv")));
    Settle();
    EXPECT_EQ(Title(), TitleOf("video-only.mkv"));
    EXPECT_FALSE(Playlist().Active());

    Command(IDM_DATEI_SCHLIESSEN);
    const QTemporaryDir empty;
    ChooseFile(IDM_DVD_OPENFOLDER, empty.path().toStdString());
    EXPECT_EQ(window->Player(), nullptr);
    // Given to open as a medium, such a folder fails as a file does.
    const QString named = empty.filePath(u"x.mp4"_s);
    ASSERT_TRUE(QDir().mkdir(named));
    QStringList boxes;
    const auto user = Boxes(boxes);
    OpenAll({named.toStdString()});
    EXPECT_EQ(boxes, QStringList{u"Error|Can't open file \"%1\"\nReason: It is a folder without "
                                 "DVD-Video, Video CD or media files."_s.arg(named)});
    const auto refused = EngineWarnings("cannot be read");
    const QString damaged = QString::fromStdString(Media("dvd/damaged"));
    window->OpenMedia(damaged, false);
    Settle();
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(refused.Count(), 1);
    // A disc that cannot be played leaves the idle layout and says why
    // without a box.
    ExpectState({.title = u"Velvaro"_s, .greyedCommands = {IDM_DATEI_SCHLIESSEN}});
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(StatusText(0).startsWith(u"The DVD %1"_s.arg(damaged)))
        << StatusText(0).toStdString();

    // The window answers while a disc opens, and a close then ends it at
    // once, without a box.
    CloseWhileOpening(Media("dvd/menu"), 20);
    EXPECT_EQ(boxes.size(), 1) << "no box holds up a window on its way out";
}

TEST_F(DiscTest, WhatTheDiscForbidsIsGreyedAndWhatItAllowsEnabled) {
    Start(Media("dvd/prohibited"));
    ASSERT_NE(Dvd(), nullptr);
    // The root menu forbids the title menu; a menu has no chapters or times.
    ASSERT_TRUE(WaitFor([this] { return MenuShown(); }));
    ExpectState({.enabledCommands = {IDM_NAVIGATION_SHOWROOTMENU, IDM_NAVIGATION_RESUME},
                 .greyedCommands = {IDM_NAVIGATION_SHOWTOPMENU, IDM_NAVIGATION_PLAYNEXTCHAPTER,
                                    IDM_NAVIGATION_RETURNFROMSUBMENU},
                 .enabledButtons = {IDTBB_ROOTMENU}});
    EXPECT_FALSE(PositionSlider()->isEnabled());

    // Title 1 forbids the next chapter and fast forwards; the title menu is
    // allowed there, resuming is not.
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([this] { return Enabled(IDM_NAVIGATION_PLAYPREVIOUSCHAPTER); }));
    // Subpictures keep the disc's own timing; the sound may be moved.
    ExpectState({.enabledCommands = {IDM_NAVIGATION_SHOWTOPMENU, IDM_NAVIGATION_REPLAYCHAPTER,
                                     IDM_AUDIO_DELAY_LATER},
                 .greyedCommands = {IDM_NAVIGATION_PLAYNEXTCHAPTER, IDM_NAVIGATION_RESUME,
                                    IDM_PLAYSPEED_PLAYFASTFORWARDS, IDM_SUBTITLE_DELAY_LATER,
                                    IDM_SUBTITLE_DELAY_EARLIER, IDM_SUBTITLE_DELAY_RESET},
                 .greyedButtons = {IDTBB_RESUME}});
    EXPECT_TRUE(PositionSlider()->isEnabled());
    Key('H');
    EXPECT_EQ(window->Session().State().subtitleDelay, 0);
    EXPECT_FALSE(StatusText(0).contains(u"delay"_s)) << StatusText(0).toStdString();
}

TEST_F(DiscTest, TheDrivePopupListsTheOpticalDrivesAndOpensTheChosenOne) {
    Start();
    // The drives as the system lists them (which the platform's test reads
    // from a made-up machine): the first with the menu disc, the second empty.
    const QString disc = QString::fromStdString(Media("dvd/menu"));
    window->Disc().SetDriveSource([disc] {
        return std::vector<velvaro::platform::OpticalDrive>{
            {.device = u"/dev/sr0"_s, .mountPoint = disc, .label = u"MOVIE"_s, .hasMedium = true},
            {.device = u"/dev/sr1"_s}};
    });
    QMenu* popup = MenuBarPopup("IDM_DATEI_CDDVDABSPIELEN");
    ASSERT_NE(popup, nullptr);
    // Opening the popup twice builds the same items once.
    for (int opened = 0; opened < 2; ++opened) {
        QMetaObject::invokeMethod(popup, "aboutToShow");
    }
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 4);
    // The disc by its label and place, the empty drive greyed.
    EXPECT_EQ(std::tuple(CommandId(items[2]), items[2]->text(), items[2]->isEnabled()),
              std::tuple(64000, u"MOVIE (%1)"_s.arg(disc), true));
    EXPECT_EQ(std::tuple(CommandId(items[3]), items[3]->text(), items[3]->isEnabled()),
              std::tuple(64001, u"No disk in drive (/dev/sr1)"_s, false));
    Command(64000);
    ASSERT_TRUE(WaitFor([this] { return Dvd() != nullptr; }));
    EXPECT_EQ(Title(), TitleOf("menu"));
}

TEST_F(DiscTest, ADiscThatEndsStopsAndQuitsWhenAskedTo) {
    commandLine.ParseParam("close", true, false);
    Start(Media("dvd/streams"));
    ASSERT_NE(Dvd(), nullptr);
    EXPECT_TRUE(WaitFor([this] { return !window->isVisible(); }, 15000)) << Title().toStdString();
}

}  // namespace
