// What the start-up tests share: a registry, data folder and instance folder
// of their own, and the language already chosen unless a test says otherwise.
#pragma once

#include "SettingsValues.h"
#include "TestRegistry.h"

#include <filesystem>

namespace velvaro::test {

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
