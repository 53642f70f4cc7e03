#include "CPlayerCommandLineInfo.h"

#include "RegKey.h"
#include "RegistryKeys.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Keywords of the value options; the value is the argument less as many
// leading characters as the keyword has.
constexpr const char* kAudio = "audio:";
constexpr const char* kBorderColour = "bordercol:";
constexpr const char* kBookmark = "bookmark:";
constexpr const char* kSize = "size:";
constexpr const char* kWindowPosition = "wndpos:";
constexpr const char* kJumpPosition = "jumptopos:";
constexpr const char* kLanguage = "language:";
constexpr const char* kValueKeywords[] = {kAudio,          kBorderColour, kBookmark, kSize,
                                          kWindowPosition, kJumpPosition, kLanguage};

// The value of `keyword` when the lower-case argument contains it anywhere.
bool FindValue(const std::string& param, const std::string& lower, const char* keyword,
               std::string* value) {
    if (lower.find(keyword) == std::string::npos) {
        return false;
    }
    const size_t skip = std::strlen(keyword);
    *value = param.size() > skip ? param.substr(skip) : std::string();
    return true;
}

struct LanguageName {
    const char* value;
    const char* resource;
};

constexpr LanguageName kLanguages[] = {
    {"deutsch", "IDR_LNG_GERMAN"},    {"english", "IDR_LNG_ENGLISH"},
    {"francais", "IDR_LNG_FRANCAIS"}, {"espanol", "IDR_LNG_ESPANOL"},
    {"galego", "IDR_LNG_GALEGO"},     {"italiano", "IDR_LNG_ITALIANO"},
    {"magyar", "IDR_LNG_MAGYAR"},     {"nederlands", "IDR_LNG_NEDERLANDS"},
    {"polski", "IDR_LNG_POLSKI"},     {"russian", "IDR_LNG_RUSSIAN"},
    {"slovak", "IDR_LNG_SLOVAK"},
};

constexpr const char* kHelpLines[] = {
    "Velvaro.exe [<mediafile>] [<options>]",
    "",
    "Options:",
    "/help,/?\t\tthis help screen",
    "/center\t\tcenter video window on desktop",
    "/nosplash\t\thide splash picture",
    "/uninstall\t\tuninstall Velvaro :'(",
    "/loop\t\tloop media file",
    "/noloop\t\tdon't loop media file",
    "/fullscreen\tactivate fullscreen mode",
    "/nofullscreen\tdeactivate fullscreen mode",
    "/close\t\tquit Velvaro after playback",
    "/audio:<audiofile>\tdisable audio of video and play this audio file instead",
    "/language:<language>",
    "\tAvailable languages:",
    "\tdeutsch,english,francais,espanol,galego,italiano,magyar,",
    "\tnederlands,polski,russian & slovak",
    "/size:<size>\tsize of video",
    "\tExamples: /size:640x480, /size:3x, /size:0.5x",
    "/play\t\tplayback media",
    "/pause\t\tpause media",
    "/wndpos:<x>,<y>,[relativTo]",
    "\t<x> = horizontal window position in pixels",
    "\t<y> = vertical window position in pixels",
    "\t<realtiveTo> can be 'lefttop','righttop','leftbottom','rightbottom' or empty",
    "\tif <relativTo> is present,",
    "\tthen <x> and <y> are relative to the specified desktop corner",
    "/jumptopos:<pos>\tjump to position in seconds",
    "/bookmark:<file>\topen bookmark file",
    "/compact\t\tcompact mode view",
    "/nocompact\trestore normal view",
    "/border\t\tDisplay a border around the window",
    "/noborder\tDoesn't display a border around the window",
    "/bordercol:<red>,<green>,<blue>\tborder color around video",
    "\t\te.g. 0,0,0 for black or 255,255,255 for white",
    "/mute\t\tmute audio",
    "/nomute\t\tunmute audio",
};

}  // namespace

CPlayerCommandLineInfo::CPlayerCommandLineInfo(CMaintenanceFlags* app) : app(app) {}

void CPlayerCommandLineInfo::ParseParam(const std::string& param, bool flag, bool last) {
    (void)last;
    const std::string lower = Lower(param);
    ParseFlagWords(lower);
    ParseValues(param, lower);
    // The framework's own part: the first plain argument is the media file.
    if (!flag && fileName.empty()) {
        fileName = param;
    }
}

std::array<std::pair<const char*, int*>, 20> CPlayerCommandLineInfo::Switches() {
    // Without an application the maintenance requests go nowhere.
    CMaintenanceFlags& requests = app ? *app : discardedRequests;
    return {{
        {"help", &help},
        {"?", &help},
        {"center", &center},
        {"play", &play},
        {"pause", &pause},
        {"nosplash", &noSplash},
        {"update_step_1", &requests.runUpdateStep1},
        {"update_step_2", &requests.runUpdateStep2},
        {"uninstall", &requests.runUninstall},
        {"loop", &loop},
        {"noloop", &noLoop},
        {"mute", &mute},
        {"nomute", &noMute},
        {"border", &border},
        {"noborder", &noBorder},
        {"fullscreen", &fullscreen},
        {"nofullscreen", &noFullscreen},
        {"compact", &compact},
        {"nocompact", &noCompact},
        {"close", &close},
    }};
}

void CPlayerCommandLineInfo::ParseFlagWords(const std::string& lower) {
    for (const auto& [word, field] : Switches()) {
        if (lower == word) {
            *field = 1;
        }
    }
}

void CPlayerCommandLineInfo::ParseValues(const std::string& param, const std::string& lower) {
    const std::pair<const char*, std::string*> fields[] = {
        {kAudio, &audioFile}, {kBorderColour, &borderColour},     {kBookmark, &bookmarkFile},
        {kSize, &size},       {kWindowPosition, &windowPosition}, {kJumpPosition, &jumpPosition},
    };
    for (const auto& [keyword, field] : fields) {
        FindValue(param, lower, keyword, field);
    }
    if (std::string language; FindValue(param, lower, kLanguage, &language)) {
        StoreLanguage(language);
    }
}

void CPlayerCommandLineInfo::StoreLanguage(const std::string& name) {
    for (const auto& [value, resource] : kLanguages) {
        if (name != value) {
            continue;
        }
        velvaro::platform::RegistryTransaction transaction;
        RegKey settings;
        if (settings.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey) == ERROR_SUCCESS) {
            settings.SetString("LanguageResource", resource);
            settings.SetDWORD("LanguageType", 0);
        }
        return;
    }
}

bool CPlayerCommandLineInfo::IsOptionWord(const std::string& word) {
    const std::string lower = Lower(word);
    CPlayerCommandLineInfo probe(nullptr);
    for (const auto& [switchWord, field] : probe.Switches()) {
        if (lower == switchWord) {
            return true;
        }
    }
    for (const char* keyword : kValueKeywords) {
        if (lower + ':' == keyword) {
            return true;
        }
    }
    return false;
}

std::string CPlayerCommandLineInfo::HelpText() {
    std::string text = kHelpLines[0];
    for (size_t i = 1; i < std::size(kHelpLines); ++i) {
        text += '\n';
        text += kHelpLines[i];
    }
    return text;
}
