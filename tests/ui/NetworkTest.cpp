// Addresses of a local HTTP server played in the real window: named by
// their last path segment, from the command line and from a playlist (and
// an HLS manifest on the disk as one medium too); a
// server that stalls shows the buffering in the status bar and then why
// it stopped; one that fails says where and why in the open's message.
#include "MediaServer.h"
#include "PlayerWindow.h"
#include "dialogs/CBookmarkDlg.h"
#include "docs/BookmarkFile.h"

#include <QFile>
#include <QInputDialog>
#include <QTreeWidget>

#include <gmock/gmock.h>

namespace {

struct NetworkTest : PlayerWindowTest {
    velvaro::test::MediaServer server{QStringLiteral(VELVARO_TEST_MEDIA)};
};

TEST_F(NetworkTest, AnAddressFromTheCommandLineOrAPlaylistPlaysUnderItsLastSegment) {
    ASSERT_TRUE(server.Started());
    Start(server.Address(u"net/hls/index.m3u8"_s));
    EXPECT_TRUE(TitleComes(TitleOf("index.m3u8")));
    EXPECT_EQ(window->Session().State().path, server.Url(u"net/hls/index.m3u8"_s));

    const QString list = QString::fromStdString(folder() / "list.m3u");
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(server.Url(u"redirect/net/clip.mp4"_s).toUtf8() + "\n");
    file.close();
    OpenAll({list.toStdString()});
    EXPECT_TRUE(TitleComes(TitleOf("clip.mp4")));
    EXPECT_TRUE(WaitFor([this] { return Position() > 100; }));

    // A stream's manifest on the disk is one medium, not a list of its pieces.
    const std::string manifest = VELVARO_TEST_MEDIA "/net/hls/index.m3u8";
    OpenAll({manifest});
    EXPECT_TRUE(TitleComes(TitleOf("index.m3u8")));
    EXPECT_EQ(window->Session().State().path, QString::fromStdString(manifest));
    EXPECT_TRUE(WaitFor([this] { return Position() > 300; }));
}

// A bookmark on an address opens it where the bookmark is; the address's
// own bookmarks are offered for saving under its name, not under the address.
TEST_F(NetworkTest, ABookmarkOnAnAddressOpensItWhereTheBookmarkIs) {
    ASSERT_TRUE(server.Started());
    const std::string film = Link("film.mkv", "long.mkv");
    const std::string address = server.Address(u"net/clip.mp4"_s);
    ASSERT_TRUE(velvaro::docs::SaveBookmarkFile(
        (std::filesystem::path(film).parent_path() / "film.vbm").string(),
        {{"here", 150, film}, {"there", 500, address}}, "1"));
    settings->startMediaAutomatically = 0;
    Start(film);
    ASSERT_TRUE(BookmarkEditor()->isVisible());
    auto* rows = BookmarkEditor()->findChild<QTreeWidget*>();
    rows->setCurrentItem(rows->topLevelItem(1));
    Settle();
    EXPECT_TRUE(TitleComes(TitleOf("clip.mp4", "STOP")));
    EXPECT_TRUE(WaitFor([this] { return std::abs(Position() - 500) < 30; })) << Position();
    EXPECT_EQ(static_cast<CBookmarkDlg*>(BookmarkEditor())->BookmarkFile(), u"clip.vbm"_s);
}

TEST_F(NetworkTest, AStallShowsBufferingThenWhyAndAFailedOpenNamesTheAddress) {
    ASSERT_TRUE(server.Started());
    settings->startMediaAutomatically = 1;
    Start();
    const auto log = EngineWarnings();
    QStringList shown;
    const auto boxes = Boxes(shown);
    const QString missing = server.Url(u"net/missing.mp4"_s);
    window->OpenMedia(missing, false);
    Settle();
    EXPECT_EQ(shown, QStringList{u"Error|Can't open file \"%1\"\nReason: The server answered 404 "
                                 "Not Found."_s.arg(missing)});

    const QString stall = server.Url(u"stall/net/clip.mp4"_s);
    OpenFile(stall.toStdString());
    // The clock's ticks write the status bar.
    const auto statusComes = [this](const QString& text, int milliseconds) {
        return WaitFor(
            [&] {
                Timer();
                return StatusText(0).contains(text);
            },
            milliseconds);
    };
    ASSERT_TRUE(statusComes(u"Buffering "_s, 15000)) << StatusText(0).toStdString();
    EXPECT_TRUE(statusComes(u"No data came for 10 seconds"_s, 20000))
        << StatusText(0).toStdString();
    EXPECT_TRUE(StatusText(0).startsWith(stall));
}

// File > Open URL (Ctrl+U) offers the addresses opened before, newest first,
// and refuses what is not an http or https address with a reason.
TEST_F(NetworkTest, OpenUrlRemembersTheAddressesAndRefusesWhatIsNoAddress) {
    ASSERT_TRUE(server.Started());
    Start();
    const auto log = EngineWarnings();
    QStringList offered;
    QStringList messages;
    const auto boxes = Boxes(messages);
    const auto typeIn = [&](const QString& text) {
        ModalDialogWatcher<QInputDialog> user([&](QInputDialog& box) {
            offered = box.comboBoxItems();
            box.setTextValue(text);
            box.accept();
        });
        Key(VK_CONTROL);
        window->Session().Key('U', true);
        KeyUp(VK_CONTROL);
        Settle();
    };
    typeIn(server.Url(u"net/clip.mp4"_s));
    EXPECT_TRUE(TitleComes(TitleOf("clip.mp4")));
    typeIn(server.Url(u"net/dash/manifest.mpd"_s));
    EXPECT_TRUE(TitleComes(TitleOf("manifest.mpd")));
    EXPECT_EQ(offered, QStringList{server.Url(u"net/clip.mp4"_s)});
    typeIn(u"ftp://127.0.0.1/clip.mp4"_s);
    typeIn(u"no address"_s);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_THAT(messages[0].toStdString(), ::testing::HasSubstr("Only http and https"));
    EXPECT_THAT(messages[1].toStdString(), ::testing::HasSubstr("not a network address"));
    EXPECT_EQ(offered,
              (QStringList{server.Url(u"net/dash/manifest.mpd"_s), server.Url(u"net/clip.mp4"_s)}));
    EXPECT_EQ(Title(), TitleOf("manifest.mpd"));
}

}  // namespace
