#include "CSettings.h"

#include "RegKey.h"
#include "RegistryKeys.h"
#include "platform/Paths.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

using velvaro::kAssociationsKey;
using velvaro::kProductKey;
using velvaro::kSettingsKey;

namespace {

// The flag DWORDs of the Settings key, in the order Load reads them before
// the screenshot folder, and after the display settings.
struct DwordField {
    const char* name;
    int CSettings::*field;
};

constexpr DwordField kLoadedBeforeScreenshots[] = {
    {"SingleInstanceMode", &CSettings::singleInstanceMode},
    {"StartFullscreen", &CSettings::startFullscreen},
    {"StartMediaAutomatically", &CSettings::startMediaAutomatically},
    {"JumpToLastPosition", &CSettings::jumpToLastPosition},
    {"DeactivatePowerManagement", &CSettings::deactivatePowerManagement},
    {"ProcessPriority", &CSettings::processPriority},
};

constexpr DwordField kLoadedAfterDisplay[] = {
    {"ToolBarPos", &CSettings::toolBarPos},   {"PlaybackDelay", &CSettings::playbackDelay},
    {"AlwaysOnTop", &CSettings::alwaysOnTop}, {"AspectRatio", &CSettings::aspectRatio},
    {"TitleBar", &CSettings::titleBar},       {"MenuBar", &CSettings::menuBar},
    {"ToolBar", &CSettings::toolBar},         {"PositionBar", &CSettings::positionBar},
    {"StatusBar", &CSettings::statusBar},     {"CompactView", &CSettings::compactView},
    {"Deinterlace", &CSettings::deinterlace},
};

// Volume and balance are kept with 10000 added, so they are never negative.
constexpr int kLevelOffset = 10000;

// Every value Save writes, in its order.
enum class Kind { Dword, String, Level };
struct SavedValue {
    const char* name;
    Kind kind;
    int CSettings::*number;
    std::string CSettings::*text;
};

constexpr SavedValue Dword(const char* name, int CSettings::*field) {
    return {name, Kind::Dword, field, nullptr};
}
constexpr SavedValue Level(const char* name, int CSettings::*field) {
    return {name, Kind::Level, field, nullptr};
}
constexpr SavedValue String(const char* name, std::string CSettings::*field) {
    return {name, Kind::String, nullptr, field};
}

const SavedValue kSaved[] = {
    Dword("StartFullscreen", &CSettings::startFullscreen),
    Dword("StartMediaAutomatically", &CSettings::startMediaAutomatically),
    Dword("JumpToLastPosition", &CSettings::jumpToLastPosition),
    Dword("PlaybackDelay", &CSettings::playbackDelay),
    Dword("SingleInstanceMode", &CSettings::singleInstanceMode),
    Dword("DeactivatePowerManagement", &CSettings::deactivatePowerManagement),
    Dword("ProcessPriority", &CSettings::processPriority),
    String("ScreenshotDirectory", &CSettings::screenshotDirectory),
    String("DisplaySettings", &CSettings::displaySettings),
    Dword("ToolBarPos", &CSettings::toolBarPos),
    Dword("AlwaysOnTop", &CSettings::alwaysOnTop),
    Dword("AspectRatio", &CSettings::aspectRatio),
    Dword("CompactView", &CSettings::compactView),
    Dword("TitleBar", &CSettings::titleBar),
    Dword("MenuBar", &CSettings::menuBar),
    Dword("ToolBar", &CSettings::toolBar),
    Dword("PositionBar", &CSettings::positionBar),
    Dword("StatusBar", &CSettings::statusBar),
    Dword("Deinterlace", &CSettings::deinterlace),
    Level("Volume", &CSettings::volume),
    Level("Balance", &CSettings::balance),
    String("PlaylistDirTree", &CSettings::playlistDirTree),
};

void ReadDword(const RegKey& key, const char* name, int* field) {
    DWORD value = static_cast<DWORD>(*field);
    if (key.QueryDWORD(name, &value) == ERROR_SUCCESS) {
        *field = static_cast<int>(value);
    }
}

void ReadString(const RegKey& key, const char* name, std::string* field) {
    std::string value;
    if (key.QueryString(name, &value, 260) == ERROR_SUCCESS) {
        *field = value;
    }
}

void ReadLevel(const RegKey& key, const char* name, int* field) {
    DWORD stored = static_cast<DWORD>(*field + kLevelOffset);
    if (key.QueryDWORD(name, &stored) == ERROR_SUCCESS) {
        *field = static_cast<int>(stored) - kLevelOffset;
    }
}

// A folder is usable for screenshots when we can enter it and write there.
bool EnterWritable(const std::string& folder) {
    return chdir(folder.c_str()) == 0 && access(".", W_OK) == 0;
}

}  // namespace

CSettings::CSettings(int persistent) : persistent(persistent) {
    if (persistent) {
        BuildDefaultAssociations();
        Load();
    }
}

CSettings::~CSettings() {
    Save();
}

CSettings& CSettings::operator=(const CSettings& other) {
    if (this == &other) {
        return *this;
    }
    const int keepPersistent = persistent;
    playlistDirTree = other.playlistDirTree;
    balance = other.balance;
    volume = other.volume;
    titleBar = other.titleBar;
    menuBar = other.menuBar;
    toolBar = other.toolBar;
    positionBar = other.positionBar;
    statusBar = other.statusBar;
    compactView = other.compactView;
    deinterlace = other.deinterlace;
    alwaysOnTop = other.alwaysOnTop;
    aspectRatio = other.aspectRatio;
    startMediaAutomatically = other.startMediaAutomatically;
    startFullscreen = other.startFullscreen;
    jumpToLastPosition = other.jumpToLastPosition;
    playbackDelay = other.playbackDelay;
    singleInstanceMode = other.singleInstanceMode;
    deactivatePowerManagement = other.deactivatePowerManagement;
    screenshotDirectory = other.screenshotDirectory;
    processPriority = other.processPriority;
    displaySettings = other.displaySettings;
    toolBarPos = other.toolBarPos;
    displayWidth = other.displayWidth;
    displayHeight = other.displayHeight;
    languageFile = other.languageFile;
    languageResource = other.languageResource;
    languageType = other.languageType;
    generalChanged = other.generalChanged;
    playbackChanged = other.playbackChanged;
    languageChanged = other.languageChanged;
    associationsChanged = other.associationsChanged;
    associations.clear();
    for (const auto& entry : other.associations) {
        associations.push_front(entry);
    }
    persistent = keepPersistent;
    return *this;
}

void CSettings::Load() {
    if (!persistent) {
        return;
    }
    RegKey settings;
    if (settings.Open(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS) {
        for (const auto& [name, field] : kLoadedBeforeScreenshots) {
            ReadDword(settings, name, &(this->*field));
        }
        ReadString(settings, "ScreenshotDirectory", &screenshotDirectory);
        CheckScreenshotDirectory();
        ReadString(settings, "DisplaySettings", &displaySettings);
        for (const auto& [name, field] : kLoadedAfterDisplay) {
            ReadDword(settings, name, &(this->*field));
        }
        ReadLevel(settings, "Volume", &volume);
        ReadLevel(settings, "Balance", &balance);
        ReadString(settings, "PlaylistDirTree", &playlistDirTree);
        ParseDisplaySettings();
    }

    RegKey stored;
    if (stored.Open(HKEY_CURRENT_USER, kAssociationsKey) == ERROR_SUCCESS) {
        associations.clear();
        stored.ForEachValue([this](const std::string& name, const BYTE* data, DWORD size) {
            AddFileAssociation(name, size ? data[0] : 0);
        });
    } else {
        // First start: the built-in list takes effect on the system.
        ApplyAssociations();
    }
}

void CSettings::Save() {
    if (!persistent) {
        return;
    }
    // The associations are deleted and written anew: a kill in between must
    // not leave them missing, which the next start would take for a first one.
    velvaro::platform::RegistryTransaction transaction;
    RegKey settings;
    if (settings.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS) {
        for (const SavedValue& value : kSaved) {
            switch (value.kind) {
                case Kind::Dword:
                    settings.SetDWORD(value.name, static_cast<DWORD>(this->*value.number));
                    break;
                case Kind::Level:
                    settings.SetDWORD(value.name,
                                      static_cast<DWORD>(this->*value.number + kLevelOffset));
                    break;
                case Kind::String:
                    settings.SetString(value.name, this->*value.text);
                    break;
            }
        }
        if (languageType == 0) {
            settings.SetString("LanguageResource", languageResource);
            settings.SetDWORD("LanguageType", 0);
        } else if (languageType == 1) {
            settings.SetString("LanguageFile", languageFile);
            settings.SetDWORD("LanguageType", 1);
        }
    }

    RegKey product;
    if (product.Open(HKEY_CURRENT_USER, kProductKey) == ERROR_SUCCESS) {
        product.RecurseDeleteKey("FileAssociations");
    }
    RegKey stored;
    if (stored.Create(HKEY_CURRENT_USER, kAssociationsKey) == ERROR_SUCCESS) {
        for (const auto& entry : associations) {
            stored.SetDWORD(entry.extension, entry.flags);
        }
    }
}

void CSettings::ParseDisplaySettings() {
    const auto separator = displaySettings.find(" x ");
    if (separator == std::string::npos) {
        displayWidth = 0;
        displayHeight = 0;
        return;
    }
    displayWidth = std::atoi(displaySettings.substr(0, separator).c_str());
    displayHeight = std::atoi(displaySettings.substr(separator + 3).c_str());
}

void CSettings::CheckScreenshotDirectory() {
    // The test leaves the working directory in the screenshot folder.
    if (EnterWritable(screenshotDirectory)) {
        return;
    }
    screenshotDirectory = velvaro::platform::ProgramFolder();
    if (EnterWritable(screenshotDirectory)) {
        return;
    }
    screenshotDirectory = velvaro::platform::TempFolder();
}

void CSettings::AddFileAssociation(const std::string& extension, unsigned flags) {
    for (auto& entry : associations) {
        if (entry.extension == extension) {
            entry.flags |= flags;
            return;
        }
    }
    associations.push_front({extension, flags});
}
