#include "CPlayerApp.h"

#include "CommandLine.h"

#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace {

// Without any display a message box cannot be shown, and Qt would abort.
bool HaveDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

}  // namespace

CPlayerApp::CPlayerApp(int& argc, char** argv)
    : settings(std::make_unique<CSettings>(1)), argc_(argc), argv_(argv) {}

CPlayerApp::~CPlayerApp() {
    settings.reset();
}

QApplication* CPlayerApp::Gui() {
    if (!gui_ && HaveDisplay()) {
        gui_ = std::make_unique<QApplication>(argc_, argv_);
    }
    return gui_.get();
}

bool CPlayerApp::InitInstance() {
    CPlayerCommandLineInfo commandLine(this);
    ParseCommandLine(commandLine, std::vector<std::string>(argv_ + 1, argv_ + argc_));

    if (commandLine.GetHelp()) {
        ShowHelp();
        return false;
    }
    return false;
}

void CPlayerApp::ShowHelp() {
    const std::string text = CPlayerCommandLineInfo::HelpText();
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (Gui()) {
        QMessageBox box(QMessageBox::NoIcon,
                        QString::fromLatin1(CPlayerCommandLineInfo::HelpCaption()),
                        QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
    }
}
