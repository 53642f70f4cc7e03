#include "CPlayerApp.h"
#include "Maintenance.h"

#include "dialogs/CLanguagePage.h"
#include "engine/MediaFramework.h"
#include "platform/DisplayConnection.h"
#include "platform/InstanceChannel.h"
#include "platform/Paths.h"
#include "platform/ProgramFileLock.h"
#include "platform/TerminationSignals.h"
#include "platform/UiStallProbe.h"
#include "platform/WindowMessage.h"
#include "settings/CommandLine.h"
#include "settings/HandOverRecords.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"
#include "ui/CPlayerDlg.h"

#include <QMessageBox>
#include <QString>

#include <array>
#include <cstdio>
#include <vector>

namespace {

using namespace hand_over;

// Without any display a window cannot be shown. An empty variable names none.
bool HaveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The text cut into its pieces at character offsets 0, 255, 510, 765 and
// 1020. Characters, not UTF-16 units, so no piece ends inside a character.
std::array<QString, kPieces> CutIntoPieces(const QString& text) {
    std::vector<qsizetype> starts;  // where each character begins
    for (qsizetype i = 0; i < text.size(); ++i) {
        starts.push_back(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
    std::array<QString, kPieces> pieces;
    for (int piece = 0; piece < kPieces; ++piece) {
        const std::size_t first = static_cast<std::size_t>(piece * kPieceLength);
        if (first >= starts.size()) {
            break;
        }
        const std::size_t end = first + kPieceLength;
        const qsizetype to = end < starts.size() ? starts[end] : text.size();
        pieces[static_cast<std::size_t>(piece)] = text.mid(starts[first], to - starts[first]);
    }
    return pieces;
}

}  // namespace

CPlayerApp::CPlayerApp(int& argc, char** argv)
    : settings(std::make_unique<CSettings>(1)), argc_(argc), argv_(argv) {}

CPlayerApp::~CPlayerApp() {
    settings.reset();
}

QApplication* CPlayerApp::Gui() {
    if (auto* running = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return running;
    }
    if (!gui_ && HaveDisplay()) {
        velvaro::platform::MakeApplicationOnDisplay(
            [this] { gui_ = std::make_unique<QApplication>(argc_, argv_); });
    }
    return gui_.get();
}

bool CPlayerApp::InitInstance() {
    // Held until the process ends, so that an update knows when it may
    // replace the program file.
    velvaro::platform::HoldProgramFileLock(velvaro::platform::ProgramFile());
    CPlayerCommandLineInfo commandLine(this);
    ParseCommandLine(commandLine, std::vector<std::string>(argv_ + 1, argv_ + argc_));

    if (commandLine.GetHelp()) {
        ShowHelp();
        return false;
    }
    // From here on every way ends in a window: the language page, the player
    // window, or the running player's, whose channel needs the application.
    if (!Gui()) {
        std::fputs(
            "velvaro: no display to show a window on (DISPLAY, WAYLAND_DISPLAY and "
            "QT_QPA_PLATFORM are all unset)\n",
            stderr);
        return false;
    }
    OnTerminationSignals([] { QApplication::closeAllWindows(); });

    LoadLanguage();
    if (!languageReady || !settings) {
        return false;
    }
    if (!DispatchMaintenance()) {
        return false;
    }

    // A Qt window needs no class registered: the class name lives on as the
    // name of the running window's channel.
    const std::unique_ptr<InstanceConnection> running =
        FindInstanceWindow(QString::fromLatin1(kPlayerWindowClass));
    if (running && settings->singleInstanceMode != 0) {
        HandOverToRunningInstance(*running, commandLine);
        return false;
    }

    // A file to open needs GStreamer at once: its registry loads while the
    // window is made. Not before the application, which sets the locale.
    if (!commandLine.GetFileName().empty()) {
        velvaro::engine::StartMediaFramework();
    }
    // Nothing unless the benchmark's log is on; outlives the window, so its
    // last line comes at the end.
    const auto stallProbe = velvaro::platform::StartUiStallProbe();
    CPlayerDlg dlg(&commandLine, &language, settings.get());
    dlg.exec();
    return false;
}

void CPlayerApp::LoadLanguage() {
    languageReady = 1;
    bool loaded = false;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, velvaro::kSettingsKey, KEY_READ) == ERROR_SUCCESS) {
        DWORD type = 0;
        std::string name;
        if (key.QueryDWORD("LanguageType", &type) == ERROR_SUCCESS) {
            if (type == 0) {
                if (key.QueryString("LanguageResource", &name, 260) == ERROR_SUCCESS) {
                    const int id = language.GetSymbols().GetId(QString::fromStdString(name));
                    loaded = language.LoadResource(id) != CLanguageFile::kLoadFailed;
                }
            } else if (key.QueryString("LanguageFile", &name, 260) == ERROR_SUCCESS) {
                loaded =
                    language.LoadFile(QString::fromStdString(name)) != CLanguageFile::kLoadFailed;
            }
        }
    }
    if (!loaded) {
        languageReady = 0;
        if (settings) {
            CLanguagePage page(language, *settings);
            if (page.DoModalStandAlone() == QDialog::Accepted) {
                languageReady = 1;
            }
        }
    }
    key.Close();
}

bool CPlayerApp::DispatchMaintenance() {
    if (runUninstall) {
        RunUninstall(*settings, language);
        return false;
    }
    if (runUpdateStep1) {
        RunUpdateStep1(velvaro::platform::ProgramFile(), language);
        return false;
    }
    if (runUpdateStep2) {
        RunUpdateStep2(velvaro::platform::ProgramFile(), language);
        // A signal that closed its box ends the run instead of starting the player.
        return !TerminationRequested();
    }
    return true;
}

void CPlayerApp::HandOverToRunningInstance(InstanceConnection& window,
                                           const CPlayerCommandLineInfo& commandLine) {
    for (const TextRecord& field : kTextRecords) {
        const auto pieces = CutIntoPieces(QString::fromStdString((commandLine.*field.get)()));
        for (int piece = 0; piece < kPieces; ++piece) {
            if (!window.SendRecord(field.firstPiece + static_cast<std::uint32_t>(piece),
                                   pieces[static_cast<std::size_t>(piece)])) {
                return;
            }
        }
    }
    for (const SwitchRecord& option : kSwitchRecords) {
        if (!window.SendRecord(option.record, LPARAM{(commandLine.*option.get)() != 0 ? 1 : 0})) {
            return;
        }
    }
    window.SendRecord(static_cast<UINT>(kEndMark), LPARAM{0});
}

void CPlayerApp::ShowHelp() {
    const std::string text = CPlayerCommandLineInfo::HelpText();
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (Gui()) {
        // A signal closes the box as if it were answered.
        OnTerminationSignals([] { QApplication::closeAllWindows(); });
        QMessageBox box(QMessageBox::NoIcon,
                        QString::fromLatin1(CPlayerCommandLineInfo::HelpCaption()),
                        QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
    }
}
