// The application object: owns the settings for the life of the process and
// runs the start-up sequence.
#pragma once

#include "CPlayerCommandLineInfo.h"
#include "CSettings.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

class CPlayerApp : public CMaintenanceFlags {
public:
    // Loads every setting at once.
    CPlayerApp(int& argc, char** argv);
    // Writes every setting back.
    ~CPlayerApp();
    CPlayerApp(const CPlayerApp&) = delete;
    CPlayerApp& operator=(const CPlayerApp&) = delete;

    // The start-up sequence; the process ends when it returns.
    bool InitInstance();

    std::unique_ptr<CSettings> settings;
    int languageReady = 0;

private:
    void ShowHelp();
    // The Qt application, made when the first window needs it.
    QApplication* Gui();

    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> gui_;
};
