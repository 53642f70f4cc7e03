// What the start-up tests share: a registry, data folder and instance folder
// of their own, and the language already chosen unless a test says otherwise.
#pragma once

#include "SettingsValues.h"
#include "TestRegistry.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velvaro::test {

// A command line as the program gets it: its name first, a null after the
// last argument. It must outlive the application object made from it.
class ProgramArguments {
public:
    explicit ProgramArguments(std::vector<std::string> arguments) : strings_(std::move(arguments)) {
        strings_.insert(strings_.begin(), "velvaro");
        for (std::string& argument : strings_) {
            pointers_.push_back(argument.data());
        }
        pointers_.push_back(nullptr);
        count_ = static_cast<int>(strings_.size());
    }
    int& Count() { return count_; }
    char** Values() { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

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
