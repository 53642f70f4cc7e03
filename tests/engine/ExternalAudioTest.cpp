// A separate sound track in place of the film's own.
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class ExternalAudioTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(language.LoadResource(250), 0); }

    std::unique_ptr<CFilePlayer> Open(const std::string& name) {
        const std::string path = Media(name);
        return std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &language, &owner,
                                             Wide(path), path, 0, 0, 0);
    }

    CLanguageFile language;
    QWidget owner;
};

TEST_F(ExternalAudioTest, ASilentFilmGetsItsCompanionSound) {
    auto player = Open("companion/film.mp4");
    EXPECT_NE(player->HasAudio(), S_OK);
    ASSERT_TRUE(player->LoadExternalAudio(Wide(Media("companion/film.wav"))));
    EXPECT_TRUE(player->HasExternalAudio());
    EXPECT_EQ(player->HasAudio(), S_OK);
    EXPECT_EQ(player->SetVolume(-1500), S_OK);
    EXPECT_EQ(player->GetVolume(), -1500);

    // A seek moves picture and sound together and playback goes on.
    EXPECT_EQ(player->SetPosition(300), S_OK);
    player->WaitForState();
    EXPECT_NEAR(player->GetPosition(), 300, 2);
    player->Play();
    QElapsedTimer clock;
    clock.start();
    while (player->GetPosition() < 400 && clock.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_GE(player->GetPosition(), 400);

    player->RemoveExternalAudio();
    EXPECT_FALSE(player->HasExternalAudio());
    EXPECT_NE(player->HasAudio(), S_OK);
}

TEST_F(ExternalAudioTest, TheFilmsOwnSoundComesBack) {
    auto player = Open("multi.mkv");
    player->SelectStream(1, STREAM_AUDIO);
    ASSERT_TRUE(player->LoadExternalAudio(Wide(Media("audio.wav"))));
    EXPECT_EQ(player->HasAudio(), S_OK);
    player->RemoveExternalAudio();
    EXPECT_EQ(player->HasAudio(), S_OK);
    int flags = -1, kind = STREAM_AUDIO;
    ASSERT_EQ(player->GetStreamName(1, nullptr, &flags, &kind, nullptr, nullptr), S_OK);
    EXPECT_EQ(flags, 1) << "the sound chosen before is chosen again";
}

TEST_F(ExternalAudioTest, RefusesFilmsWithoutPictureAndTracksWithOne) {
    auto sound = Open("audio.mp3");
    EXPECT_FALSE(sound->LoadExternalAudio(Wide(Media("audio.wav"))));
    EXPECT_FALSE(sound->HasExternalAudio());

    auto film = Open("companion/film.mp4");
    EXPECT_FALSE(film->LoadExternalAudio(Wide(Media("video-only.mkv"))));
    EXPECT_FALSE(film->LoadExternalAudio(Wide(Media("not-media.avi"))));
    EXPECT_FALSE(film->HasExternalAudio());
    EXPECT_EQ(film->HasVideo(), S_OK);
}

TEST_F(ExternalAudioTest, ClosingWithASeparateTrackIsClean) {
    auto player = Open("companion/film.mp4");
    ASSERT_TRUE(player->LoadExternalAudio(Wide(Media("companion/film.wav"))));
    player->Play();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    player.reset();
    EXPECT_TRUE(owner.findChildren<QWidget*>().isEmpty());
}

}  // namespace
