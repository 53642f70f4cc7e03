// What the start-up tests share: a registry, data folder and instance folder
// of their own, and a watcher that answers the modal windows start-up shows.
#pragma once

#include "TestRegistry.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velvaro::test {

// Answers every modal window that comes up while it lives, and notes its
// caption. A window the answer leaves open is cancelled after a while, so a
// test never hangs.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Look(); });
        poll_.start(10);
    }

    std::vector<QString> seen;

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current_.data()) {
            if (modal && ++ticks_ > 500) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    dialog->reject();
                }
            }
            return;
        }
        current_ = modal;
        ticks_ = 0;
        seen.push_back(modal->windowTitle());
        answer_(modal);
    }

    std::function<void(QWidget*)> answer_;
    QTimer poll_;
    QPointer<QWidget> current_;
    int ticks_ = 0;
};

class StartupTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        std::filesystem::create_directories(folder().path() / "data" / "velvaro");
        std::filesystem::create_directories(folder().path() / "config");
        std::filesystem::create_directories(folder().path() / "run");
        Remember("XDG_DATA_HOME", folder() / "data");
        Remember("XDG_CONFIG_HOME", folder() / "config");
        Remember("VELVARO_INSTANCE_DIR", folder() / "run");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        RegistryTest::TearDown();
    }

    void WriteLanguageFile(const std::string& name, const std::string& text) const {
        std::ofstream(folder() / ("data/velvaro/" + name), std::ios::binary) << text;
    }
    static void StoreDword(const char* name, DWORD value) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey), ERROR_SUCCESS);
        key.SetDWORD(name, value);
    }
    static void StoreString(const char* name, const std::string& value) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey), ERROR_SUCCESS);
        key.SetString(name, value);
    }
    static std::string StoredString(const char* name) {
        RegKey key;
        std::string value = "<none>";
        if (key.Open(HKEY_CURRENT_USER, velvaro::kSettingsKey) == ERROR_SUCCESS) {
            key.QueryString(name, &value);
        }
        return value;
    }
    static bool HasValue(const char* name) {
        RegKey key;
        DWORD value = 0;
        return key.Open(HKEY_CURRENT_USER, velvaro::kSettingsKey) == ERROR_SUCCESS &&
               key.QueryDWORD(name, &value) == ERROR_SUCCESS;
    }

private:
    void Remember(const std::string& name, const std::string& value) {
        const char* previous = std::getenv(name.c_str());
        saved_.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace velvaro::test
