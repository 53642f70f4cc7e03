// A dialog test fixture with a real engine: a file of the test media opened
// into an owner window of its own, and the built-in English texts.
#pragma once

#include "TestRegistry.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "resource.h"

#include <QWidget>

#include <memory>
#include <string>

namespace velvaro::test {

inline std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

class EngineDialogTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(english.LoadResource(IDR_LNG_ENGLISH), 0);
    }
    void TearDown() override {
        engine.reset();
        RegistryTest::TearDown();
    }

    void Open(const std::string& name) {
        const std::string path = Media(name);
        engine = std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &english, &owner,
                                               QString::fromStdString(path).toStdWString(), path, 0,
                                               0, 0);
        ASSERT_EQ(engine->GetOpenResult(), S_OK) << name;
    }

    CLanguageFile english;
    QWidget owner;
    std::unique_ptr<CFilePlayer> engine;
};

}  // namespace velvaro::test
