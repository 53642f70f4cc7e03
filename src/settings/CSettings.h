// The persistent user settings. The application owns one persistent record,
// loaded on construction and saved on destruction; the settings dialog edits
// a non-persistent copy and assigns it back.
#pragma once

#include <forward_list>
#include <string>

// Flag bits of a file association entry.
enum AssociationFlags : unsigned {
    ASSOC_ASSOCIATED = 1,
    ASSOC_VIDEO = 2,
    ASSOC_AUDIO = 4,
    ASSOC_PLAYLIST = 8,
};

struct FileAssociationEntry {
    std::string extension;  // without the dot; also the registry value name
    unsigned flags = 0;
};

class CSettings {
public:
    explicit CSettings(int persistent);
    ~CSettings();
    CSettings(const CSettings&) = delete;
    // Copies everything but the persistence flag; the association list comes
    // over in reverse order, as each entry is put at the head.
    CSettings& operator=(const CSettings& other);

    void Load();
    void Save();
    void ParseDisplaySettings();
    void CheckScreenshotDirectory();

    void AddFileAssociation(const std::string& extension, unsigned flags);
    void RemoveFileAssociation(const FileAssociationEntry* entry, unsigned classBit);
    void SetAssociatedByMask(unsigned mask, int on);
    void BuildDefaultAssociations();
    void ApplyAssociations();

    std::string playlistDirTree;
    int persistent;
    int balance = 0;
    int volume = 0;
    int titleBar = 1;
    int menuBar = 1;
    int toolBar = 1;
    int positionBar = 1;
    int statusBar = 1;
    int compactView = 0;
    // 0: deinterlace the pictures marked interlaced, 1: every picture, 2: none.
    int deinterlace = 0;
    int alwaysOnTop = 0;
    int aspectRatio = 1;
    int startMediaAutomatically = 1;
    int startFullscreen = 0;
    int jumpToLastPosition = 0;
    int playbackDelay = 5;
    int singleInstanceMode = 1;
    int deactivatePowerManagement = 1;
    std::string screenshotDirectory;
    int processPriority = 1;
    std::string displaySettings = "Current";
    int toolBarPos = 0;
    int displayWidth = 0;
    int displayHeight = 0;
    std::string languageFile;
    std::string languageResource;
    int languageType = -1;
    // Newest entry first.
    std::forward_list<FileAssociationEntry> associations;
    int generalChanged = 0;
    int playbackChanged = 0;
    int languageChanged = 0;
    int associationsChanged = 0;
};
