// The language page on its own and as a page, driven as a user would.
#include "DialogFixture.h"
#include "SettingsValues.h"
#include "UserDataFolder.h"
#include "dialogs/CLanguagePage.h"
#include "settings/CSettings.h"

#include <QHeaderView>
#include <QTableWidget>

#include <functional>

namespace {

using namespace velvaro::test;

constexpr const char* kTestLanguage =
    "[File]\n|Language| = |Testisch|\n|Version| = |0.9|\n|Creator| = |Tester|\n"
    "[Code]\n|LANGUAGE| = |Sprooch|\n|VERSION| = |Stand|\n|CREATOR| = |Macher|\n";

QTableWidget* List(CLanguagePage& page) {
    return Find<QTableWidget>(page, "IDC_LANGUAGELIST");
}

int RowOf(QTableWidget* list, const char* language) {
    const auto found = list->findItems(QString::fromUtf8(language), Qt::MatchExactly);
    return found.size() == 1 ? found.front()->row() : -1;
}

void Click(QTableWidget* list, int row, bool twice = false) {
    const QPoint cell = list->visualRect(list->model()->index(row, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
    if (twice) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    }
}

QString Headers(QTableWidget* list) {
    QStringList headers;
    for (int column = 0; column < list->columnCount(); ++column) {
        headers << list->horizontalHeaderItem(column)->text();
    }
    return headers.join(u'|');
}

// The language choice as stored: type, resource, file.
std::vector<std::optional<std::string>> StoredChoice() {
    const auto type = ReadDword("LanguageType");
    return {type ? std::optional(std::to_string(*type)) : std::nullopt,
            ReadString("LanguageResource"), ReadString("LanguageFile")};
}

class LanguagePageTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        data_.Write("testisch.lng", kTestLanguage);
    }

    // Runs the page on its own; `answer` acts on it once it is shown.
    int RunStandAlone(const std::function<void(CLanguagePage&)>& answer) {
        CLanguagePage page(language_, settings_);
        ModalDialogWatcher<CLanguagePage> user(answer);
        const int result = page.DoModalStandAlone();
        EXPECT_EQ(user.Count(), 1);
        return result;
    }

    CLanguageFile language_;
    CSettings settings_{0};
    UserDataFolder data_;
};

TEST_F(LanguagePageTest, OnItsOwnItListsEveryLanguageUnderCaptionsInBothLanguages) {
    RunStandAlone([&](CLanguagePage& shown) {
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Velvaro Sprache/Language"));
        QTableWidget* list = List(shown);
        EXPECT_EQ(Headers(list), QStringLiteral("Sprache/Language|Version|Autor/Creator"));
        ASSERT_EQ(list->rowCount(), 13) << "twelve built in and the test's file";
        EXPECT_EQ(list->item(0, 0)->text() + list->item(12, 2)->text(),
                  QStringLiteral("DeutschTester"));
        EXPECT_EQ(list->selectedItems().size(), 0);
        // Built-in rows carry the program's picture, file rows a text file's.
        EXPECT_EQ(list->item(12, 0)->icon().pixmap(16, 16).toImage(),
                  QIcon(QStringLiteral(":/ICON/138")).pixmap(16, 16).toImage());
        // Columns at a quarter, 15 % and 45 % of the list's width.
        EXPECT_EQ(list->columnWidth(1), list->viewport()->width() * 15 / 100);
        EXPECT_TRUE(Find<QPushButton>(shown, "IDC_BUTTON_OK")->isVisible());
        shown.reject();
    });
}

TEST_F(LanguagePageTest, OkEnterOrADoubleClickLoadsAndStoresTheChoiceCancelNothing) {
    using Stored = std::vector<std::optional<std::string>>;
    const Stored english{"0", "IDR_LNG_ENGLISH", std::nullopt};
    const auto chooseEnglish = [](bool byEnter) {
        return [byEnter](CLanguagePage& shown) {
            List(shown)->selectRow(RowOf(List(shown), "English"));
            byEnter ? QTest::keyClick(List(shown), Qt::Key_Return) : Press(shown, "IDC_BUTTON_OK");
        };
    };
    const struct {
        std::function<void(CLanguagePage&)> act;
        const char* language;
        Stored stored;
    } ways[] = {
        {chooseEnglish(false), "English", english},
        {chooseEnglish(true), "English", english},
        {[](CLanguagePage& shown) { Click(List(shown), RowOf(List(shown), "Testisch"), true); },
         "Testisch",
         {"1", std::nullopt, "testisch.lng"}},
        // OK without a selection does nothing, a single click only selects.
        {[](CLanguagePage& shown) {
             Press(shown, "IDC_BUTTON_OK");
             Click(List(shown), RowOf(List(shown), "Polski"));
             EXPECT_TRUE(shown.isVisible());
             QTest::keyClick(&shown, Qt::Key_Escape);
         },
         "",
         {std::nullopt, std::nullopt, std::nullopt}},
    };
    for (const auto& way : ways) {
        RegDeleteTree(HKEY_CURRENT_USER, velvaro::kSettingsKey);
        language_ = CLanguageFile();
        settings_ = CSettings(0);
        const bool chosen = way.stored[0].has_value();
        EXPECT_EQ(RunStandAlone(way.act), chosen ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(language_.GetText(QStringLiteral("File"), QStringLiteral("Language")),
                  QString::fromUtf8(way.language));
        EXPECT_EQ(settings_.languageType, chosen ? std::stoi(*way.stored[0]) : -1);
        EXPECT_EQ(StoredChoice(), way.stored);
    }
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
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
    EXPECT_EQ(Headers(list), QStringLiteral("Sprooch|Stand|Macher"));
    EXPECT_FALSE(Find<QPushButton>(page, "IDC_BUTTON_OK")->isVisible());
    // The language in use is selected, its whole row.
    ASSERT_EQ(list->selectedItems().size(), 3);
    EXPECT_EQ(list->selectedItems().front()->text(), QStringLiteral("Magyar"));

    Click(list, RowOf(list, "Testisch"));
    EXPECT_EQ(std::tuple(settings_.languageType, settings_.languageFile, settings_.languageChanged),
              std::tuple(1, std::string("testisch.lng"), 1));
    Click(list, RowOf(list, "Nederlands"));
    EXPECT_EQ(std::pair(settings_.languageType, settings_.languageResource),
              std::pair(0, std::string("IDR_LNG_NEDERLANDS")));
    // Enter, Escape and double clicks neither close the page nor load anything.
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Escape);
    Click(list, RowOf(list, "English"), true);
    EXPECT_TRUE(page.isVisible() && language_.GetSource() == CLanguageFile::Source::File);
    EXPECT_EQ(StoredChoice(), (std::vector<std::optional<std::string>>(3)));
}

}  // namespace
