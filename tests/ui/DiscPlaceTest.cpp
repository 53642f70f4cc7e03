// What a chosen folder, image or disc holds, and the name it goes by: real
// folders in a temporary folder and the generated disc media.
#include "ui/DiscPlace.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Media(const char* name) {
    return QStringLiteral(VELVARO_TEST_MEDIA "/") + QString::fromLatin1(name);
}

class DiscPlaceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    QString Path(const QString& relative) const { return root.filePath(relative); }

    QString Touch(const QString& relative, const QByteArray& contents = "x") const {
        QDir().mkpath(QFileInfo(Path(relative)).path());
        QFile file(Path(relative));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return Path(relative);
    }

    static std::forward_list<FileAssociationEntry> Associations(
        std::initializer_list<FileAssociationEntry> entries) {
        return std::forward_list<FileAssociationEntry>(entries);
    }

    std::forward_list<FileAssociationEntry> media = Associations(
        {{"avi", ASSOC_ASSOCIATED | ASSOC_VIDEO}, {"mp3", ASSOC_AUDIO}, {"m3u", ASSOC_PLAYLIST}});
    QTemporaryDir root;
};

QString Dvd(const QString& path, const std::forward_list<FileAssociationEntry>& list = {}) {
    const DiscPlaceContents contents = ResolveDiscPlace(path, list);
    EXPECT_TRUE(contents.files.isEmpty()) << path.toStdString();
    return contents.dvd;
}

QStringList Files(const QString& path, const std::forward_list<FileAssociationEntry>& list) {
    const DiscPlaceContents contents = ResolveDiscPlace(path, list);
    EXPECT_EQ(contents.dvd, QString()) << path.toStdString();
    return contents.files;
}

TEST_F(DiscPlaceTest, AFolderHoldingVideoTsOrItselfAVideoTsFolderOpensAsADvd) {
    Touch(QStringLiteral("Holiday/VIDEO_TS/VIDEO_TS.IFO"));
    Touch(QStringLiteral("Holiday/movie.mp3"));
    EXPECT_EQ(Dvd(Path(QStringLiteral("Holiday")), media),
              Path(QStringLiteral("Holiday/VIDEO_TS")));
    EXPECT_EQ(Dvd(Path(QStringLiteral("Holiday/")), media),
              Path(QStringLiteral("Holiday/VIDEO_TS")));
    EXPECT_EQ(Dvd(Path(QStringLiteral("Holiday/VIDEO_TS"))),
              Path(QStringLiteral("Holiday/VIDEO_TS")));
    EXPECT_EQ(Dvd(Path(QStringLiteral("Holiday/VIDEO_TS/"))),
              Path(QStringLiteral("Holiday/VIDEO_TS")));
    // As some discs are mounted: names in small letters.
    Touch(QStringLiteral("small/video_ts/video_ts.ifo"));
    EXPECT_EQ(Dvd(Path(QStringLiteral("small"))), Path(QStringLiteral("small/video_ts")));
    EXPECT_EQ(Dvd(Path(QStringLiteral("small/video_ts"))), Path(QStringLiteral("small/video_ts")));
    // The generated disc.
    EXPECT_EQ(Dvd(Media("dvd/menu")), Media("dvd/menu/VIDEO_TS"));
    EXPECT_EQ(Dvd(Media("dvd/menu/VIDEO_TS")), Media("dvd/menu/VIDEO_TS"));
}

TEST_F(DiscPlaceTest, AnImageOrABlockDeviceOpensAsADvd) {
    EXPECT_EQ(Dvd(Media("dvd/menu.iso"), media), Media("dvd/menu.iso"));
    EXPECT_EQ(Dvd(Touch(QStringLiteral("Copy.ISO"))), Path(QStringLiteral("Copy.ISO")));
    // Whichever block device this system has.
    for (const char* device : {"/dev/loop0", "/dev/sr0", "/dev/sda", "/dev/vda", "/dev/nvme0n1"}) {
        struct stat status {};
        if (stat(device, &status) == 0 && S_ISBLK(status.st_mode)) {
            EXPECT_EQ(Dvd(QString::fromLatin1(device)), QString::fromLatin1(device));
        }
    }
}

TEST_F(DiscPlaceTest, AVideoCdGivesItsTracksAndASuperVideoCdItsMpegFiles) {
    EXPECT_EQ(Files(Media("vcd"), media), QStringList{Media("vcd/MPEGAV/AVSEQ01.DAT")});
    EXPECT_EQ(Files(Media("svcd"), media), QStringList{Media("svcd/MPEG2/AVSEQ01.MPG")});
    // Tracks in name order whatever their case; the Video CD comes first and
    // hides the media files beside it.
    Touch(QStringLiteral("vcd/mpegav/avseq02.dat"));
    Touch(QStringLiteral("vcd/mpegav/AVSEQ01.DAT"));
    Touch(QStringLiteral("vcd/mpegav/readme.txt"));
    Touch(QStringLiteral("vcd/MPEG2/AVSEQ01.MPG"));
    Touch(QStringLiteral("vcd/song.mp3"));
    EXPECT_EQ(Files(Path(QStringLiteral("vcd")), media),
              (QStringList{Path(QStringLiteral("vcd/mpegav/AVSEQ01.DAT")),
                           Path(QStringLiteral("vcd/mpegav/avseq02.dat"))}));
    // An empty MPEGAV folder leaves the way to MPEG2.
    Touch(QStringLiteral("svcd/MPEGAV/readme.txt"));
    Touch(QStringLiteral("svcd/mpeg2/avseq01.mpg"));
    EXPECT_EQ(Files(Path(QStringLiteral("svcd")), media),
              QStringList{Path(QStringLiteral("svcd/mpeg2/avseq01.mpg"))});
}

TEST_F(DiscPlaceTest, OtherwiseTheMediaFilesOfTheAssociationsInListOrder) {
    const QStringList songs = {Media("mp3s/song-1.mp3"), Media("mp3s/song-2.mp3"),
                               Media("mp3s/song-3.mp3")};
    EXPECT_EQ(Files(Media("mp3s"), Associations({{"mp3", ASSOC_AUDIO}})), songs);
    EXPECT_EQ(Files(Media("mp3s") + u'/', media), songs);
    // mp3 not in the list, or in it without a kind of media: nothing.
    EXPECT_EQ(Files(Media("mp3s"), Associations({{"avi", ASSOC_VIDEO}})), QStringList());
    EXPECT_EQ(Files(Media("mp3s"), Associations({{"mp3", ASSOC_ASSOCIATED}})), QStringList());
    EXPECT_EQ(Files(Media("mp3s"), {}), QStringList());

    Touch(QStringLiteral("mixed/b.avi"));
    Touch(QStringLiteral("mixed/a.avi"));
    Touch(QStringLiteral("mixed/list.m3u"));
    Touch(QStringLiteral("mixed/TUNE.MP3"));
    Touch(QStringLiteral("mixed/notes.txt"));
    QDir().mkpath(Path(QStringLiteral("mixed/folder.mp3")));
    EXPECT_EQ(Files(Path(QStringLiteral("mixed")), media),
              (QStringList{Path(QStringLiteral("mixed/a.avi")), Path(QStringLiteral("mixed/b.avi")),
                           Path(QStringLiteral("mixed/TUNE.MP3")),
                           Path(QStringLiteral("mixed/list.m3u"))}));
}

TEST_F(DiscPlaceTest, APlaceWithNothingPlayableGivesNothing) {
    Touch(QStringLiteral("text/notes.txt"));
    QDir().mkpath(Path(QStringLiteral("empty")));
    for (const QString& place :
         {Path(QStringLiteral("text")), Path(QStringLiteral("empty")), Path(QStringLiteral("gone")),
          Path(QStringLiteral("text/notes.txt")), QString()}) {
        const DiscPlaceContents contents = ResolveDiscPlace(place, media);
        EXPECT_EQ(std::tuple(contents.dvd, contents.files), std::tuple(QString(), QStringList()))
            << place.toStdString();
    }
}

TEST_F(DiscPlaceTest, NamesAFolderAfterItselfOrTheFolderAboveVideoTsAndAnImageAfterItsVolume) {
    Touch(QStringLiteral("Holiday/VIDEO_TS/VIDEO_TS.IFO"));
    EXPECT_EQ(DiscName(Path(QStringLiteral("Holiday/VIDEO_TS"))), QStringLiteral("Holiday"));
    EXPECT_EQ(DiscName(Path(QStringLiteral("Holiday/VIDEO_TS/"))), QStringLiteral("Holiday"));
    EXPECT_EQ(DiscName(Path(QStringLiteral("Holiday"))), QStringLiteral("Holiday"));
    EXPECT_EQ(DiscName(Media("dvd/menu/VIDEO_TS")), QStringLiteral("menu"));
    EXPECT_EQ(DiscName(Media("dvd/menu.iso")), QStringLiteral("VELVARO_MENU"));
    // An image without an ISO 9660 volume goes by its file name.
    EXPECT_EQ(DiscName(Touch(QStringLiteral("Copy.iso"))), QStringLiteral("Copy.iso"));
    EXPECT_EQ(DiscName(QStringLiteral("Film")), QStringLiteral("Film"));
    EXPECT_FALSE(DiscName(QStringLiteral("/")).isEmpty());
}

}  // namespace
