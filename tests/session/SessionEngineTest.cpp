// The session with a real engine and no window: it opens a medium off this
// thread and holds its engine, tells each change of its state once, and
// forgets the medium when it closes.
#include "session/PlayerSession.h"

#include "CommandRanges.h"
#include "EventLoop.h"
#include "ExpectLog.h"
#include "TestRegistry.h"
#include "engine/CFilePlayer.h"
#include "engine/FileOpening.h"
#include "resource.h"
#include "settings/CSettings.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::string Media(const std::string& name) {
    return VELVARO_TEST_MEDIA "/" + name;
}

struct SessionEngineTest : velvaro::test::RegistryTest {
    void SetUp() override {
        RegistryTest::SetUp();
        settings = std::make_unique<CSettings>(0);
        session = std::make_unique<PlayerSession>(settings.get());
        session->Opener().SetHost(
            [this] { return MediumOpener::Host{.videoArea = QRect(0, 0, 320, 240)}; });
        QObject::connect(&session->Opener(), &MediumOpener::opened, &events,
                         [this](const QString& path) { answers.push_back(u"opened "_s + path); });
        QObject::connect(&session->Opener(), &MediumOpener::failed, &events,
                         [this](const QString& path, const QString& reason) {
                             answers.push_back(u"failed "_s + path);
                             EXPECT_FALSE(reason.isEmpty());
                         });
        QObject::connect(session.get(), &PlayerSession::stateChanged, &events,
                         [this](const PlayerState& now) { states.push_back(now); });
    }
    void TearDown() override {
        session.reset();
        settings.reset();
        // A dropped open's thread ends on its own; not after GStreamer has gone.
        velvaro::engine::WaitForOpeningThreads(std::chrono::seconds(1));
        RegistryTest::TearDown();
    }
    bool Settled() {
        return velvaro::test::RunEventsUntil([this] { return !session->Opener().Busy(); }, 15000);
    }

    QObject events;  // the context of the test's connections
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<PlayerSession> session;
    std::vector<QString> answers;
    std::vector<PlayerState> states;
};

TEST_F(SessionEngineTest, OpensOffThisThreadAndANewOpenDropsTheOneUnderWay) {
    const velvaro::test::ExpectLog warnings(QtWarningMsg, QString(), u"velvaro.engine"_s);
    session->Opener().OpenFile(QString::fromStdString(Media("not-media.avi")));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(session->Player(), nullptr);

    // A file that keeps its open waiting holds nothing up, and the next open
    // replaces it: only the second answers.
    session->Opener().OpenFile(QString::fromStdString(Media("damaged/huge.y4m")));
    EXPECT_TRUE(session->Opener().Busy());
    const QString film = QString::fromStdString(Media("multi.mkv"));
    session->Opener().OpenFile(film);
    ASSERT_TRUE(Settled());
    velvaro::test::RunEventsFor(100);
    EXPECT_EQ(answers, (std::vector{u"failed "_s + QString::fromStdString(Media("not-media.avi")),
                                    u"opened "_s + film}));
    ASSERT_NE(session->FilePlayer(), nullptr);
    EXPECT_EQ(session->Player(), static_cast<CMediaPlayer*>(session->FilePlayer()));
}

TEST_F(SessionEngineTest, PlaysLoopsAndTellsEachChangeOnceThenForgetsTheClosedMedium) {
    session->Opener().OpenFile(QString::fromStdString(Media("multi.mkv")));
    ASSERT_TRUE(Settled());
    ASSERT_NE(session->Player(), nullptr);
    session->Update([](PlayerState& now) { now.name = u"multi.mkv"_s; });

    states.clear();
    session->Playback().Play();
    session->Playback().Play();  // no change, no news
    session->Playback().ShowVolume();
    const int duration = session->Player()->GetDuration();
    session->Loop().Reset(duration);
    session->Loop().Set(true, true);
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].play, State_Running);
    EXPECT_EQ(states[1].volume, session->Player()->GetVolume());
    EXPECT_EQ(states[2].shownMarks, (PlayerState::Range{0, duration}));
    EXPECT_TRUE(session->Commands().IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    session->Playback().Pause();
    EXPECT_EQ(session->State().play, State_Paused);

    session->Player()->SetVolume(-1200);
    session->CloseEngine();
    EXPECT_EQ(session->Player(), nullptr);
    EXPECT_EQ(settings->volume, -1200);
    EXPECT_EQ(session->State(), (PlayerState{.shownMarks = PlayerState::Range{0, duration}}));
}

// The clock runs while the medium plays and brings the engine's position,
// length and speed into the state; standing still, it stops. The end of the
// medium is told once, without a reason.
TEST_F(SessionEngineTest, TheClockFollowsPlaybackStopsWhenStillAndTheEndIsTold) {
    int ticks = 0;
    std::vector<QString> ends;
    QObject::connect(&session->Events(), &EngineEvents::ticked, &events, [&] { ++ticks; });
    QObject::connect(&session->Events(), &EngineEvents::ended, &events,
                     [&](const QString& failure) { ends.push_back(failure); });
    session->Opener().OpenFile(QString::fromStdString(Media("audio.wav")));
    ASSERT_TRUE(Settled());
    ASSERT_NE(session->Player(), nullptr);

    session->Playback().Play();
    ASSERT_TRUE(velvaro::test::RunEventsUntil([&] { return session->State().position > 0; }, 3000));
    EXPECT_EQ(session->State().duration, session->Player()->GetDuration());
    EXPECT_EQ(session->State().rate, 1.0);
    // A command's change shows at once, not a tick later.
    ASSERT_TRUE(session->Execute(value_command::kRate, 2.0));
    EXPECT_EQ(session->State().rate, 2.0);
    ASSERT_TRUE(session->Execute(value_command::kRate, 0.0));  // refused: normal speed
    EXPECT_EQ(session->State().rate, 1.0);

    session->Playback().Pause();
    session->Events().Tick();
    const int resting = session->State().position;
    const int ticksWhenStill = ticks;
    velvaro::test::RunEventsFor(kClockPeriodMs * 3);
    EXPECT_EQ(ticks, ticksWhenStill) << "a paused player's clock stands";
    EXPECT_EQ(session->State().position, resting);

    session->Player()->SetPosition(session->Player()->GetDuration() - 30);
    session->Events().Wake();
    session->Playback().Play();
    ASSERT_TRUE(velvaro::test::RunEventsUntil([&] { return !ends.empty(); }, 9000));
    velvaro::test::RunEventsFor(300);
    EXPECT_EQ(ends, std::vector{QString()});
    EXPECT_GT(ticks, ticksWhenStill) << "woken, the clock runs again";
}

// The medium's streams are part of the state: each choice is one change,
// and the command table has its marks too. "Off" outlives the medium.
TEST_F(SessionEngineTest, TheStreamsAreStateAndAChoiceIsOneChange) {
    session->Opener().OpenFile(QString::fromStdString(Media("multi.mkv")));
    ASSERT_TRUE(Settled());
    MediumStreams& streams = session->Streams();
    streams.Build();
    // Ids in their order, "*" after a checked one.
    const auto listed = [](const PlayerState& state) {
        QString ids;
        for (const StreamEntry& entry : state.streams) {
            ids += QString::number(entry.id) + (entry.checked ? u"* "_s : u" "_s);
        }
        return ids.trimmed();
    };
    EXPECT_EQ(listed(session->State()), u"61999 60000* 60001 61000* 61001 62000 62001"_s);

    states.clear();
    bool layout = true;
    ASSERT_TRUE(streams.Select(61001, &layout));
    EXPECT_FALSE(layout);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(listed(states[0]), u"61999 60000* 60001 61000 61001* 62000 62001"_s);
    EXPECT_EQ(std::pair(session->Commands().IsChecked(61000), session->Commands().IsChecked(61001)),
              std::pair(false, true));

    ASSERT_TRUE(streams.Select(61999, &layout));
    EXPECT_TRUE(layout);
    session->CloseEngine();
    streams.Reset();
    EXPECT_EQ(listed(session->State()), u"61999*"_s);
    EXPECT_TRUE(session->Commands().IsChecked(61999));
}

}  // namespace

namespace {

// The delays as "audio/subtitle" in milliseconds.
std::string Delays(const PlayerState& state) {
    return std::to_string(state.audioDelay) + "/" + std::to_string(state.subtitleDelay);
}

}  // namespace

// The delays go in steps of 50 ms, stop at 10 s either way, go back to none
// with a reset, and a new medium starts without them. Keys and menu items
// are the same commands.
TEST_F(SessionEngineTest, DelaysStepStopAtTenSecondsAndANewMediumHasNone) {
    const QString film = QString::fromStdString(Media("onset.mkv"));
    session->Opener().OpenFile(film);
    ASSERT_TRUE(Settled());
    ASSERT_NE(session->Player(), nullptr);

    for (int i = 0; i < 3; ++i) {
        session->Key('D', true);
        session->Key('D', false);
    }
    EXPECT_TRUE(session->Execute(IDM_AUDIO_DELAY_EARLIER));
    EXPECT_TRUE(session->Execute(IDM_SUBTITLE_DELAY_EARLIER));
    EXPECT_EQ(Delays(session->State()), "100/-50");
    for (int i = 0; i < 250; ++i) {
        session->Execute(IDM_AUDIO_DELAY_LATER);
        session->Execute(IDM_SUBTITLE_DELAY_EARLIER);
    }
    EXPECT_EQ(Delays(session->State()), "10000/-10000");
    session->Execute(IDM_AUDIO_DELAY_EARLIER);
    session->Execute(IDM_SUBTITLE_DELAY_LATER);
    EXPECT_EQ(Delays(session->State()), "9950/-9950");
    session->Execute(IDM_AUDIO_DELAY_RESET);
    EXPECT_EQ(Delays(session->State()), "0/-9950");
    session->Execute(IDM_AUDIO_DELAY_EARLIER);
    EXPECT_EQ(Delays(session->State()), "-50/-9950");

    session->Opener().OpenFile(QString::fromStdString(Media("multi.mkv")));
    ASSERT_TRUE(Settled());
    ASSERT_NE(session->Player(), nullptr);
    EXPECT_EQ(Delays(session->State()), "0/0");
    session->Execute(IDM_SUBTITLE_DELAY_RESET);
    session->Execute(IDM_SUBTITLE_DELAY_LATER);
    EXPECT_EQ(Delays(session->State()), "0/50");
    session->CloseEngine();
    EXPECT_EQ(Delays(session->State()), "0/0");
    session->Execute(IDM_AUDIO_DELAY_LATER);  // nothing open: nothing to delay
    EXPECT_EQ(Delays(session->State()), "0/0");
}
