// The window's settings command: what it does after OK, in its order, and
// that Cancel changes nothing.
#include "ModalDialogWatcher.h"
#include "PlayerWindow.h"
#include "SettingsValues.h"
#include "dialogs/CSettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;

class SettingsCommandTest : public PlayerWindowTest {
protected:
    // The persistent record a real start has, so that saving shows.
    void SetUp() override {
        PlayerWindowTest::SetUp();
        settings = std::make_unique<CSettings>(1);
    }
    // Shows the page of `item`, or keeps the one shown for nullptr.
    static QWidget* Page(CSettingsDlg& dialog, const char* item) {
        auto* tree = dialog.findChild<QTreeWidget*>(u"IDC_TREE_SETTINGS"_s);
        tree->setCurrentItem(
            tree->findItems(QString::fromUtf8(item), Qt::MatchExactly | Qt::MatchRecursive)
                .value(0));
        return dialog.CurrentPage();
    }
    // Language German, toolbar at the bottom, mkv owned; then `button`.
    void ChangeAndPress(const char* button) {
        ModalDialogWatcher<CSettingsDlg> user([&](CSettingsDlg& dialog) {
            EXPECT_EQ(dialog.parentWidget(), window.get());
            Page(dialog, "General")->findChild<QComboBox*>(u"IDC_TOOLBARPOS"_s)->setCurrentIndex(1);
            auto* list = Page(dialog, "Video")->findChild<QTableWidget*>(u"IDC_LIST_FILEASSOCS"_s);
            list->findItems(u"mkv"_s, Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
            auto* languages =
                Page(dialog, "Language")->findChild<QTableWidget*>(u"IDC_LANGUAGELIST"_s);
            const int row = languages->findItems(u"Deutsch"_s, Qt::MatchExactly).value(0)->row();
            QTest::mouseClick(languages->viewport(), Qt::LeftButton, {},
                              languages->visualRect(languages->model()->index(row, 1)).center());
            QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)),
                              Qt::LeftButton);
        });
        Command(IDM_DATEI_EINSTELLUNGEN);
        EXPECT_EQ(user.Count(), 1);
    }
    // What the window shows and the registry holds of the three changes.
    std::tuple<QString, bool, std::optional<DWORD>, std::optional<std::string>> Effects() const {
        return {MenuBarPopup("IDM_DATEI")->title(), ToolBar()->y() > VideoAreaHeight() / 2,
                ReadDword("ToolBarPos"), ReadString("", {HKEY_CLASSES_ROOT, ".mkv"})};
    }
};

TEST_F(SettingsCommandTest, CancelChangesNothingOkAppliesAndSavesAtOnce) {
    Start();
    const QString english = MenuBarPopup("IDM_DATEI")->title();
    const QString englishTip = ToolBar()->actions().value(0)->toolTip();
    ChangeAndPress("IDC_BUTTON_ABBRECHEN");
    EXPECT_EQ(Effects(), std::tuple(english, false, std::optional<DWORD>(), std::nullopt));
    EXPECT_EQ(settings->toolBarPos, 0);

    ChangeAndPress("IDC_BUTTON_OK");
    EXPECT_EQ(Effects(), std::tuple(u"&Datei"_s, true, std::optional<DWORD>(1),
                                    std::optional<std::string>("velvarofile")));
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_GERMAN");
    // The toolbar made anew speaks the language loaded just before.
    const QString tip = ToolBar()->actions().value(0)->toolTip();
    EXPECT_TRUE(!tip.isEmpty() && tip != englishTip) << tip.toStdString();
}

}  // namespace
