// The start-up sequence in this process: the language step, then what the
// command line asks for, with the modal windows answered as a user would.
#include "QtPrinting.h"
#include "StartupFixture.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <QTableWidget>
#include <QTest>

#include <fstream>

namespace {

using namespace velvaro::test;
using Source = CLanguageFile::Source;

// Picks English on the language page and presses OK.
void PickEnglish(QDialog& modal) {
    auto* list = modal.findChild<QTableWidget*>(QStringLiteral("IDC_LANGUAGELIST"));
    ASSERT_NE(list, nullptr) << "not the language page: " << modal.windowTitle().toStdString();
    const QList<QTableWidgetItem*> found =
        list->findItems(QStringLiteral("English"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->selectRow(found.front()->row());
    QTest::mouseClick(modal.findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_OK")),
                      Qt::LeftButton);
}

// What the language step of a fresh application object showed and loaded.
struct LanguageStep {
    int ready = -1;
    std::vector<Shown> seen;
    Source source{};
    int id = -1;
};

LanguageStep RunLanguageStep(const std::function<void(QDialog&)>& answer = [](QDialog& modal) {
    modal.close();
}) {
    ProgramArguments commandLine({});
    CPlayerApp app(commandLine.count, commandLine.pointers.data());
    User user(answer);
    app.LoadLanguage();
    return {app.languageReady, user.seen, app.language.GetSource(), app.language.GetResourceId()};
}

using LanguageStepTest = StartupTest;

TEST_F(LanguageStepTest, TheFirstStartAsksAndStoresTheChoiceAndCancellingLeavesNone) {
    LanguageStep step = RunLanguageStep();
    EXPECT_EQ(std::pair(step.ready, step.seen), std::pair(0, std::vector{kLanguagePage}));
    EXPECT_EQ(step.source, Source::None);
    EXPECT_EQ(ReadDword("LanguageType"), std::nullopt);

    step = RunLanguageStep(PickEnglish);
    EXPECT_EQ(std::pair(step.ready, step.seen), std::pair(1, std::vector{kLanguagePage}));
    EXPECT_EQ(std::pair(step.source, step.id), std::pair(Source::Resource, 250));
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_ENGLISH");
}

TEST_F(LanguageStepTest, AStoredChoiceLoadsWithoutAQuestionOrAsksAgainWhenItCannot) {
    std::ofstream(folder() / "data/velvaro/testisch.lng") << "[File]\n|Language| = |Testisch|\n";
    const struct {
        DWORD type;
        const char* resource;  // null: no value
        const char* file;
        Source source;  // None: asks again
        int id;
    } cases[] = {
        {0, "idr_lng_polski", nullptr, Source::Resource, 286},
        {2, nullptr, "testisch.lng", Source::File, 0},  // any type but 0 names a file
        {0, "IDR_LNG_KLINGON", nullptr, Source::None, 0},
        {0, "IDR_MAINFRAME", nullptr, Source::None, 0},  // a symbol that is no language
        {0, nullptr, "english.lng", Source::None, 0},
        {1, "IDR_LNG_ENGLISH", "klingon.lng", Source::None, 0},
        {1, "IDR_LNG_ENGLISH", nullptr, Source::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        RegKey settings;
        ASSERT_EQ(settings.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey), ERROR_SUCCESS);
        settings.DeleteValue("LanguageResource");
        settings.DeleteValue("LanguageFile");
        settings.SetDWORD("LanguageType", c.type);
        if (c.resource) {
            settings.SetString("LanguageResource", c.resource);
        }
        if (c.file) {
            settings.SetString("LanguageFile", c.file);
        }
        const LanguageStep step = RunLanguageStep();
        const bool loads = c.source != Source::None;
        EXPECT_EQ(step.ready, loads ? 1 : 0);
        EXPECT_EQ(step.seen, loads ? std::vector<Shown>() : std::vector{kLanguagePage});
        if (loads) {
            EXPECT_EQ(std::pair(step.source, step.id), std::pair(c.source, c.id));
        }
    }
}

using InitInstanceTest = StartupTest;

// Help ends the start before anything else, and so does a cancelled language
// page. Then the update steps run: step 2 goes on to the player window, step
// 1 ends the run. Nothing named after this program is there, so both report
// file errors.
TEST_F(InitInstanceTest, HelpLanguageAndUpdateStepsComeBeforeThePlayerOrEndTheStart) {
    const std::string self = velvaro::platform::ProgramFile();
    ASSERT_FALSE(std::filesystem::exists(self + ".tmp1.exe"));
    ASSERT_FALSE(std::filesystem::exists(self.substr(0, self.size() - 9)));
    const Shown help = {QStringLiteral("Velvaro command line parameters"),
                        QString::fromStdString(CPlayerCommandLineInfo::HelpText())};
    const struct {
        std::vector<std::string> arguments;
        bool choose;
        std::vector<Shown> seen;
    } cases[] = {
        {{"/play", "/help", "/fullscreen"}, false, {help}},
        {{"/play"}, false, {kLanguagePage}},
        {{}, true, {kPlayer}},
        {{"/update_step_2"}, true, {kTemporaryFileLeft, kPlayer}},
        {{"/update_step_1", "/update_step_2"}, true, {kNotFound}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "no arguments" : c.arguments.front());
        if (c.choose) {
            ChooseEnglish();
        }
        User user;
        EXPECT_FALSE(RunInitInstance(c.arguments));
        EXPECT_EQ(user.seen, c.seen);
    }
}

}  // namespace
