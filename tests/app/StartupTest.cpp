// The start-up sequence in this process: the language step and the help box,
// with their modal windows answered as a user would.
#include "StartupFixture.h"
#include "app/CPlayerApp.h"
#include "dialogs/CLanguagePage.h"
#include "ui/CPlayerDlg.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

using velvaro::test::ModalWatcher;

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

// Picks the row of `language` on the language page and presses OK.
void ChooseLanguage(QWidget* modal, const QString& language) {
    auto* page = dynamic_cast<CLanguagePage*>(modal);
    ASSERT_NE(page, nullptr) << "not the language page: " << modal->windowTitle().toStdString();
    auto* list = page->findChild<QTableWidget*>(QStringLiteral("IDC_LANGUAGELIST"));
    const QList<QTableWidgetItem*> found = list->findItems(language, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->selectRow(found.front()->row());
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_OK")),
                      Qt::LeftButton);
}

void Cancel(QWidget* modal) {
    QTest::keyClick(modal, Qt::Key_Escape);
}

const QString kLanguagePageCaption = QStringLiteral("Velvaro Sprache/Language");

class LanguageStepTest : public velvaro::test::StartupTest {
protected:
    // Runs the language step of a fresh application object.
    int RunLanguageStep(const std::function<void(QWidget*)>& answer,
                        std::vector<QString>* seen = nullptr,
                        CLanguageFile::Source* source = nullptr, int* resourceId = nullptr) {
        Arguments arguments({});
        CPlayerApp app(arguments.Count(), arguments.Values());
        ModalWatcher watcher(answer);
        app.LoadLanguage();
        if (seen) {
            *seen = watcher.seen;
        }
        if (source) {
            *source = app.language.GetSource();
        }
        if (resourceId) {
            *resourceId = app.language.GetResourceId();
        }
        return app.languageReady;
    }
};

TEST_F(LanguageStepTest, TheFirstStartAsksForALanguageAndStoresTheChoice) {
    std::vector<QString> seen;
    CLanguageFile::Source source{};
    int id = 0;
    EXPECT_EQ(
        RunLanguageStep([](QWidget* modal) { ChooseLanguage(modal, QStringLiteral("English")); },
                        &seen, &source, &id),
        1);
    EXPECT_EQ(seen, std::vector<QString>{kLanguagePageCaption});
    EXPECT_EQ(source, CLanguageFile::Source::Resource);
    EXPECT_EQ(id, 250);
    EXPECT_EQ(StoredString("LanguageResource"), "IDR_LNG_ENGLISH");

    // The next start finds it and asks nothing.
    EXPECT_EQ(RunLanguageStep([](QWidget*) {}, &seen, &source, &id), 1);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(id, 250);
}

TEST_F(LanguageStepTest, CancellingTheQuestionLeavesNoLanguage) {
    std::vector<QString> seen;
    CLanguageFile::Source source{};
    EXPECT_EQ(RunLanguageStep(Cancel, &seen, &source), 0);
    EXPECT_EQ(seen, std::vector<QString>{kLanguagePageCaption});
    EXPECT_EQ(source, CLanguageFile::Source::None);
    EXPECT_FALSE(HasValue("LanguageType"));
}

TEST_F(LanguageStepTest, AStoredChoiceThatCannotBeLoadedAsksAgain) {
    struct Stored {
        const char* what;
        DWORD type;
        const char* resource;  // null: no value
        const char* file;
    };
    const Stored cases[] = {
        {"unknown resource symbol", 0, "IDR_LNG_KLINGON", nullptr},
        {"a symbol that is no language", 0, "IDR_MAINFRAME", nullptr},
        {"type 0 without a resource", 0, nullptr, "english.lng"},
        {"missing language file", 1, "IDR_LNG_ENGLISH", "klingon.lng"},
        {"type 1 without a file", 1, "IDR_LNG_ENGLISH", nullptr},
        {"any other type takes a file", 7, "IDR_LNG_ENGLISH", "gone.lng"},
    };
    for (const Stored& stored : cases) {
        RegKey settings;
        ASSERT_EQ(settings.Create(HKEY_CURRENT_USER, velvaro::kSettingsKey), ERROR_SUCCESS);
        settings.DeleteValue("LanguageResource");
        settings.DeleteValue("LanguageFile");
        settings.SetDWORD("LanguageType", stored.type);
        if (stored.resource) {
            settings.SetString("LanguageResource", stored.resource);
        }
        if (stored.file) {
            settings.SetString("LanguageFile", stored.file);
        }
        std::vector<QString> seen;
        EXPECT_EQ(RunLanguageStep(Cancel, &seen), 0) << stored.what;
        EXPECT_EQ(seen, std::vector<QString>{kLanguagePageCaption}) << stored.what;
    }
}

TEST_F(LanguageStepTest, AStoredChoiceThatLoadsAsksNothing) {
    WriteLanguageFile("testisch.lng", "[File]\n|Language| = |Testisch|\n");
    struct Stored {
        DWORD type;
        const char* name;
        CLanguageFile::Source source;
        int id;
    };
    const Stored cases[] = {
        {0, "IDR_LNG_GERMAN", CLanguageFile::Source::Resource, 248},
        {0, "idr_lng_polski", CLanguageFile::Source::Resource, 286},
        {1, "testisch.lng", CLanguageFile::Source::File, 0},
        {2, "testisch.lng", CLanguageFile::Source::File, 0},
    };
    for (const Stored& stored : cases) {
        StoreDword("LanguageType", stored.type);
        StoreString(stored.type == 0 ? "LanguageResource" : "LanguageFile", stored.name);
        std::vector<QString> seen;
        CLanguageFile::Source source{};
        int id = 0;
        EXPECT_EQ(RunLanguageStep(Cancel, &seen, &source, &id), 1) << stored.name;
        EXPECT_TRUE(seen.empty()) << stored.name;
        EXPECT_EQ(source, stored.source) << stored.name;
        EXPECT_EQ(id, stored.id) << stored.name;
    }
}

class InitInstanceTest : public velvaro::test::StartupTest {};

TEST_F(InitInstanceTest, HelpShowsTheHelpBoxAndNothingElse) {
    for (const char* help : {"/help", "/?"}) {
        Arguments arguments({"/play", help, "/fullscreen"});
        CPlayerApp app(arguments.Count(), arguments.Values());
        ModalWatcher watcher([](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text().toStdString(), CPlayerCommandLineInfo::HelpText());
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_FALSE(app.InitInstance());
        // The empty registry did not bring up the language page.
        EXPECT_EQ(watcher.seen,
                  std::vector<QString>{QStringLiteral("Velvaro command line parameters")});
        EXPECT_EQ(app.languageReady, 0);
    }
    EXPECT_FALSE(HasValue("LanguageType"));
}

TEST_F(InitInstanceTest, CancellingTheFirstQuestionEndsTheStart) {
    Arguments arguments({"/play"});
    CPlayerApp app(arguments.Count(), arguments.Values());
    ModalWatcher watcher(Cancel);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(watcher.seen, std::vector<QString>{kLanguagePageCaption});
    EXPECT_EQ(app.languageReady, 0);
    EXPECT_FALSE(HasValue("LanguageType"));
}

TEST_F(InitInstanceTest, AStoredLanguageGoesStraightToThePlayerWindow) {
    StoreDword("LanguageType", 0);
    StoreString("LanguageResource", "IDR_LNG_ENGLISH");
    Arguments arguments({});
    CPlayerApp app(arguments.Count(), arguments.Values());
    bool playerWindow = false;
    ModalWatcher watcher([&](QWidget* modal) {
        playerWindow = dynamic_cast<CPlayerDlg*>(modal) != nullptr;
        modal->close();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(watcher.seen.size(), 1u);
    EXPECT_TRUE(playerWindow);
    EXPECT_EQ(app.languageReady, 1);
    EXPECT_EQ(app.language.GetResourceId(), 250);
}

}  // namespace
