// The command line: switches, values, the media file and the language option.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "platform/Paths.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Values = std::vector<std::string>;
using Flags = std::vector<int>;

// The values the line gave: file, size, window position, jump position,
// border colour, bookmark file, audio file.
Values ValuesOf(const CPlayerCommandLineInfo& i) {
    return {i.GetFileName(),     i.GetSize(),         i.GetWindowPosition(), i.GetJumpPosition(),
            i.GetBorderColour(), i.GetBookmarkFile(), i.GetAudioFile()};
}

// The switches in the order of the help text's options, then help.
Flags FlagsOf(const CPlayerCommandLineInfo& i) {
    return {i.GetCenter(),  i.GetPlay(),      i.GetPause(),      i.GetNoSplash(),
            i.GetLoop(),    i.GetNoLoop(),    i.GetMute(),       i.GetNoMute(),
            i.GetBorder(),  i.GetNoBorder(),  i.GetFullscreen(), i.GetNoFullscreen(),
            i.GetCompact(), i.GetNoCompact(), i.GetClose(),      i.GetHelp()};
}

class CommandLineTest : public velvaro::test::RegistryTest {
protected:
    CPlayerCommandLineInfo Parse(const std::vector<std::string>& arguments) {
        CPlayerCommandLineInfo info(&requests);
        ParseCommandLine(info, arguments);
        return info;
    }
    // Arguments as the framework hands them over: prefix already stripped.
    CPlayerCommandLineInfo ParseRaw(const std::vector<std::pair<std::string, bool>>& arguments) {
        CPlayerCommandLineInfo info(&requests);
        for (size_t i = 0; i < arguments.size(); ++i) {
            info.ParseParam(arguments[i].first, arguments[i].second, i + 1 == arguments.size());
        }
        return info;
    }

    const std::string start = velvaro::platform::LaunchDirectory();
    CMaintenanceFlags requests;
};

TEST_F(CommandLineTest, EverySwitchSetsItsFlagWhateverItsCaseAndOnlyTheWholeWord) {
    const auto info = Parse({"/CENTER", "-Play", "--pause", "/nosplash", "-loop", "-NOLOOP",
                             "/mute", "/nomute", "/border", "/noborder", "/fullscreen",
                             "/nofullscreen", "/compact", "/nocompact", "/close"});
    Flags all(16, 1);
    all.back() = 0;
    EXPECT_EQ(FlagsOf(info), all);
    EXPECT_EQ(ValuesOf(info), Values(7));
    EXPECT_EQ(FlagsOf(Parse({"/playing", "-xloop", "--compacts"})), Flags(16, 0));
    for (const auto& [arguments, help] : {std::pair{std::vector<std::string>{"/help"}, 1},
                                          {{"/?"}, 1},
                                          {{"-h"}, 0},
                                          {{"--help", "/play", "film.mkv"}, 1}}) {
        EXPECT_EQ(Parse(arguments).GetHelp(), help) << arguments.front();
    }

    // The maintenance switches go to the application, and without one are dropped.
    EXPECT_EQ(requests.runUninstall + requests.runUpdateStep1 + requests.runUpdateStep2, 0);
    Parse({"/uninstall"});
    EXPECT_EQ(Flags({requests.runUninstall, requests.runUpdateStep1}), (Flags{1, 0}));
    Parse({"-update_step_1", "--UPDATE_STEP_2"});
    EXPECT_EQ(Flags({requests.runUpdateStep1, requests.runUpdateStep2}), (Flags{1, 1}));
    CPlayerCommandLineInfo(nullptr).ParseParam("uninstall", true, true);
}

TEST_F(CommandLineTest, ValuesKeepTheirCaseAndTheFirstPlainArgumentIsTheFile) {
    EXPECT_EQ(ValuesOf(ParseRaw({{"SIZE:2X", true},
                                 {"wndpos:100,50,RightBottom", true},
                                 {"jumptopos:12.5", true},
                                 {"BorderCol:255,255,255", true},
                                 {"Bookmark:/Home/Me/Film.vbm", true},
                                 {"audio:/Home/Me/Dub.WAV", true}})),
              (Values{"", "2X", "100,50,RightBottom", "12.5", "255,255,255", "/Home/Me/Film.vbm",
                      "/Home/Me/Dub.WAV"}));
    // The keyword is found anywhere, but its length is cut from the front.
    const auto cut = ParseRaw({{"xaudio:dub.wav", true}, {"size:", true}});
    EXPECT_EQ(std::pair(cut.GetAudioFile(), cut.GetSize()),
              std::pair(std::string(":dub.wav"), std::string()));

    const auto info = ParseRaw({{"loop", true}, {"/media/a.mkv", false}, {"/media/b.mkv", false}});
    EXPECT_EQ(std::pair(info.GetFileName(), info.GetLoop()),
              std::pair(std::string("/media/a.mkv"), 1));
    // A bare "play" is both the switch and the file.
    const auto play = ParseRaw({{"play", false}, {"other.mkv", false}});
    EXPECT_EQ(std::pair(play.GetFileName(), play.GetPlay()), std::pair(std::string("play"), 1));
}

TEST_F(CommandLineTest, LanguageNamesAreCaseSensitive) {
    Parse({"/Language:English"});
    Parse({"/language:klingon"});
    EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), std::nullopt);
    for (const auto& [option, resource] : {std::pair{"/LANGUAGE:english", "IDR_LNG_ENGLISH"},
                                           {"-language:slovak", "IDR_LNG_SLOVAK"},
                                           {"--language:deutsch", "IDR_LNG_GERMAN"}}) {
        Parse({option});
        EXPECT_EQ(velvaro::test::ReadString("LanguageResource"), resource);
        EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), 0u);
    }
}

TEST_F(CommandLineTest, SlashArgumentsAreFlagsOnlyWhenTheyNameAnOptionAndRelativePathsResolve) {
    EXPECT_EQ(Parse({"/home/me/a.mkv"}).GetFileName(), "/home/me/a.mkv");
    const auto flags = Parse({"/play", "/size:640x480", "/home/me/b.mkv"});
    EXPECT_EQ(ValuesOf(flags), (Values{"/home/me/b.mkv", "640x480", "", "", "", "", ""}));
    EXPECT_EQ(flags.GetPlay(), 1);
    // An existing path wins over an option word; "/size" without a colon is still one.
    EXPECT_EQ(Parse({"/tmp"}).GetFileName(), "/tmp");
    EXPECT_EQ(Parse({"/size"}).GetFileName(), "");

    EXPECT_EQ(ValuesOf(Parse(
                  {"clips/film.mkv", "-audio:dub.wav", "/bookmark:marks/film.vbm", "--size:2x"})),
              (Values{start + "clips/film.mkv", "2x", "", "", "", start + "marks/film.vbm",
                      start + "dub.wav"}));
    // URLs stay as given; a double dash ends the options.
    EXPECT_EQ(Parse({"http://host/a.mkv"}).GetFileName(), "http://host/a.mkv");
    const auto dashed = Parse({"--loop", "/size:2x", "--", "-odd name.mkv", "--play"});
    EXPECT_EQ(std::tuple(dashed.GetLoop(), dashed.GetPlay(), dashed.GetFileName()),
              std::tuple(1, 0, start + "-odd name.mkv"));
}

}  // namespace
