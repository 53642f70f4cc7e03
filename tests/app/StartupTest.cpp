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

// argc and argv as main() gets them.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> arguments) : text_(std::move(arguments)) {
        text_.insert(text_.begin(), "velvaro");
        for (std::string& argument : text_) {
            pointers_.push_back(argument.data());
        }
        pointers_.push_back(nullptr);
        count_ = static_cast<int>(text_.size());
    }
    int& Count() { return count_; }
    char** Values() { return pointers_.data(); }

private:
    std::vector<std::string> text_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

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

// What the language step of a fresh application object showed and loaded.
struct LanguageStep {
    int ready = -1;
    QStringList seen;
    CLanguageFile::Source source{};
    int id = -1;
};

LanguageStep RunLanguageStep(const std::function<void(QDialog&)>& answer) {
    Arguments arguments({});
    CPlayerApp app(arguments.Count(), arguments.Values());
    LanguageStep step;
    ModalDialogWatcher<QDialog> user([&](QDialog& modal) {
        step.seen << modal.windowTitle();
        answer(modal);
    });
    app.LoadLanguage();
    step.ready = app.languageReady;
    step.source = app.language.GetSource();
    step.id = app.language.GetResourceId();
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
        const std::string what = std::to_string(c.type) + " " + (c.resource ? c.resource : "-") +
                                 " " + (c.file ? c.file : "-");
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
        EXPECT_EQ(step.ready, loads ? 1 : 0) << what;
        EXPECT_EQ(step.seen, loads ? QStringList() : kLanguagePage) << what;
        if (loads) {
            EXPECT_EQ(std::pair(step.source, step.id), std::pair(c.source, c.id)) << what;
        }
    }
}

using InitInstanceTest = velvaro::test::StartupTest;

TEST_F(InitInstanceTest, HelpShowsTheHelpBoxAndNothingElse) {
    for (const char* help : {"/help", "/?"}) {
        Arguments arguments({"/play", help, "/fullscreen"});
        CPlayerApp app(arguments.Count(), arguments.Values());
        QStringList seen;
        ModalDialogWatcher<QDialog> user([&](QDialog& modal) {
            seen << modal.windowTitle();
            auto* box = dynamic_cast<QMessageBox*>(&modal);
            if (!box) {
                return modal.reject();
            }
            EXPECT_EQ(box->text().toStdString(), CPlayerCommandLineInfo::HelpText());
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_FALSE(app.InitInstance());
        // The empty registry did not bring up the language page.
        EXPECT_EQ(seen, QStringList{QStringLiteral("Velvaro command line parameters")});
        EXPECT_EQ(app.languageReady, 0);
    }
    EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), std::nullopt);
}

TEST_F(InitInstanceTest, CancellingTheFirstQuestionEndsTheStart) {
    Arguments arguments({"/play"});
    CPlayerApp app(arguments.Count(), arguments.Values());
    QStringList seen;
    ModalDialogWatcher<QDialog> user([&](QDialog& modal) {
        seen << modal.windowTitle();
        Cancel(modal);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(seen, kLanguagePage);
    EXPECT_EQ(app.languageReady, 0);
    EXPECT_EQ(velvaro::test::ReadDword("LanguageType"), std::nullopt);
}

TEST_F(InitInstanceTest, AStoredLanguageGoesStraightToThePlayerWindow) {
    ChooseEnglish();
    Arguments arguments({});
    CPlayerApp app(arguments.Count(), arguments.Values());
    QStringList seen;
    ModalDialogWatcher<QDialog> user([&](QDialog& modal) {
        seen << (dynamic_cast<CPlayerDlg*>(&modal) ? QStringLiteral("player")
                                                   : modal.windowTitle());
        modal.close();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(seen, QStringList{QStringLiteral("player")});
    EXPECT_EQ(app.languageReady, 1);
    EXPECT_EQ(app.language.GetResourceId(), 250);
}

}  // namespace
