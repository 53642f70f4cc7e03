// The start-up sequence in this process: the language step and the help box,
// with their modal windows answered as a user would.
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "StartupFixture.h"
#include "app/CPlayerApp.h"
#include "dialogs/CLanguagePage.h"
#include "ui/CPlayerDlg.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>
#include <functional>

namespace {

using velvaro::test::ModalDialogWatcher;

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

void Cancel(QDialog& modal) {
    QTest::keyClick(&modal, Qt::Key_Escape);
}

const QStringList kLanguagePage = {QStringLiteral("Velvaro Sprache/Language")};

// Runs `step` on a fresh application object started with `arguments`,
// answering its modal windows with `answer`; returns their titles ("player"
// for the player window).
QStringList RunApp(std::vector<std::string> arguments, const std::function<void(QDialog&)>& answer,
                   const std::function<void(CPlayerApp&)>& step) {
    velvaro::test::ProgramArguments commandLine(std::move(arguments));
    CPlayerApp app(commandLine.Count(), commandLine.Values());
    QStringList seen;
    ModalDialogWatcher<QDialog> user([&](QDialog& modal) {
        seen << (dynamic_cast<CPlayerDlg*>(&modal) ? QStringLiteral("player")
                                                   : modal.windowTitle());
        answer(modal);
    });
    step(app);
    return seen;
}

// What the language step of a fresh application object showed and loaded.
struct LanguageStep {
    int ready = -1;
    QStringList seen;
    CLanguageFile::Source source{};
    int id = -1;
};

LanguageStep RunLanguageStep(const std::function<void(QDialog&)>& answer) {
    LanguageStep step;
    step.seen = RunApp({}, answer, [&step](CPlayerApp& app) {
        app.LoadLanguage();
        step.ready = app.languageReady;
        step.source = app.language.GetSource();
        step.id = app.language.GetResourceId();
    });
    return step;
}

using LanguageStepTest = velvaro::test::StartupTest;

TEST_F(LanguageStepTest, TheFirstStartAsksTheNextFindsTheChoiceAndCancellingLeavesNone) {
    LanguageStep step = RunLanguageStep(Cancel);
    EXPECT_EQ(std::pair(step.ready, step.seen), std::pair(0, kLanguagePage));
    EXPECT_EQ(step.source, CLanguageFile::Source::None);
    EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), std::nullopt);

    step = RunLanguageStep(PickEnglish);
    EXPECT_EQ(std::pair(step.ready, step.seen), std::pair(1, kLanguagePage));
    EXPECT_EQ(std::pair(step.source, step.id), std::pair(CLanguageFile::Source::Resource, 250));
    EXPECT_EQ(velvaro::test::ReadString("LanguageResource"), "IDR_LNG_ENGLISH");

    step = RunLanguageStep(Cancel);
    EXPECT_EQ(std::pair(step.ready, step.seen), std::pair(1, QStringList()));
    EXPECT_EQ(step.id, 250);
}

TEST_F(LanguageStepTest, AStoredChoiceLoadsWithoutAQuestionOrAsksAgainWhenItCannot) {
    std::ofstream(folder() / "data/velvaro/testisch.lng") << "[File]\n|Language| = |Testisch|\n";
    using Source = CLanguageFile::Source;
    const struct {
        DWORD type;
        const char* resource;  // null: no value
        const char* file;
        Source source;  // None: asks again
        int id;
    } cases[] = {
        {0, "IDR_LNG_GERMAN", nullptr, Source::Resource, 248},
        {0, "idr_lng_polski", nullptr, Source::Resource, 286},
        {1, nullptr, "testisch.lng", Source::File, 0},
        {2, nullptr, "testisch.lng", Source::File, 0},
        {0, "IDR_LNG_KLINGON", nullptr, Source::None, 0},  // unknown symbol
        {0, "IDR_MAINFRAME", nullptr, Source::None, 0},    // a symbol that is no language
        {0, nullptr, "english.lng", Source::None, 0},      // type 0 without a resource
        {1, "IDR_LNG_ENGLISH", "klingon.lng", Source::None, 0},
        {1, "IDR_LNG_ENGLISH", nullptr, Source::None, 0},  // type 1 without a file
        {7, "IDR_LNG_ENGLISH", "gone.lng", Source::None, 0},
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
        const LanguageStep step = RunLanguageStep(Cancel);
        const bool loads = c.source != Source::None;
        EXPECT_EQ(step.ready, loads ? 1 : 0);
        EXPECT_EQ(step.seen, loads ? QStringList() : kLanguagePage);
        if (loads) {
            EXPECT_EQ(std::pair(step.source, step.id), std::pair(c.source, c.id));
        }
    }
}

using InitInstanceTest = velvaro::test::StartupTest;

// The help box and nothing else (the empty registry brings no language
// page); cancelling the first question ends the start; a stored language
// goes straight to the player window.
TEST_F(InitInstanceTest, HelpOrCancelEndsTheStartAndAStoredLanguageShowsThePlayer) {
    const auto answer = [](QDialog& modal) {
        if (auto* box = dynamic_cast<QMessageBox*>(&modal)) {
            EXPECT_EQ(box->text().toStdString(), CPlayerCommandLineInfo::HelpText());
            return box->button(QMessageBox::Ok)->click();
        }
        dynamic_cast<CPlayerDlg*>(&modal) ? void(modal.close()) : Cancel(modal);
    };
    const QStringList help = {QStringLiteral("Velvaro command line parameters")};
    const QStringList player = {QStringLiteral("player")};
    const struct {
        std::vector<std::string> arguments;
        bool choose;
        QStringList seen;
        int ready;
    } cases[] = {
        {{"/play", "/help", "/fullscreen"}, false, help, 0},
        {{"/?"}, false, help, 0},
        {{"/play"}, false, kLanguagePage, 0},
        {{}, true, player, 1},
    };
    for (const auto& c : cases) {
        if (c.choose) {
            EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), std::nullopt);
            ChooseEnglish();
        }
        int ready = -1, id = -1;
        EXPECT_EQ(RunApp(c.arguments, answer,
                         [&](CPlayerApp& app) {
                             EXPECT_FALSE(app.InitInstance());
                             ready = app.languageReady;
                             id = app.language.GetResourceId();
                         }),
                  c.seen);
        EXPECT_EQ(ready, c.ready) << c.seen.join(u',').toStdString();
        EXPECT_TRUE(!ready || id == 250);
    }
}

}  // namespace
