// The session without a window: commands and keys reach handlers that
// record them (the order they are asked in, the key table, what waits for
// a medium being opened), and the command looks and the state are told to
// whoever listens.
#include "session/PlayerSession.h"

#include "CommandRanges.h"
#include "EventLoop.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

TEST(PlayerSessionTest, TheKeyTableNamesEachKeysCommandsWithCtrlWhereItCounts) {
    using namespace key_command;
    const std::tuple<UINT, bool, KeyCommands> rows[] = {
        {VK_SPACE, false, {IDM_WIEDERGABE_WIEDERGABE_PAUSE}},
        {VK_NUMPAD5, true, {IDM_WIEDERGABE_WIEDERGABE_PAUSE}},
        {'L', true, {IDM_WIEDERGABE_ENDLOSSCHLEIFE}},  // Ctrl changes nothing here
        {VK_ESCAPE, false, {kFullscreen}},
        {'V', false, {kFullscreen}},
        {'K', false, {kCompactView}},
        {VK_RETURN, false, {kDiscActivate}},
        {VK_UP, false, {IDM_VIDEO_VERGROESSERN_OBENUNTEN}},
        {VK_UP, true, {kDiscUp, IDM_VIDEO_VERGROESSERN_OBENUNTEN}},
        {VK_LEFT, true, {kDiscLeft, IDM_VIDEO_VERKLEINERN_LINKSRECHTS}},
        {'S', false, {}},
        {'S', true, {IDM_WIEDERGABE_SHUTDOWN}},
        {VK_OEM_PERIOD, false, {kStepForwards}},
        {VK_OEM_COMMA, true, {kStepBackwards}},
        {VK_F12, false, {IDM_VIDEO_SCREENSHOT}},
        {'D', false, {IDM_AUDIO_DELAY_LATER}},
        {'C', false, {IDM_AUDIO_DELAY_EARLIER}},
        {'H', false, {IDM_SUBTITLE_DELAY_LATER}},
        {'G', true, {IDM_SUBTITLE_DELAY_EARLIER}},
        {VK_F1, false, {}},
        {VK_TAB, false, {}},
        {VK_NUMPAD0, false, {}},
    };
    for (const auto& [key, control, commands] : rows) {
        const KeyCommands found = CommandsForKey(key, control);
        EXPECT_EQ(std::tuple(found.command, found.fallback),
                  std::tuple(commands.command, commands.fallback))
            << "key " << key << (control ? " with Ctrl" : "");
    }
}

// Two parts, a and b, that handle the ids they are given (a only as long
// as it `owns` them, as a disc does its chapter buttons) and record what
// reaches them.
struct Funnel {
    PlayerSession session;
    bool opening = false;
    bool owns = true;
    std::vector<std::pair<char, int>> heard;
    Funnel(std::vector<int> first, std::vector<int> second) {
        session.SetOpeningQuery([this] { return opening; });
        for (int id : first) {
            session.HandleIf(id, [this, id] {
                heard.emplace_back('a', id);
                return owns;
            });
        }
        for (int id : second) {
            session.Handle(id, [this, id] { heard.emplace_back('b', id); });
        }
    }
};
using Heard = std::vector<std::pair<char, int>>;

TEST(PlayerSessionTest, HandlersAreAskedInTurnAndAKeyFallsBackWhenItsFirstIsNotTaken) {
    Funnel funnel({key_command::kDiscUp, IDTBB_NEXTTRACKCHAPTER},
                  {IDM_VIDEO_VERGROESSERN_OBENUNTEN, IDM_PLAYLIST_NAECHSTERTITEL});
    funnel.session.Alias(IDTBB_NEXTTRACKCHAPTER, IDM_PLAYLIST_NAECHSTERTITEL);
    std::vector<int> ranged;
    funnel.session.HandleRange(60000, 61000, [&ranged](int id) { ranged.push_back(id); });
    int executed = 0;
    QObject::connect(&funnel.session, &PlayerSession::executed, [&executed] { ++executed; });

    EXPECT_FALSE(funnel.session.Execute(IDM_HILFE_INFO));
    EXPECT_TRUE(funnel.session.Execute(60999));
    EXPECT_FALSE(funnel.session.Execute(61000));
    EXPECT_EQ(ranged, std::vector{60999});
    // The button is a's while it owns it, else the menu command it stands for.
    EXPECT_TRUE(funnel.session.Execute(IDTBB_NEXTTRACKCHAPTER));
    funnel.owns = false;
    EXPECT_TRUE(funnel.session.Execute(IDTBB_NEXTTRACKCHAPTER));
    EXPECT_EQ(funnel.heard, (Heard{{'a', IDTBB_NEXTTRACKCHAPTER},
                                   {'a', IDTBB_NEXTTRACKCHAPTER},
                                   {'b', IDM_PLAYLIST_NAECHSTERTITEL}}));
    EXPECT_EQ(executed, 3);

    // Ctrl+Up: the disc's command first, the zoom when no one takes it.
    funnel.heard.clear();
    funnel.session.Key(VK_CONTROL, true);
    funnel.session.Key(VK_UP, true);
    funnel.owns = true;
    funnel.session.Key(VK_UP, true);
    funnel.session.Key(VK_CONTROL, false);
    funnel.session.Key(VK_UP, true);
    funnel.session.Key(VK_UP, false);
    EXPECT_EQ(funnel.heard, (Heard{{'a', key_command::kDiscUp},
                                   {'b', IDM_VIDEO_VERGROESSERN_OBENUNTEN},
                                   {'a', key_command::kDiscUp},
                                   {'b', IDM_VIDEO_VERGROESSERN_OBENUNTEN}}));
    // Taking Ctrl forgets it: its key-up goes to a countdown, not here.
    funnel.session.Key(VK_CONTROL, true);
    EXPECT_TRUE(funnel.session.TakeControlDown());
    EXPECT_FALSE(funnel.session.ControlDown());
}

TEST(PlayerSessionTest, WhatActsOnAMediumWaitsForTheOpenAndFollowsInOrderOrIsDropped) {
    Funnel funnel({}, {IDM_WIEDERGABE_SCHNELLESVORSPULEN, IDM_DATEI_OEFFNEN, IDM_ANSICHT_TITLEBAR,
                       IDM_WIEDERGABE_WIEDERGABE_PAUSE});
    funnel.session.HandleValue(value_command::kSkip, [&funnel](double steps) {
        funnel.heard.emplace_back('v', static_cast<int>(steps));
    });
    funnel.opening = true;
    funnel.session.Key('X', true);
    EXPECT_TRUE(funnel.session.Execute(IDM_WIEDERGABE_WIEDERGABE_PAUSE));
    EXPECT_TRUE(funnel.session.Execute(value_command::kSkip, -3));
    funnel.session.Defer([&funnel] { funnel.heard.emplace_back('w', 0); });
    // Opening another file and the bars do not wait.
    funnel.session.Execute(IDM_DATEI_OEFFNEN);
    funnel.session.Key(VK_F4, true);
    EXPECT_EQ(funnel.heard, (Heard{{'b', IDM_DATEI_OEFFNEN}, {'b', IDM_ANSICHT_TITLEBAR}}));
    funnel.heard.clear();
    funnel.opening = false;
    funnel.session.ReplayDeferred();
    EXPECT_TRUE(funnel.heard.empty()) << "the replay comes from the event loop";
    velvaro::test::RunEventsFor(20);
    EXPECT_EQ(funnel.heard, (Heard{{'b', IDM_WIEDERGABE_SCHNELLESVORSPULEN},
                                   {'b', IDM_WIEDERGABE_WIEDERGABE_PAUSE},
                                   {'v', -3},
                                   {'w', 0}}));
    // Without an open it is carried out at once; with no handler, not at all.
    funnel.heard.clear();
    EXPECT_TRUE(funnel.session.Execute(value_command::kSkip, 2));
    EXPECT_FALSE(funnel.session.Execute(value_command::kSeek, 500));
    EXPECT_EQ(funnel.heard, (Heard{{'v', 2}}));

    // What starts another open on the way keeps the rest for that one, and
    // they go with it when it is dropped.
    funnel.heard.clear();
    funnel.opening = true;
    funnel.session.Defer([&funnel] { funnel.opening = true; });
    funnel.session.Key(VK_SPACE, true);
    funnel.opening = false;
    funnel.session.ReplayDeferred();
    velvaro::test::RunEventsFor(20);
    EXPECT_TRUE(funnel.heard.empty());
    funnel.session.DropDeferred();
    funnel.opening = false;
    funnel.session.ReplayDeferred();
    velvaro::test::RunEventsFor(20);
    EXPECT_TRUE(funnel.heard.empty());
}

TEST(PlayerSessionTest, TheLookOfACommandIsToldToItsViewsWhenSetButNotWhenSeeded) {
    CommandStateTable table;
    std::vector<std::pair<int, CommandLook>> told;
    QObject::connect(&table, &CommandStateTable::changed,
                     [&told](int id, const CommandLook& look) { told.emplace_back(id, look); });
    EXPECT_EQ(table.Look(IDM_AUDIO_STUMM), CommandLook{});
    table.Seed(IDM_AUDIO_STUMM, false, true);
    EXPECT_TRUE(told.empty());
    table.SetEnabled(IDM_AUDIO_STUMM, true);
    table.SetFace(IDTBB_MUTE, 7, u"Mute"_s);
    table.SetChecked(IDM_AUDIO_STUMM, false);
    using Told = std::vector<std::pair<int, CommandLook>>;
    EXPECT_EQ(told, (Told{{IDM_AUDIO_STUMM, {.enabled = true, .checked = true}},
                          {IDTBB_MUTE, {.image = 7, .tip = u"Mute"_s}},
                          {IDM_AUDIO_STUMM, {.enabled = true, .checked = false}}}));
    EXPECT_FALSE(table.IsChecked(IDM_AUDIO_STUMM));
    EXPECT_TRUE(table.IsEnabled(IDTBB_MUTE));
}

TEST(PlayerSessionTest, TheStateChangesInOnePlaceAndIsToldOnceWhenItDoes) {
    PlayerSession session;
    std::vector<PlayerState> told;
    QObject::connect(&session, &PlayerSession::stateChanged,
                     [&told](const PlayerState& state) { told.push_back(state); });
    session.Update([](PlayerState& state) {
        state.name = u"film.mkv"_s;
        state.path = u"/media/film.mkv"_s;
        state.play = 2;
    });
    session.Update([](PlayerState& state) { state.play = 2; });
    session.Update([](PlayerState& state) { state.play = 1; });
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told.front().name, u"film.mkv"_s);
    EXPECT_EQ(told.back().play, 1);
    EXPECT_EQ(session.State(), told.back());

    // The zoom is the layout's, told as it changes, and only then.
    session.ChangeLayout([](VideoLayout& layout) { layout.Zoom(true, 0.25, false); });
    session.ChangeLayout([](VideoLayout& layout) { layout.Zoom(true, -2.0, false); });
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told.back().zoom, (PlayerState::Zoom{1.25, 1.0}));
}

}  // namespace
