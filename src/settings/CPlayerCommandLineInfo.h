// The parsed command line. Lives as long as the main window, which applies
// its options again after every open; a second start hands it over.
#pragma once

#include <array>
#include <string>
#include <utility>

// The application's maintenance requests, set by the parser.
struct CMaintenanceFlags {
    int runUninstall = 0;
    int runUpdateStep1 = 0;
    int runUpdateStep2 = 0;
};

class CPlayerCommandLineInfo {
public:
    explicit CPlayerCommandLineInfo(CMaintenanceFlags* app);

    // Called once per argument, in order. `flag` says a leading "/" or "-"
    // was stripped from `param`.
    void ParseParam(const std::string& param, bool flag, bool last);

    // True when `word` (compared without case) names one of the options;
    // for a value option the word is the text before its ':'.
    static bool IsOptionWord(const std::string& word);

    // The help box's text and caption.
    static std::string HelpText();
    static const char* HelpCaption() { return "Velvaro command line parameters"; }

    std::string GetFileName() const { return fileName; }
    std::string GetAudioFile() const { return audioFile; }
    std::string GetBorderColour() const { return borderColour; }
    std::string GetBookmarkFile() const { return bookmarkFile; }
    std::string GetSize() const { return size; }
    std::string GetWindowPosition() const { return windowPosition; }
    std::string GetJumpPosition() const { return jumpPosition; }
    int GetCompact() const { return compact; }
    int GetNoCompact() const { return noCompact; }
    int GetNoSplash() const { return noSplash; }
    int GetCenter() const { return center; }
    int GetPlay() const { return play; }
    int GetPause() const { return pause; }
    int GetLoop() const { return loop; }
    int GetFullscreen() const { return fullscreen; }
    int GetNoLoop() const { return noLoop; }
    int GetNoFullscreen() const { return noFullscreen; }
    int GetClose() const { return close; }
    int GetBorder() const { return border; }
    int GetNoBorder() const { return noBorder; }
    int GetMute() const { return mute; }
    int GetNoMute() const { return noMute; }
    int GetHelp() const { return help; }
    CMaintenanceFlags* GetApp() const { return app; }

    // Setters for what the hand-over from a second start carries.
    void SetFileName(const std::string& value) { fileName = value; }
    void SetAudioFile(const std::string& value) { audioFile = value; }
    void SetBorderColour(const std::string& value) { borderColour = value; }
    void SetBookmarkFile(const std::string& value) { bookmarkFile = value; }
    void SetSize(const std::string& value) { size = value; }
    void SetWindowPosition(const std::string& value) { windowPosition = value; }
    void SetJumpPosition(const std::string& value) { jumpPosition = value; }
    void SetCompact(int value) { compact = value; }
    void SetNoCompact(int value) { noCompact = value; }
    void SetNoSplash(int value) { noSplash = value; }
    void SetCenter(int value) { center = value; }
    void SetPlay(int value) { play = value; }
    void SetPause(int value) { pause = value; }
    void SetLoop(int value) { loop = value; }
    void SetFullscreen(int value) { fullscreen = value; }
    void SetNoLoop(int value) { noLoop = value; }
    void SetNoFullscreen(int value) { noFullscreen = value; }
    void SetBorder(int value) { border = value; }
    void SetNoBorder(int value) { noBorder = value; }
    void SetMute(int value) { mute = value; }
    void SetNoMute(int value) { noMute = value; }

private:
    // The switch options: word and the field it sets.
    std::array<std::pair<const char*, int*>, 20> Switches();
    void ParseFlagWords(const std::string& lower);
    void ParseValues(const std::string& param, const std::string& lower);
    static void StoreLanguage(const std::string& name);

    std::string fileName;  // the framework's media file name
    std::string audioFile;
    std::string borderColour;
    std::string bookmarkFile;
    std::string size;
    std::string windowPosition;
    std::string jumpPosition;
    int compact = 0;
    int noCompact = 0;
    int noSplash = 0;
    int center = 0;
    int play = 0;
    int pause = 0;
    int loop = 0;
    int fullscreen = 0;
    int noLoop = 0;
    int noFullscreen = 0;
    int close = 0;
    int border = 0;
    int noBorder = 0;
    int mute = 0;
    int noMute = 0;
    int help = 0;
    CMaintenanceFlags* app;
    CMaintenanceFlags discardedRequests;
};
