// Commands and keys through the session, with responders that record what
// reaches them: the order they are asked in, the key table, and what waits
// for a medium being opened.
#include "session/PlayerSession.h"

#include "EventLoop.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

TEST(CommandFunnelTest, TheKeyTableNamesEachKeysCommandsWithCtrlWhereItCounts) {
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

// Responders that take only the ids they are given and record every id
// that reaches them.
struct Funnel {
    PlayerSession session;
    bool opening = false;
    std::vector<std::pair<char, int>> heard;
    Funnel(std::vector<int> first, std::vector<int> second) {
        session.SetOpeningQuery([this] { return opening; });
        for (auto [name, taken] : {std::pair{'a', first}, std::pair{'b', second}}) {
            session.AddResponder([this, name, taken](int id) {
                heard.emplace_back(name, id);
                return std::find(taken.begin(), taken.end(), id) != taken.end();
            });
        }
    }
};

TEST(CommandFunnelTest, RespondersAreAskedInTurnAndAKeyFallsBackWhenItsFirstIsNotTaken) {
    Funnel funnel({key_command::kDiscUp}, {IDM_VIDEO_VERGROESSERN_OBENUNTEN, IDM_AUDIO_STUMM});
    EXPECT_TRUE(funnel.session.Execute(IDM_AUDIO_STUMM));
    EXPECT_FALSE(funnel.session.Execute(IDM_HILFE_INFO));
    using Heard = std::vector<std::pair<char, int>>;
    EXPECT_EQ(funnel.heard, (Heard{{'a', IDM_AUDIO_STUMM},
                                   {'b', IDM_AUDIO_STUMM},
                                   {'a', IDM_HILFE_INFO},
                                   {'b', IDM_HILFE_INFO}}));
    // Ctrl+Up: the first responder takes the disc's command, no zoom.
    funnel.heard.clear();
    funnel.session.Key(VK_CONTROL, true);
    funnel.session.Key(VK_UP, true);
    EXPECT_EQ(funnel.heard, (Heard{{'a', key_command::kDiscUp}}));
    // Without Ctrl, and with nobody taking the disc's command, Up zooms.
    funnel.session.Key(VK_CONTROL, false);
    funnel.heard.clear();
    funnel.session.Key(VK_UP, true);
    funnel.session.Key(VK_UP, false);
    EXPECT_EQ(funnel.heard, (Heard{{'a', IDM_VIDEO_VERGROESSERN_OBENUNTEN},
                                   {'b', IDM_VIDEO_VERGROESSERN_OBENUNTEN}}));
    Funnel noDisc({}, {IDM_VIDEO_VERGROESSERN_OBENUNTEN});
    noDisc.session.Key(VK_CONTROL, true);
    noDisc.session.Key(VK_UP, true);
    EXPECT_EQ(noDisc.heard, (Heard{{'a', key_command::kDiscUp},
                                   {'b', key_command::kDiscUp},
                                   {'a', IDM_VIDEO_VERGROESSERN_OBENUNTEN},
                                   {'b', IDM_VIDEO_VERGROESSERN_OBENUNTEN}}));
    // Taking Ctrl forgets it: its key-up goes to a countdown, not here.
    EXPECT_TRUE(noDisc.session.TakeControlDown());
    EXPECT_FALSE(noDisc.session.ControlDown());
    noDisc.heard.clear();
    noDisc.session.Key('S', true);
    EXPECT_TRUE(noDisc.heard.empty());
}

TEST(CommandFunnelTest, WhatActsOnAMediumWaitsForTheOpenAndFollowsInOrderOrIsDropped) {
    Funnel funnel({}, {IDM_WIEDERGABE_SCHNELLESVORSPULEN, IDM_DATEI_OEFFNEN, IDM_ANSICHT_TITLEBAR,
                       IDM_WIEDERGABE_WIEDERGABE_PAUSE, IDM_PLAYLIST_NAECHSTERTITEL});
    using Heard = std::vector<std::pair<char, int>>;
    funnel.opening = true;
    funnel.session.Key('X', true);
    EXPECT_TRUE(funnel.session.Execute(IDM_WIEDERGABE_WIEDERGABE_PAUSE));
    funnel.session.Defer([&funnel] { funnel.heard.emplace_back('w', 0); });
    // Opening another file and the bars do not wait.
    funnel.session.Execute(IDM_DATEI_OEFFNEN);
    funnel.session.Key(VK_F4, true);
    EXPECT_EQ(funnel.heard, (Heard{{'a', IDM_DATEI_OEFFNEN},
                                   {'b', IDM_DATEI_OEFFNEN},
                                   {'a', IDM_ANSICHT_TITLEBAR},
                                   {'b', IDM_ANSICHT_TITLEBAR}}));
    funnel.heard.clear();
    funnel.opening = false;
    funnel.session.ReplayDeferred();
    EXPECT_TRUE(funnel.heard.empty()) << "the replay comes from the event loop";
    velvaro::test::RunEventsFor(20);
    EXPECT_EQ(funnel.heard, (Heard{{'a', IDM_WIEDERGABE_SCHNELLESVORSPULEN},
                                   {'b', IDM_WIEDERGABE_SCHNELLESVORSPULEN},
                                   {'a', IDM_WIEDERGABE_WIEDERGABE_PAUSE},
                                   {'b', IDM_WIEDERGABE_WIEDERGABE_PAUSE},
                                   {'w', 0}}));

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

}  // namespace
