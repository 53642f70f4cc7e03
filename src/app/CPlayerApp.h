// The application object: owns the settings, the language and (through the
// start-up sequence) the command line for the life of the process, and runs
// the start-up sequence.
#pragma once

#include "i18n/CLanguageFile.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

class InstanceConnection;

class CPlayerApp : public CMaintenanceFlags {
public:
    // Loads every setting at once.
    CPlayerApp(int& argc, char** argv);
    // Writes every setting back.
    ~CPlayerApp();
    CPlayerApp(const CPlayerApp&) = delete;
    CPlayerApp& operator=(const CPlayerApp&) = delete;

    // The start-up sequence; the process ends when it returns. Always false.
    bool InitInstance();

    // Loads the language chosen last; when there is none or it cannot be
    // loaded, asks for one with the language page. languageReady says
    // whether a language was loaded or chosen.
    void LoadLanguage();

    // Sends the command line to a running window: the seven texts in five
    // pieces each, the fourteen switches and the end mark, each answered
    // before the next goes. Stops when the window stops answering.
    void HandOverToRunningInstance(InstanceConnection& window,
                                   const CPlayerCommandLineInfo& commandLine);

    std::unique_ptr<CSettings> settings;
    int languageReady = 0;
    CLanguageFile language;

private:
    void ShowHelp();
    // False when the run ends here.
    bool DispatchMaintenance();
    // The Qt application: one that exists already, else made here when there
    // is a display; null without one.
    QApplication* Gui();

    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> gui_;
};
