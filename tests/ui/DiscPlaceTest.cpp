// What a chosen folder, image or disc holds, and the name it goes by: real
// folders in a temporary folder and the generated disc media.
#include "ui/DiscPlace.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using List = std::forward_list<FileAssociationEntry>;

class DiscPlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file :
             {"Holiday/VIDEO_TS/VIDEO_TS.IFO", "Holiday/movie.mp3", "small/video_ts/video_ts.ifo",
              "Copy.ISO", "vcd/mpegav/avseq02.dat", "vcd/mpegav/AVSEQ01.DAT",
              "vcd/mpegav/readme.txt", "vcd/MPEG2/AVSEQ01.MPG", "vcd/song.mp3",
              "svcd/MPEGAV/readme.txt", "svcd/mpeg2/avseq01.mpg", "mixed/b.avi", "mixed/a.avi",
              "mixed/list.m3u", "mixed/TUNE.MP3", "mixed/notes.txt", "text/notes.txt"}) {
            QDir().mkpath(QFileInfo(Path(file)).path());
            QFile touched(Path(file));
            ASSERT_TRUE(touched.open(QIODevice::WriteOnly));
            touched.write("x");
        }
        QDir().mkpath(Path("mixed/folder.mp3"));
        QDir().mkpath(Path("empty"));
    }
    // A name in the temporary folder, or after "media/" in the test media.
    QString Path(const char* name) const {
        const QString text = QString::fromLatin1(name);
        if (text.isEmpty()) {
            return text;
        }
        return text.startsWith(u"media/") ? QStringLiteral(VELVARO_TEST_MEDIA) + text.mid(5)
                                          : root.filePath(text);
    }
    // What `place` holds, "dvd NAME" or "files NAME...", named as Path() takes them.
    std::string Holds(const char* place, const List& list = kMedia) const {
        const DiscPlaceContents contents = ResolveDiscPlace(Path(place), list);
        QStringList words;
        if (!contents.dvd.isEmpty()) {
            words << QStringLiteral("dvd") << contents.dvd;
        }
        if (!contents.files.isEmpty()) {
            words << QStringLiteral("files") << contents.files;
        }
        return words.join(u' ')
            .replace(root.path() + u'/', QString())
            .replace(QStringLiteral(VELVARO_TEST_MEDIA), QStringLiteral("media"))
            .toStdString();
    }

    static inline const List kMedia = {
        {"avi", ASSOC_ASSOCIATED | ASSOC_VIDEO}, {"mp3", ASSOC_AUDIO}, {"m3u", ASSOC_PLAYLIST}};
    QTemporaryDir root;
};

TEST_F(DiscPlaceTest, WhatAPlaceHolds) {
    const std::pair<const char*, const char*> places[] = {
        // A folder holding VIDEO_TS, or one itself, names in small letters as
        // some discs are mounted; an image. (The window's tests open the
        // generated discs and Video CDs.)
        {"Holiday", "dvd Holiday/VIDEO_TS"},
        {"Holiday/", "dvd Holiday/VIDEO_TS"},
        {"Holiday/VIDEO_TS/", "dvd Holiday/VIDEO_TS"},
        {"small", "dvd small/video_ts"},
        {"small/video_ts", "dvd small/video_ts"},
        {"media/dvd/menu.iso", "dvd media/dvd/menu.iso"},
        {"Copy.ISO", "dvd Copy.ISO"},
        // A Video CD's tracks in name order whatever their case, hiding the
        // media files beside it; an empty MPEGAV folder leaves the way to MPEG2.
        {"vcd", "files vcd/mpegav/AVSEQ01.DAT vcd/mpegav/avseq02.dat"},
        {"svcd", "files svcd/mpeg2/avseq01.mpg"},
        // Otherwise the media files in the order of the associations.
        {"mixed", "files mixed/a.avi mixed/b.avi mixed/TUNE.MP3 mixed/list.m3u"},
        {"media/mp3s/", "files media/mp3s/song-1.mp3 media/mp3s/song-2.mp3 media/mp3s/song-3.mp3"},
        {"text", ""},
        {"empty", ""},
        {"gone", ""},
        {"text/notes.txt", ""},
        {"", ""}};
    for (const auto& [place, holds] : places) {
        EXPECT_EQ(Holds(place), holds) << place;
    }
    // mp3 alone in the list; without a kind of media, or not in it: nothing.
    EXPECT_EQ(Holds("media/mp3s", {{"mp3", ASSOC_AUDIO}}), Holds("media/mp3s/"));
    for (const List& list : {List{{"mp3", ASSOC_ASSOCIATED}}, List{{"avi", ASSOC_VIDEO}}, List{}}) {
        EXPECT_EQ(Holds("media/mp3s", list), "");
    }
    // Whichever block device this system has.
    for (const char* device : {"/dev/loop0", "/dev/sr0", "/dev/sda", "/dev/vda", "/dev/nvme0n1"}) {
        struct stat status {};
        if (stat(device, &status) == 0 && S_ISBLK(status.st_mode)) {
            EXPECT_EQ(ResolveDiscPlace(QString::fromLatin1(device), kMedia).dvd,
                      QString::fromLatin1(device));
        }
    }
}

// A folder after itself or the folder above VIDEO_TS, an image after its
// volume or, without an ISO 9660 one, its file name.
TEST_F(DiscPlaceTest, TheNameAPlaceGoesBy) {
    for (const auto& [place, name] : {std::pair{"Holiday/VIDEO_TS", "Holiday"},
                                      {"Holiday/VIDEO_TS/", "Holiday"},
                                      {"Holiday", "Holiday"},
                                      {"media/dvd/menu/VIDEO_TS", "menu"},
                                      {"media/dvd/menu.iso", "VELVARO_MENU"},
                                      {"Copy.ISO", "Copy.ISO"}}) {
        EXPECT_EQ(DiscName(Path(place)), QLatin1String(name)) << place;
    }
    EXPECT_EQ(DiscName(QStringLiteral("Film")), QStringLiteral("Film"));
    EXPECT_FALSE(DiscName(QStringLiteral("/")).isEmpty());
}

}  // namespace
