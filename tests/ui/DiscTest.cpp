// Discs in the window, on the generated test discs: opening a disc folder,
// its title and times, and its menus by keys, clicks and commands.
#include "PlayerWindow.h"

#include "ExpectLog.h"
#include "ModalDialogWatcher.h"

#include "engine/CDvdPlayer.h"
#include "engine/VideoWidget.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
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
        const VideoWidget* video = nullptr;
        for (QObject* child : Client()->children()) {
            video = video ? video : dynamic_cast<const VideoWidget*>(child);
        }
        const QRect picture =
            inClient ? video->Destination().translated(video->pos()) : video->Destination();
        return {picture.left() + x * picture.width() / 720,
                picture.top() + y * picture.height() / 576};
    }
    QPoint ClientPoint(int x, int y) const { return VideoPoint(x, y, true); }
    // "Choose Dir", answered with `folder` as a person would type it.
    void ChooseDir(const std::string& folder) {
        velvaro::test::ModalDialogWatcher<QFileDialog> user([&](QFileDialog& box) {
            box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromStdString(folder));
            static_cast<QDialog&>(box).accept();
        });
        Command(IDM_DVD_OPENFOLDER);
        ASSERT_EQ(user.Count(), 1);
    }
    // A menu's buttons are there: the disc's news of them has enabled the
    // menu commands, and button 1 answers where it is drawn.
    bool MenuShown() const {
        return Enabled(IDM_NAVIGATION_SHOWROOTMENU) &&
               Dvd()->GetButtonAtPosition(VideoPoint(360, 180)) == 1;
    }
    void Click(QPoint point) {
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, Client()->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(Client(), &event);
        }
    }
};

TEST_F(DiscTest, AFolderFromTheCommandLinePlaysItsDiscAndItsMenusAnswer) {
    Start(Media("dvd/menu"));
    ASSERT_NE(Dvd(), nullptr);
    ExpectState({.title = QStringLiteral("Velvaro - menu - PLAY"),
                 .enabledCommands = {IDM_WIEDERGABE_STOPP, IDM_DATEI_SCHLIESSEN},
                 .enabledButtons = {IDTBB_PREVTRACKCHAPTER, IDTBB_NEXTTRACKCHAPTER}});
    // The root menu: no length. Ctrl+Down to button 2, Enter: title 2.
    ASSERT_TRUE(WaitFor([this] { return MenuShown(); }));
    Key(VK_CONTROL);
    Key(VK_DOWN);
    KeyUp(VK_CONTROL);
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([this] { return Chapters() == 1; }));
    EXPECT_TRUE(WaitFor([this] { return StatusText(1) == QStringLiteral("00:00:06"); }))
        << StatusText(1).toStdString();

    // The root menu command, then a click on button 1: title 1.
    Command(IDM_NAVIGATION_SHOWROOTMENU);
    EXPECT_TRUE(WaitFor([this] { return StatusText(1) == QStringLiteral("00:00:00"); }));
    EXPECT_TRUE(WaitFor([this] {
        Click(ClientPoint(360, 180));
        return Chapters() == 3;
    }));
}

TEST_F(DiscTest, ADamagedDiscLeavesTheWindowIdle) {
    Start();
    const velvaro::test::ExpectLog refused(QtWarningMsg, QStringLiteral("cannot be read"),
                                           QStringLiteral("velvaro.engine"));
    window->OpenMedia(QString::fromStdString(Media("dvd/damaged")), false);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(refused.Count(), 1);
    ExpectState({.title = QStringLiteral("Velvaro"), .greyedCommands = {IDM_DATEI_SCHLIESSEN}});
}

TEST_F(DiscTest, ChooseDirOpensADiscByItsFolderItsVideoTsOrItsImage) {
    Start();
    const std::string holiday = Link("Holiday", "dvd/menu");
    const std::pair<std::string, const char*> cases[] = {
        {Media("dvd/menu"), "menu"},
        {Media("dvd/menu/VIDEO_TS"), "menu"},
        {holiday + "/VIDEO_TS", "Holiday"},
    };
    for (const auto& [folder, name] : cases) {
        ChooseDir(folder);
        ASSERT_TRUE(WaitFor([this] { return Dvd() != nullptr && Playing(); })) << folder;
        EXPECT_EQ(Title(), QStringLiteral("Velvaro - %1 - PLAY").arg(QLatin1String(name)));
        EXPECT_EQ(StatusText(1), QStringLiteral("00:00:00"));  // the menu has no length
    }
    // An image from the open dialog, or a drop, is a disc too; its name is
    // the volume's.
    OpenFile(Media("dvd/menu.iso"));
    ASSERT_NE(Dvd(), nullptr);
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - VELVARO_MENU - PLAY"));
}

TEST_F(DiscTest, ChooseDirPlaysAVideoCdOrTheMediaOfAFolderAndNothingElse) {
    Start();
    const QTemporaryDir empty;
    ChooseDir(empty.path().toStdString());
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(Title(), QStringLiteral("Velvaro"));

    ChooseDir(Media("mp3s"));
    ASSERT_TRUE(WaitFor([this] { return Playing(); }));
    EXPECT_EQ(std::pair(Playlist().Items(), Playlist().Current()), std::pair(3, 1));
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - song-1.mp3 - PLAY"));

    for (const char* disc : {"vcd", "svcd"}) {
        ChooseDir(Media(disc));
        ASSERT_TRUE(WaitFor([this] { return Playing() && !Playlist().Active(); })) << disc;
        EXPECT_TRUE(Title().startsWith(QStringLiteral("Velvaro - AVSEQ01."))) << disc;
        EXPECT_TRUE(window->Player()->HasVideo() == S_OK) << disc;
    }
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
    ExpectState({.enabledCommands = {IDM_NAVIGATION_SHOWTOPMENU, IDM_NAVIGATION_REPLAYCHAPTER},
                 .greyedCommands = {IDM_NAVIGATION_PLAYNEXTCHAPTER, IDM_NAVIGATION_RESUME,
                                    IDM_PLAYSPEED_PLAYFASTFORWARDS},
                 .greyedButtons = {IDTBB_RESUME}});
    EXPECT_TRUE(PositionSlider()->isEnabled());
}

TEST_F(DiscTest, TheDrivePopupListsTheOpticalDrivesAndOpensTheChosenOne) {
    Start();
    // A made-up machine: a hard disk and two optical drives, the first with
    // the menu disc mounted, the second empty.
    const QTemporaryDir machine;
    const auto write = [&](const QString& name, const QByteArray& contents) {
        QDir().mkpath(QFileInfo(machine.filePath(name)).path());
        QFile file(machine.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    };
    for (const char* disk : {"sda", "sr0", "sr1"}) {
        const bool optical = disk[1] == 'r';
        write(QStringLiteral("sys/block/%1/device/type").arg(QLatin1String(disk)),
              optical ? "5\n" : "0\n");
        write(QStringLiteral("dev/%1").arg(QLatin1String(disk)), QByteArray());
    }
    const QString disc = QString::fromStdString(Media("dvd/menu"));
    write(QStringLiteral("mounts"),
          "/dev/sda1 / ext4 rw 0 0\n/dev/sr0 " + disc.toUtf8() + " udf ro 0 0\n");
    Disc().SetDriveSource([&machine] {
        return velvaro::platform::ListOpticalDrives(machine.filePath(QStringLiteral("sys")),
                                                    machine.filePath(QStringLiteral("mounts")),
                                                    machine.filePath(QStringLiteral("dev")));
    });
    QMenu* popup = MenuBarPopup("IDM_DATEI_CDDVDABSPIELEN");
    ASSERT_NE(popup, nullptr);
    // Opening the popup twice builds the same items once.
    for (int opened = 0; opened < 2; ++opened) {
        QMetaObject::invokeMethod(popup, "aboutToShow");
    }
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 4);
    // The mounted disc by its folder's name, the empty drive greyed.
    EXPECT_EQ(std::tuple(CommandId(items[2]), items[2]->text(), items[2]->isEnabled()),
              std::tuple(64000, QStringLiteral("menu (%1)").arg(disc), true));
    EXPECT_EQ(std::tuple(CommandId(items[3]), items[3]->text(), items[3]->isEnabled()),
              std::tuple(64001,
                         QStringLiteral("No disk in drive (%1)")
                             .arg(machine.filePath(QStringLiteral("dev/sr1"))),
                         false));
    Command(64000);
    ASSERT_TRUE(WaitFor([this] { return Dvd() != nullptr; }));
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - menu - PLAY"));
}

TEST_F(DiscTest, AHandOverAMenuButtonAndTheStreamCommandsOfAFile) {
    Start(Media("dvd/menu"));
    ASSERT_TRUE(WaitFor([this] { return MenuShown(); }));
    const auto hover = [this](QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, Client()->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Client(), &move);
        return Client()->cursor().shape();
    };
    EXPECT_EQ(hover(ClientPoint(360, 290)), Qt::PointingHandCursor);
    EXPECT_TRUE(WaitFor([this] { return Dvd()->GetButtonAtPosition(VideoPoint(360, 290)) == 2; }));
    EXPECT_EQ(hover(ClientPoint(20, 20)), Qt::ArrowCursor);

    // A file's subtitles by their commands: German, then "Off" and back.
    OpenFile(Media("multi.mkv"));
    Command(62001);
    EXPECT_EQ(std::pair(Checked(62001), Checked(IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF)),
              std::pair(true, false));
    Command(IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF);
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF));
    Command(62000);
    EXPECT_EQ(std::pair(Checked(62000), Checked(IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF)),
              std::pair(true, false));
}

TEST_F(DiscTest, ADiscThatEndsStopsAndQuitsWhenAskedTo) {
    commandLine.ParseParam("close", true, false);
    Start(Media("dvd/streams"));
    ASSERT_NE(Dvd(), nullptr);
    EXPECT_TRUE(WaitFor([this] { return !window->isVisible(); }, 15000)) << Title().toStdString();
}

}  // namespace
