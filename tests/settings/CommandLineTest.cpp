#include "TestRegistry.h"
#include "platform/Paths.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CommandLine.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

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

    static std::optional<std::pair<std::string, DWORD>> StoredLanguage() {
        RegKey key;
        if (key.Open(HKEY_CURRENT_USER, velvaro::kSettingsKey) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::string resource;
        DWORD type = 99;
        if (key.QueryString("LanguageResource", &resource) != ERROR_SUCCESS ||
            key.QueryDWORD("LanguageType", &type) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::make_pair(resource, type);
    }

    CMaintenanceFlags requests;
};

TEST_F(CommandLineTest, EverySwitchSetsItsFlagWhateverItsCase) {
    const auto info = Parse({"/CENTER", "-Play", "--pause", "/nosplash", "-loop", "-NOLOOP",
                             "/mute", "/nomute", "/border", "/noborder", "/fullscreen",
                             "/nofullscreen", "/compact", "/nocompact", "/close"});
    const int flags[] = {info.GetCenter(),   info.GetPlay(),       info.GetPause(),
                         info.GetNoSplash(), info.GetLoop(),       info.GetNoLoop(),
                         info.GetMute(),     info.GetNoMute(),     info.GetBorder(),
                         info.GetNoBorder(), info.GetFullscreen(), info.GetNoFullscreen(),
                         info.GetCompact(),  info.GetNoCompact(),  info.GetClose()};
    for (const int flag : flags) {
        EXPECT_EQ(flag, 1);
    }
    EXPECT_EQ(info.GetHelp(), 0);
    EXPECT_EQ(info.GetFileName(), "");
    EXPECT_EQ(requests.runUninstall + requests.runUpdateStep1 + requests.runUpdateStep2, 0);
}

TEST_F(CommandLineTest, SwitchesMustMatchTheWholeWord) {
    const auto info = Parse({"/playing", "-xloop", "--compacts"});
    EXPECT_EQ(info.GetPlay() + info.GetLoop() + info.GetCompact(), 0);
}

TEST_F(CommandLineTest, MaintenanceSwitchesGoToTheApplication) {
    Parse({"/uninstall"});
    EXPECT_EQ(requests.runUninstall, 1);
    EXPECT_EQ(requests.runUpdateStep1, 0);
    Parse({"-update_step_1", "--UPDATE_STEP_2"});
    EXPECT_EQ(requests.runUpdateStep1, 1);
    EXPECT_EQ(requests.runUpdateStep2, 1);
    // Without an application object the request is dropped, not a crash.
    CPlayerCommandLineInfo orphan(nullptr);
    orphan.ParseParam("uninstall", true, true);
}

TEST_F(CommandLineTest, HelpAndQuestionMarkAskForHelp) {
    EXPECT_EQ(Parse({"/help"}).GetHelp(), 1);
    EXPECT_EQ(Parse({"/?"}).GetHelp(), 1);
    EXPECT_EQ(Parse({"--help", "/play", "film.mkv"}).GetHelp(), 1);
    EXPECT_EQ(Parse({"-h"}).GetHelp(), 0);
}

TEST_F(CommandLineTest, ABarePlayIsBothTheSwitchAndTheMediaFile) {
    const auto info = ParseRaw({{"play", false}, {"other.mkv", false}});
    EXPECT_EQ(info.GetPlay(), 1);
    EXPECT_EQ(info.GetFileName(), "play");
}

TEST_F(CommandLineTest, FirstPlainArgumentIsTheMediaFile) {
    const auto info = ParseRaw({{"loop", true}, {"/media/a.mkv", false}, {"/media/b.mkv", false}});
    EXPECT_EQ(info.GetFileName(), "/media/a.mkv");
    EXPECT_EQ(info.GetLoop(), 1);
}

TEST_F(CommandLineTest, ValuesKeepTheirCase) {
    const auto info = ParseRaw({{"SIZE:2X", true},
                                {"wndpos:100,50,RightBottom", true},
                                {"jumptopos:12.5", true},
                                {"BorderCol:255,255,255", true},
                                {"Bookmark:/Home/Me/Film.vbm", true},
                                {"audio:/Home/Me/Dub.WAV", true}});
    EXPECT_EQ(info.GetSize(), "2X");
    EXPECT_EQ(info.GetWindowPosition(), "100,50,RightBottom");
    EXPECT_EQ(info.GetJumpPosition(), "12.5");
    EXPECT_EQ(info.GetBorderColour(), "255,255,255");
    EXPECT_EQ(info.GetBookmarkFile(), "/Home/Me/Film.vbm");
    EXPECT_EQ(info.GetAudioFile(), "/Home/Me/Dub.WAV");
    EXPECT_EQ(info.GetFileName(), "");
}

TEST_F(CommandLineTest, AKeywordAnywhereCutsFromTheStart) {
    // The keyword is found anywhere, but its length is cut from the front.
    const auto info = ParseRaw({{"xaudio:dub.wav", true}, {"size:", true}});
    EXPECT_EQ(info.GetAudioFile(), ":dub.wav");
    EXPECT_EQ(info.GetSize(), "");
}

TEST_F(CommandLineTest, LanguageNamesAreCaseSensitive) {
    Parse({"/Language:English"});
    EXPECT_EQ(StoredLanguage(), std::nullopt);
    Parse({"/language:klingon"});
    EXPECT_EQ(StoredLanguage(), std::nullopt);

    Parse({"/LANGUAGE:english"});
    EXPECT_EQ(StoredLanguage(), std::make_pair(std::string("IDR_LNG_ENGLISH"), DWORD{0}));
    Parse({"-language:slovak"});
    EXPECT_EQ(StoredLanguage(), std::make_pair(std::string("IDR_LNG_SLOVAK"), DWORD{0}));
    Parse({"--language:deutsch"});
    EXPECT_EQ(StoredLanguage(), std::make_pair(std::string("IDR_LNG_GERMAN"), DWORD{0}));
}

TEST_F(CommandLineTest, SlashArgumentsAreFlagsOnlyWhenTheyNameAnOption) {
    const auto file = Parse({"/home/me/a.mkv"});
    EXPECT_EQ(file.GetFileName(), "/home/me/a.mkv");

    const auto flags = Parse({"/play", "/size:640x480", "/home/me/b.mkv"});
    EXPECT_EQ(flags.GetPlay(), 1);
    EXPECT_EQ(flags.GetSize(), "640x480");
    EXPECT_EQ(flags.GetFileName(), "/home/me/b.mkv");

    // An existing path wins over an option word.
    const auto existing = Parse({"/tmp"});
    EXPECT_EQ(existing.GetFileName(), "/tmp");
    // "/size" without a colon is still the option's word.
    EXPECT_EQ(Parse({"/size"}).GetFileName(), "");
}

TEST_F(CommandLineTest, RelativePathsAreResolvedAgainstTheStartDirectory) {
    const std::string start = velvaro::platform::LaunchDirectory();
    const auto info =
        Parse({"clips/film.mkv", "-audio:dub.wav", "/bookmark:marks/film.vbm", "--size:2x"});
    EXPECT_EQ(info.GetFileName(), start + "clips/film.mkv");
    EXPECT_EQ(info.GetAudioFile(), start + "dub.wav");
    EXPECT_EQ(info.GetBookmarkFile(), start + "marks/film.vbm");
    EXPECT_EQ(info.GetSize(), "2x");
    // URLs and absolute paths stay as given.
    EXPECT_EQ(Parse({"http://host/a.mkv"}).GetFileName(), "http://host/a.mkv");
}

TEST_F(CommandLineTest, DoubleDashEndsTheOptions) {
    const std::string start = velvaro::platform::LaunchDirectory();
    const auto info = Parse({"--loop", "--", "-odd name.mkv", "--play"});
    EXPECT_EQ(info.GetLoop(), 1);
    EXPECT_EQ(info.GetPlay(), 0);
    EXPECT_EQ(info.GetFileName(), start + "-odd name.mkv");
}

TEST_F(CommandLineTest, HandOverSettersReplaceTheRecordedValues) {
    auto info = Parse({"/loop", "/size:2x", "/home/me/a.mkv"});
    info.SetFileName("/home/me/b.mkv");
    info.SetSize("");
    info.SetLoop(0);
    info.SetNoLoop(1);
    EXPECT_EQ(info.GetFileName(), "/home/me/b.mkv");
    EXPECT_EQ(info.GetSize(), "");
    EXPECT_EQ(info.GetLoop(), 0);
    EXPECT_EQ(info.GetNoLoop(), 1);
}

TEST(CommandLineHelp, TextHasItsThirtySevenLinesWithTabs) {
    std::vector<std::string> lines;
    std::istringstream text(CPlayerCommandLineInfo::HelpText());
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 37u);
    EXPECT_EQ(lines[0], "Velvaro.exe [<mediafile>] [<options>]");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[3], "/help,/?\t\tthis help screen");
    EXPECT_EQ(lines[9], "/fullscreen\tactivate fullscreen mode");
    EXPECT_EQ(lines[24],
              "\t<realtiveTo> can be 'lefttop','righttop','leftbottom','rightbottom' or empty");
    EXPECT_EQ(lines[34], "\t\te.g. 0,0,0 for black or 255,255,255 for white");
    EXPECT_EQ(lines[36], "/nomute\t\tunmute audio");
    EXPECT_STREQ(CPlayerCommandLineInfo::HelpCaption(), "Velvaro command line parameters");
}

}  // namespace
