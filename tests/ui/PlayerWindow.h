// A real player window on a real engine, with its own registry, driven
// through its window procedure.
#pragma once

#include "EventLoop.h"
#include "TestRegistry.h"
#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "engine/VideoWidget.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/VirtualKeys.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/CPlayerDlg.h"
#include "ui/ToolStrip.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velvaro::test {

inline std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

inline bool WaitFor(const std::function<bool()>& done, int milliseconds = 8000) {
    return RunEventsUntil(done, milliseconds);
}

inline void Spin(int milliseconds) {
    RunEventsFor(milliseconds);
}

// What a window should show; only the fields that are set are compared.
struct Expected {
    std::optional<QString> title;
    std::optional<int> playState;
    std::optional<std::vector<int>> enabledCommands;
    std::optional<std::vector<int>> greyedCommands;
    std::optional<std::vector<int>> enabledButtons;
    std::optional<std::vector<int>> indeterminateButtons;
};

class PlayerWindowTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        settings = std::make_unique<CSettings>(0);
        settings->BuildDefaultAssociations();
        language.LoadResource(IDR_LNG_ENGLISH);
    }
    void TearDown() override {
        window.reset();
        settings.reset();
        RegistryTest::TearDown();
    }

    // Builds and shows the window; `file` becomes the command-line medium.
    void Start(const std::string& file = {}) {
        if (!file.empty()) {
            commandLine.SetFileName(file);
        }
        window = std::make_unique<CPlayerDlg>(&commandLine, &language, settings.get());
        window->OnInitDialog();
        window->show();
        if (!file.empty()) {
            ASSERT_TRUE(WaitFor([this] { return window->Player() != nullptr; }));
            ASSERT_TRUE(WaitFor([this] { return window->PlayState() != 0 || !autoPlays(); }));
        } else {
            Spin(50);
        }
    }
    bool autoPlays() const { return settings->startMediaAutomatically != 0; }

    void OpenFile(const std::string& path) {
        window->OpenMedia(QString::fromStdString(path), false);
        ASSERT_TRUE(WaitFor([this] { return window->PlayState() != 0 || !autoPlays(); }));
    }

    // Answers the next message box with OK, keeping its caption.
    void AnswerMessageBox(std::string* caption) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, caption] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                *caption = box->windowTitle().toStdString();
                box->accept();
                poll->deleteLater();
            }
        });
        poll->start(20);
    }

    LRESULT Command(int id) { return SendMessage(window.get(), WM_COMMAND, MakeWParam(id, 0), 0); }
    void Key(UINT key) { SendMessage(window.get(), WM_PLAYER_KEYDOWN, key, 0); }
    void KeyUp(UINT key) { SendMessage(window.get(), WM_PLAYER_KEYUP, key, 0); }

    bool Enabled(int id) const { return window->Menus().IsEnabled(id); }
    bool Checked(int id) const { return window->Menus().IsChecked(id); }
    bool ButtonEnabled(int id) const {
        const QAction* button = window->ToolButton(id);
        return button && button->isEnabled();
    }
    // The engine's video window (it has no meta-object of its own to find it by).
    VideoWidget* Video() const {
        for (QObject* child : window->ClientArea()->children()) {
            if (auto* video = dynamic_cast<VideoWidget*>(child)) {
                return video;
            }
        }
        return nullptr;
    }
    int VideoAreaHeight() const {
        int width = 0;
        int height = 0;
        window->GetVideoAreaSize(&width, &height);
        return height;
    }

    void ExpectState(const Expected& expected) const {
        if (expected.title) {
            EXPECT_EQ(window->windowTitle(), *expected.title);
        }
        if (expected.playState) {
            EXPECT_EQ(window->PlayState(), *expected.playState);
        }
        for (int id : expected.enabledCommands.value_or(std::vector<int>{})) {
            EXPECT_TRUE(Enabled(id)) << "command " << id;
        }
        for (int id : expected.greyedCommands.value_or(std::vector<int>{})) {
            EXPECT_FALSE(Enabled(id)) << "command " << id;
        }
        for (int id : expected.enabledButtons.value_or(std::vector<int>{})) {
            EXPECT_TRUE(ButtonEnabled(id)) << "button " << id;
        }
        for (int id : expected.indeterminateButtons.value_or(std::vector<int>{})) {
            EXPECT_FALSE(ButtonEnabled(id)) << "button " << id;
        }
    }

    CMaintenanceFlags flags;
    CPlayerCommandLineInfo commandLine{&flags};
    CLanguageFile language;
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<CPlayerDlg> window;
};

}  // namespace velvaro::test
