// What the start-up tests share: a registry, data folder and instance folder
// of their own, the language chosen when a test says so, and a user who
// answers the modal windows and notes each of them.
#pragma once

#include "ModalDialogWatcher.h"
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "app/CPlayerApp.h"
#include "ui/CPlayerDlg.h"

#include <QMessageBox>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace velvaro::test {

// A command line as the program gets it: its name first, a null after the
// last argument. It must outlive the application object made from it.
struct ProgramArguments {
    explicit ProgramArguments(std::vector<std::string> arguments) : strings(std::move(arguments)) {
        strings.insert(strings.begin(), "velvaro");
        for (std::string& argument : strings) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        count = static_cast<int>(strings.size());
    }
    std::vector<std::string> strings;
    std::vector<char*> pointers;
    int count = 0;
};

// One showing of a modal window: a message box with its caption, text and
// icon, or another window by its title ("player" for the player window).
struct Shown {
    QString caption;
    QString text = QString();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool operator==(const Shown&) const = default;
};

inline void PrintTo(const Shown& shown, std::ostream* out) {
    *out << '{' << shown.caption.toStdString() << " | " << shown.text.toStdString() << " | "
         << shown.icon << '}';
}

inline const Shown kPlayer = {QStringLiteral("player")};
inline const Shown kLanguagePage = {QStringLiteral("Velvaro Sprache/Language")};

inline Shown UpdateBox(const std::string& text, QMessageBox::Icon icon = QMessageBox::Critical) {
    return {QStringLiteral("Vel-Varo Update"), QString::fromStdString(text), icon};
}
inline const Shown kTemporaryFileLeft =
    UpdateBox("Error occured while deleting temporary file! Anyway, update was successful!");
inline const Shown kNotFound = UpdateBox("File error occured: The file could not be located.");

// Presses OK on every box and answers other windows with `answer`, which
// closes them unless told otherwise; notes each.
class User {
public:
    explicit User(std::function<void(QDialog&)> answer = [](QDialog& modal) { modal.close(); })
        : watcher_([this, answer](QDialog& modal) {
              if (auto* box = dynamic_cast<QMessageBox*>(&modal)) {
                  seen.push_back({box->windowTitle(), box->text(), box->icon()});
                  EXPECT_EQ(box->parentWidget(), nullptr) << "a box without owner";
                  return box->button(QMessageBox::Ok)->click();
              }
              seen.push_back(dynamic_cast<CPlayerDlg*>(&modal) ? kPlayer
                                                               : Shown{modal.windowTitle()});
              answer(modal);
          }) {}
    std::vector<Shown> seen;

private:
    ModalDialogWatcher<QDialog> watcher_;
};

// Runs the start-up sequence of a fresh application object started with
// `arguments`; what it returned. The object is gone afterwards, so that what
// it writes back at its end is written.
inline bool RunInitInstance(std::vector<std::string> arguments) {
    ProgramArguments commandLine(std::move(arguments));
    CPlayerApp app(commandLine.count, commandLine.pointers.data());
    return app.InitInstance();
}

class StartupTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        for (const char* name : {"data/velvaro", "config", "run"}) {
            std::filesystem::create_directories(folder().path() / name);
        }
        environment_.Set("XDG_DATA_HOME", folder() / "data");
        environment_.Set("XDG_CONFIG_HOME", folder() / "config");
        environment_.Set("VELVARO_INSTANCE_DIR", folder() / "run");
    }
    static void ChooseEnglish() {
        Write("LanguageType", 0);
        Write("LanguageResource", std::string("IDR_LNG_ENGLISH"));
    }

private:
    ScopedEnvironment environment_;
};

}  // namespace velvaro::test
