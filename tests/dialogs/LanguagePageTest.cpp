// The language page on its own and as a page, driven as a user would.
#include "TestRegistry.h"
#include "dialogs/CLanguagePage.h"
#include "i18n/CLanguageFile.h"
#include "i18n/LanguageCatalogue.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

constexpr const char* kTestLanguage =
    "[File]\n|Language| = |Testisch|\n|Version| = |0.9|\n|Creator| = |Tester|\n"
    "[Code]\n|LANGUAGE| = |Sprooch|\n|VERSION| = |Stand|\n|CREATOR| = |Macher|\n";

class LanguagePageTest : public velvaro::test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        hadDataHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        dataHome_ = qgetenv("XDG_DATA_HOME");
        std::filesystem::create_directories(folder().path() / "data" / "velvaro");
        std::ofstream(folder() / "data/velvaro/testisch.lng", std::ios::binary) << kTestLanguage;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder() / "data"));
    }
    void TearDown() override {
        if (hadDataHome_) {
            qputenv("XDG_DATA_HOME", dataHome_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
        RegistryTest::TearDown();
    }

    // Runs the page on its own; `answer` acts on it once it is shown (a
    // test that leaves it open has it cancelled).
    int RunStandAlone(CLanguagePage& page, const std::function<void(CLanguagePage&)>& answer) {
        QTimer poll;
        bool answered = false;
        QObject::connect(&poll, &QTimer::timeout, &page, [&] {
            if (!answered && page.isVisible() && QApplication::activeModalWidget() == &page) {
                answered = true;
                answer(page);
                if (page.isVisible()) {
                    QTimer::singleShot(50, &page, [&page] { page.reject(); });
                }
            }
        });
        poll.start(10);
        QTimer::singleShot(10000, &page, [&page] { page.reject(); });  // never hang
        const int result = page.DoModalStandAlone();
        EXPECT_TRUE(answered);
        return result;
    }

    static QTableWidget* List(CLanguagePage& page) {
        return page.findChild<QTableWidget*>(QStringLiteral("IDC_LANGUAGELIST"));
    }
    static QPushButton* OkButton(CLanguagePage& page) {
        return page.findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_OK"));
    }
    static int RowOf(QTableWidget* list, const QString& language) {
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->item(row, 0)->text() == language) {
                return row;
            }
        }
        return -1;
    }
    static void DoubleClick(QTableWidget* list, int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void Click(QTableWidget* list, int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    struct Stored {
        DWORD type = 0xFFFFFFFF;
        std::string resource = "<none>";
        std::string file = "<none>";
    };
    static Stored StoredChoice() {
        Stored stored;
        RegKey key;
        if (key.Open(HKEY_CURRENT_USER, velvaro::kSettingsKey) == ERROR_SUCCESS) {
            key.QueryDWORD("LanguageType", &stored.type);
            key.QueryString("LanguageResource", &stored.resource);
            key.QueryString("LanguageFile", &stored.file);
        }
        return stored;
    }

    CLanguageFile language_;
    CSettings settings_{0};

private:
    bool hadDataHome_ = false;
    QByteArray dataHome_;
};

TEST_F(LanguagePageTest, OnItsOwnItListsEveryLanguageUnderCaptionsInBothLanguages) {
    const std::vector<LanguageChoice> choices = ListLanguages();
    ASSERT_EQ(choices.size(), 13u) << "twelve built in and the test's file";
    CLanguagePage page(language_, settings_);
    RunStandAlone(page, [&](CLanguagePage& shown) {
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Velvaro Sprache/Language"));
        QTableWidget* list = List(shown);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->columnCount(), 3);
        EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("Sprache/Language"));
        EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("Version"));
        EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QStringLiteral("Autor/Creator"));
        ASSERT_EQ(list->rowCount(), static_cast<int>(choices.size()));
        for (int row = 0; row < list->rowCount(); ++row) {
            const LanguageChoice& choice = choices[static_cast<std::size_t>(row)];
            EXPECT_EQ(list->item(row, 0)->text(), choice.language) << row;
            EXPECT_EQ(list->item(row, 1)->text(), choice.version) << row;
            EXPECT_EQ(list->item(row, 2)->text(), choice.creator) << row;
            EXPECT_FALSE(list->item(row, 0)->icon().isNull()) << row;
        }
        EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("Deutsch"));
        EXPECT_EQ(list->item(12, 0)->text(), QStringLiteral("Testisch"));
        EXPECT_EQ(list->selectedItems().size(), 0);
        // Built-in rows carry the program's picture, file rows a text file's.
        const auto image = [&](int row) {
            return list->item(row, 0)->icon().pixmap(16, 16).toImage();
        };
        EXPECT_EQ(image(0), QIcon(QStringLiteral(":/ICON/128-16")).pixmap(16, 16).toImage());
        EXPECT_EQ(image(12), QIcon(QStringLiteral(":/ICON/138")).pixmap(16, 16).toImage());
        EXPECT_NE(image(0), image(12));
        // Columns at a quarter, 15 % and 45 % of the list's width.
        const int width = list->viewport()->width();
        EXPECT_EQ(list->columnWidth(0), width * 25 / 100);
        EXPECT_EQ(list->columnWidth(1), width * 15 / 100);
        EXPECT_EQ(list->columnWidth(2), width * 45 / 100);
        ASSERT_NE(OkButton(shown), nullptr);
        EXPECT_TRUE(OkButton(shown)->isVisible());
    });
}

TEST_F(LanguagePageTest, OkOrEnterLoadsTheSelectedBuiltInLanguageAndStoresTheChoice) {
    for (const bool withEnter : {false, true}) {
        CLanguageFile language;
        CSettings settings(0);
        CLanguagePage page(language, settings);
        const int result = RunStandAlone(page, [&](CLanguagePage& shown) {
            QTableWidget* list = List(shown);
            const int english = RowOf(list, QStringLiteral("English"));
            ASSERT_GE(english, 0);
            list->selectRow(english);
            if (withEnter) {
                QTest::keyClick(list, Qt::Key_Return);
            } else {
                QTest::mouseClick(OkButton(shown), Qt::LeftButton);
            }
        });
        EXPECT_EQ(result, QDialog::Accepted) << withEnter;
        EXPECT_EQ(language.GetSource(), CLanguageFile::Source::Resource);
        EXPECT_EQ(language.GetResourceId(), 250);
        EXPECT_EQ(language.GetCodeText(QStringLiteral("LANGUAGE")), QStringLiteral("Language"));
        EXPECT_EQ(settings.languageType, 0);
        EXPECT_EQ(settings.languageResource, "IDR_LNG_ENGLISH");
        const Stored stored = StoredChoice();
        EXPECT_EQ(stored.type, 0u);
        EXPECT_EQ(stored.resource, "IDR_LNG_ENGLISH");
        EXPECT_EQ(stored.file, "<none>");
    }
}

TEST_F(LanguagePageTest, DoubleClickLoadsALanguageFileAndStoresTheChoice) {
    CLanguagePage page(language_, settings_);
    const int result = RunStandAlone(page, [&](CLanguagePage& shown) {
        QTableWidget* list = List(shown);
        DoubleClick(list, RowOf(list, QStringLiteral("Testisch")));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
    EXPECT_EQ(language_.GetFileName(), QStringLiteral("testisch.lng"));
    EXPECT_EQ(language_.GetCodeText(QStringLiteral("CREATOR")), QStringLiteral("Macher"));
    EXPECT_EQ(settings_.languageType, 1);
    EXPECT_EQ(settings_.languageFile, "testisch.lng");
    const Stored stored = StoredChoice();
    EXPECT_EQ(stored.type, 1u);
    EXPECT_EQ(stored.file, "testisch.lng");
    EXPECT_EQ(stored.resource, "<none>");
}

TEST_F(LanguagePageTest, CancelLoadsAndStoresNothing) {
    CLanguagePage page(language_, settings_);
    const int result = RunStandAlone(page, [&](CLanguagePage& shown) {
        QTableWidget* list = List(shown);
        // OK without a selection does nothing; a single click only selects.
        QTest::mouseClick(OkButton(shown), Qt::LeftButton);
        EXPECT_TRUE(shown.isVisible());
        Click(list, RowOf(list, QStringLiteral("Polski")));
        EXPECT_TRUE(shown.isVisible());
        QTest::keyClick(&shown, Qt::Key_Escape);
        EXPECT_FALSE(shown.isVisible());
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
    EXPECT_EQ(settings_.languageType, -1);
    EXPECT_EQ(settings_.languageResource, "");
    EXPECT_EQ(StoredChoice().type, 0xFFFFFFFFu);
}

TEST_F(LanguagePageTest, AsAPageAClickChoosesForTheWorkingCopyOnly) {
    ASSERT_EQ(language_.LoadFile(QStringLiteral("testisch.lng")), 0);
    settings_.languageType = 0;
    settings_.languageResource = "idr_lng_magyar";
    QWidget settingsDialog;
    settingsDialog.resize(600, 400);
    CLanguagePage page(language_, settings_, &settingsDialog);
    settingsDialog.show();
    page.show();
    QTableWidget* list = List(page);
    EXPECT_FALSE(page.isWindow());
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("Sprooch"));
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("Stand"));
    EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QStringLiteral("Macher"));
    EXPECT_FALSE(OkButton(page)->isVisible());
    // The language in use is selected.
    ASSERT_EQ(list->selectedItems().size(), 3);
    EXPECT_EQ(list->selectedItems().front()->text(), QStringLiteral("Magyar"));

    Click(list, RowOf(list, QStringLiteral("Testisch")));
    EXPECT_EQ(settings_.languageType, 1);
    EXPECT_EQ(settings_.languageFile, "testisch.lng");
    EXPECT_EQ(settings_.languageChanged, 1);
    Click(list, RowOf(list, QStringLiteral("Nederlands")));
    EXPECT_EQ(settings_.languageType, 0);
    EXPECT_EQ(settings_.languageResource, "IDR_LNG_NEDERLANDS");
    // Enter, Escape and double clicks neither close the page nor load anything.
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Escape);
    DoubleClick(list, RowOf(list, QStringLiteral("English")));
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::File);
    EXPECT_EQ(StoredChoice().type, 0xFFFFFFFFu);
}

}  // namespace
